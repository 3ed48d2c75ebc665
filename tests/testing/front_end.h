// A front end in a temporary folder for the tests that run tabulon-cli: an application folder, a
// MAME folder with the stand-in MAME (tests/tools/mame_standin.cpp) named in cfgs/mame.cfg, and
// what a run printed.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "testing/temp_dir.h"

namespace tabulon::testing {

class FrontEndTest : public ::testing::Test {
 protected:
  // The stand-in MAME in `folder`, doing what `script` says, named in the front end's mame.cfg.
  void InstallMame(const std::string& folder, const std::string& script) {
    std::filesystem::create_directories(FsPath(folder));
    std::filesystem::copy_file(TABULON_STANDIN_MAME, FsPath(In(folder, exe_)),
                               std::filesystem::copy_options::overwrite_existing);
    WriteFile(In(folder, "standin.txt"), script);
    WriteFile(In(front_, "cfgs/mame.cfg"), CrLf({"PATH=" + folder, "EXE=" + exe_}));
  }
  // Runs tabulon-cli on the front end, with `option` if given; its stderr is Err().
  int Run(const char* option = nullptr) {
    out_.str("");
    err_.str("");
    std::vector<std::string> args = {"--app-dir", app_};
    if (option != nullptr) args.push_back(option);
    return RunCli(args, out_, err_);
  }
  std::string Err() const { return err_.str(); }
  std::string MasterList() const { return ReadFile(In(front_, "masterlist.lst")); }
  std::string Report() const { return ReadFile(In(app_, "tabulonreport.txt")); }

  TempDir dir_;
  std::string front_ = dir_ / "Front";
  std::string app_ = dir_ / "Front/Tabulon";
  std::string mame_ = dir_ / "Front/MAME";
  std::string exe_ = "mame" + std::filesystem::path(TABULON_STANDIN_MAME).extension().string();
  std::ostringstream out_, err_;
};

}  // namespace tabulon::testing
