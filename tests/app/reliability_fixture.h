// The front end of the reliability tests: a pinball dat, a master list from an earlier run and a
// small old MAME (the stand-in MAME, each list option printing a one-game list).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "platform/files.h"
#include "testing/temp_dir.h"

namespace tabulon {

// What the stand-in MAME does for each option (see tests/tools/mame_standin.cpp).
inline const char* const kTinyMame =
    "-listdetails text x\\r\\n| Game Name\\r\\ntiny     drvtiny\\r\\n\n"
    "-li text game (\\r\\n\\tname tiny\\r\\n\\tdescription Tiny\\r\\n)\\r\\n\\r\\n\n"
    "-gamelist text skipped\\r\\nrow\\r\\n\n";

class ReliabilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WriteFile(In(app_, "dats/pin.dat"),
                       testing::CrLf({"", "", "", "", "", "", "", "", "", "", "game (", "name pin",
                                      "description Pin", ")", ""}));
    testing::WriteFile(In(front_, "masterlist.lst"), "previous\r\n");
    InstallMame(mame_, kTinyMame);
  }

  // `relative` in `folder`, its "/" written as the system writes a path.
  static std::string In(const std::string& folder, std::string relative) {
    std::replace(relative.begin(), relative.end(), '/', PathSeparator());
    return InFolder(folder, relative);
  }
  // The stand-in MAME in `folder`, doing what `script` says, named in the front end's mame.cfg.
  void InstallMame(const std::string& folder, const std::string& script) {
    std::filesystem::create_directories(FsPath(folder));
    std::filesystem::copy_file(TABULON_STANDIN_MAME, FsPath(In(folder, exe_)),
                               std::filesystem::copy_options::overwrite_existing);
    testing::WriteFile(In(folder, "standin.txt"), script);
    testing::WriteFile(In(front_, "cfgs/mame.cfg"),
                       testing::CrLf({"PATH=" + folder, "EXE=" + exe_}));
  }
  // Runs tabulon-cli on the front end; its stderr is Err().
  int Run() {
    err_.str("");
    std::ostringstream out;
    return RunCli({"--app-dir", app_}, out, err_);
  }
  std::string Err() const { return err_.str(); }
  // The files whose names begin with "." and the scripts, in the folders a run writes to.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> found;
    for (const std::string& folder : {app_, In(app_, "catvers"), front_, mame_}) {
      std::error_code ec;
      for (const auto& entry : std::filesystem::directory_iterator(FsPath(folder), ec)) {
        const std::string name = PathText(entry.path().filename());
        if (name[0] == '.' || name.ends_with(".bat")) found.push_back(name);
      }
    }
    return found;
  }
  bool OnWindows() const { return PathSeparator() == '\\'; }

  testing::TempDir dir_;
  std::string front_ = dir_ / "Front";
  std::string app_ = dir_ / "Front/Tabulon";
  std::string mame_ = dir_ / "Front/MAME";
  std::string exe_ = "mame" + std::filesystem::path(TABULON_STANDIN_MAME).extension().string();
  std::ostringstream err_;
};

}  // namespace tabulon
