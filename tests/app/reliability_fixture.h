// The front end of the reliability tests: a pinball dat, a master list from an earlier run and a
// small old MAME (the stand-in MAME, each list option printing a one-game list).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "records/run_state.h"
#include "testing/front_end.h"

namespace tabulon {

using testing::In;
using testing::OnWindows;

// What the stand-in MAME does for each option (see tests/tools/mame_standin.cpp).
inline const char* const kTinyMame =
    "-listdetails text x\\r\\n| Game Name\\r\\ntiny     drvtiny\\r\\n\n"
    "-li text game (\\r\\n\\tname tiny\\r\\n\\tdescription Tiny\\r\\n)\\r\\n\\r\\n\n"
    "-gamelist text skipped\\r\\nrow\\r\\n\n";

class ReliabilityTest : public testing::FrontEndTest {
 protected:
  void SetUp() override {
    testing::WriteFile(In(app_, "dats/pin.dat"),
                       testing::CrLf({"", "", "", "", "", "", "", "", "", "", "game (", "name pin",
                                      "description Pin", ")", ""}));
    testing::WriteFile(In(front_, "masterlist.lst"), "previous\r\n");
    InstallMame(mame_, kTinyMame);
  }
  // The files whose names begin with "." (but the lock files, which stay) and the scripts, in the
  // folders a run writes to.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> found;
    for (const std::string& folder : {app_, In(app_, "catvers"), front_, mame_}) {
      std::error_code ec;
      for (const auto& entry : std::filesystem::directory_iterator(FsPath(folder), ec)) {
        const std::string name = PathText(entry.path().filename());
        const bool ours = name[0] == '.' || name.ends_with(".bat");
        if (ours && name != kFolderLockName) found.push_back(name);
      }
    }
    return found;
  }
};

}  // namespace tabulon
