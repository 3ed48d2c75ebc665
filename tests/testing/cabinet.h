// A cabinet's front end for whole runs with tabulon.ini: the ROM folders of rom_folder.h and
// settings that keep the available games, one per family.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/archive_directory.h"
#include "testing/rom_folder.h"
#include "testing/temp_dir.h"

namespace tabulon::testing {

// Writes the cabinet's folders under `dir` and its tabulon.ini into `app`; returns the sets the
// master list must then hold of MAME's, sorted.
inline std::vector<std::string> WriteCabinet(const TempDir& dir, const std::string& app) {
  const std::string roms = dir / "roms", more = dir / "more", samples = dir / "samples";
  WriteCabinetFolders(ReadFactsFromListXml(TestData("listxml/mame0251_cabinet_excerpt.xml")), roms,
                      more, samples);
  WriteFile(In(app, "tabulon.ini"),
            CrLf({"[Filters]", "HideBIOS=1", "[Availability]", "AvailableOnly=1",
                  "RomPath=" + roms + ";" + more + ";" + dir / "gone", "HideNeedsNoFiles=1",
                  "RequireSamples=1", "SamplePath=" + samples, "[BestClone]", "OnePerFamily=1"}));
  // Found through their ROM folders, the parents standing for their families but dkongj, as
  // dkong is missing; Linux finds no stargate.zip in STARGATE.ZIP, Windows does.
  std::vector<std::string> sets = {"005",   "area51", "bublbobl", "dkongj",  "galaxian", "joust",
                                   "kinst", "kof98",  "mspacman", "puckman", "robotron"};
  if (FileNamesIgnoreCase()) sets.push_back("stargate");
  std::ranges::sort(sets);
  return sets;
}

// The set names of MAME's lines in a master list, sorted.
inline std::vector<std::string> MameSets(const std::string& master_list) {
  std::vector<std::string> sets;
  for (const std::string& line : SplitCrLf(master_list)) {
    if (line.find("|MAME|") != std::string::npos) sets.push_back(line.substr(0, line.find('|')));
  }
  std::ranges::sort(sets);
  return sets;
}

}  // namespace tabulon::testing
