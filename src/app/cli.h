// tabulon-cli: the generation run without a window, for cabinets without a screen and scripts.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "records/run_state.h"

namespace tabulon {

struct CliArgs {
  std::string app_dir;  // empty: the folder that holds the program
  bool quintara = false;
  bool refresh_mame = false;    // run MAME even when its lists of the last run are still good
  bool no_wait = false;         // end with status 75, not wait, when another run has the folder
  std::string convert_listxml;  // --convert-listxml FILE: only convert, no generation run
  ShapingRequest shaping;       // --shaping FILE, --no-shaping, --set SECTION.KEY=VALUE
  bool write_shaping_template = false;  // only write tabulon.ini with every step off
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. On a bad argument returns nullopt and sets
// `error` to a one-line reason.
std::optional<CliArgs> ParseCliArgs(const std::vector<std::string>& args, std::string* error);

// Runs the CLI: status texts, warnings and the summary go to `err`, the path of the master list
// to `out`. Returns the process exit status: 0 on success, 1 when the run failed, 2 for bad usage.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tabulon
