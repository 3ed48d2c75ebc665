// tabulon-cli against MAMEs that fail, odd folders and names, and files that cannot be read or
// written: nothing is lost, nothing is left behind, and the run goes on. What only POSIX systems
// have (signals, fork, pipes, links) is in reliability_posix_test.cpp.
#include <filesystem>

#include "app/generation_run.h"
#include "app/reliability_fixture.h"
#include "platform/error.h"
#include "platform/file_lock.h"

namespace tabulon {
namespace {

namespace fs = std::filesystem;
using testing::CrLf;
using testing::FileExists;
using testing::ReadFile;
using testing::WriteFile;

// A MAME that fails leaves the lists of the last good run in place, and they are read; without
// such lists MAME's games are left out. Either way the warning says what failed. A list that
// cannot be kept aside (a folder in the way fails even for root) keeps MAME from writing over
// it: the lists are read as they stand.
TEST_F(ReliabilityTest, AFailingMameKeepsThePreviousLists) {
  // The other old options print nothing and succeed.
  // clang-format off
  const std::pair<const char*, std::string> cases[] = {
      {"-li text game (\\r\\n; exit 3\n* exit 0", In(mame_, "listinfo.bat: MAME exited with status 3")},
      {"-li text game (\\r\\n; kill\n* exit 0", In(mame_, OnWindows() ? "listinfo.bat: MAME exited with status 9"
                                                                  : "listinfo.bat: MAME was ended by SIGKILL")},
      {"-li text game (\\r\\n\\tname half\\r\\n\n* exit 0", In(app_, "listinfo.dat: ends inside a block: MAME's output was cut off")},
      // An old MAME whose -gamelist run wrote nothing.
      {"-li text game (\\r\\n\\tname x\\r\\n)\\r\\n\n-listdetails text x\\r\\n| Game Name\\r\\nx drv\\r\\n\n* exit 0",
       In(app_, "gamelist.dat: MAME wrote nothing for -gamelist")},
      {"-listxml text <mame>\\n<machine name=\"a\">\\n; exit 0", In(app_, "listxml.xml:3: malformed XML at column 1: no element found")},
      // Games enough for the lists to be read as they are converted, before the fault.
      {"-listxml print big.xml; exit 0", In(app_, "listxml.xml:6002: malformed XML at column 3: mismatched tag")},
      {"-listxml text <mame>\\n; exit 1", In(mame_, exe_ + " -listxml: MAME exited with status 1")}};
  // clang-format on
  WriteFile(In(mame_, "big.xml"),
            ReadFile(testing::TestData("listxml/6000_games_then_a_fault.xml")));
  // A good run deletes the lists it kept aside before it ends.
  ASSERT_EQ(Run(), 0) << Err();
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  const std::string lists[] = {"listinfo.dat", "listdetails.dat", "gamelist.dat"};
  std::vector<std::string> good;
  for (const std::string& list : lists) good.push_back(ReadFile(In(app_, list)));
  for (const auto& [mame, warning] : cases) {
    SCOPED_TRACE(mame);
    InstallMame(mame_, mame);
    ASSERT_EQ(Run(), 0) << Err();
    EXPECT_CONTAINS(Err(), "warning: " + warning + "; the lists of an earlier run, from ");
    EXPECT_CONTAINS(MasterList(), "tiny|Tiny|");
    EXPECT_FALSE(testing::Contains(MasterList(), "|Big "));
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(ReadFile(In(app_, lists[i])), good[i]);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  }
  // The last case's MAME, were it run, would leave the lists empty; the big case left a
  // listxml.xml.
  for (const std::string kept : {"listdetails.dat", "listxml.xml"}) {
    SCOPED_TRACE(kept);
    fs::create_directory(FsPath(In(app_, "." + kept + ".kept")));
    ASSERT_EQ(Run(), 0) << Err();
    EXPECT_CONTAINS(Err(),
                    In(app_, kept) + ": cannot be kept aside while MAME runs: moving it to ");
    EXPECT_CONTAINS(MasterList(), "tiny|Tiny|");
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(ReadFile(In(app_, lists[i])), good[i]);
    fs::remove(FsPath(In(app_, "." + kept + ".kept")));
  }
  for (const std::string& list : lists) fs::remove(FsPath(In(app_, list)));
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_CONTAINS(Err(), "MAME exited with status 1; MAME's games are left out");
  EXPECT_FALSE(testing::Contains(MasterList(), "tiny|Tiny|"));
}

// MAME is found from the application folder whatever the working folder, and a dat's emulator
// name cannot place its category file outside catvers/.
TEST_F(ReliabilityTest, RelativeMameFolderAndEmulatorNames) {
  WriteFile(In(front_, "cfgs/mame.cfg"), "PATH=../MAME\r\nEXE=" + exe_ + "\r\n");
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_CONTAINS(MasterList(), "tiny|Tiny|");

  WriteFile(In(app_, "dats/evil.dat"),
            CrLf({"clrmamepro (", "name \"../../../X\"", ")", "game (", "name a", ")", ""}));
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_TRUE(FileExists(In(app_, "catvers/.._.._.._Xcatver.ini")));
  EXPECT_FALSE(FileExists(dir_ / "Xcatver.ini"));
}

// Files that cannot be read or written are warnings; the master list holds everything else.
TEST_F(ReliabilityTest, BadFilesAreWarningsAndTheRunGoesOn) {
  fs::remove(FsPath(In(front_, "cfgs/mame.cfg")));
  fs::create_directories(FsPath(In(app_, "dats/folder.dat")));
  WriteFile(In(app_, "dats/vec.dat"), CrLf({"clrmamepro (", "name Vec", ")", "game (", "name vec",
                                            "description Vec", ")", ""}));
  fs::create_directories(FsPath(In(app_, "catvers/Veccatver.ini")));
  fs::create_directories(FsPath(In(app_, "tabulonlog.txt")));
  ASSERT_EQ(Run(), 0) << Err();
  // Each warning from its start to its end; why the system refused is its own text.
  const std::pair<std::string, std::string> warnings[] = {
      {In("dats", "folder.dat: is not a file (a folder, pipe or device); skipped"), ""},
      {In(app_, "catvers/Veccatver.ini: cannot write: "),
       "; the category file of " + In("dats", "vec.dat was not made")},
      {In(app_, "tabulonlog.txt: cannot write: "), "; the run goes on without its log"}};
  const std::string report = Report();
  for (const auto& [start, end] : warnings) {
    const size_t at = Err().find("warning: " + start);
    ASSERT_NE(at, std::string::npos) << start << Err();
    EXPECT_EQ(Err().substr(Err().find('\n', at) - end.size(), end.size()), end);
    // The report keeps them for the user of the window, who has no terminal.
    EXPECT_CONTAINS(report, "\r\n  " + start);
  }
  EXPECT_CONTAINS(MasterList(), "Vec|????|");
  EXPECT_CONTAINS(MasterList(), "Pin|????|");
}

// A run on a folder another run has locked (the application folder, or the MAME folder its
// scripts go to): with --no-wait it ends at once with 75 and leaves the lists and the master list
// as they were; else it shows that it waits, goes on once the lock is free, or can be stopped
// while it waits.
TEST_F(ReliabilityTest, ARunMeetsAnotherRunsLock) {
  ASSERT_EQ(Run(), 0) << Err();
  const std::string list = MasterList(), report = Report();
  struct WaitingView : testing::RecordingView {
    WaitingView(FileLock* lock, bool stop_waiting) : held(lock), stop(stop_waiting) {}
    void ShowStatus(const std::string& text) override {
      RecordingView::ShowStatus(text);
      waiting = text.starts_with("Waiting");
      if (waiting && !stop) held->Unlock();
    }
    bool Yield() override { return !(stop && waiting); }
    FileLock* held;
    bool stop, waiting = false;
  };
  for (const std::string& folder : {app_, mame_}) {
    FileLock held;
    std::string error;
    ASSERT_EQ(held.TryLock(In(folder, kFolderLockName), &error), FileLock::Result::kLocked);
    EXPECT_EQ(Run("--no-wait"), 75);
    EXPECT_CONTAINS(Err(), "tabulon-cli: " + folder + ": another run is using this folder (");
    EXPECT_TRUE(folder != app_ || Report() == report);
    // Waiting is the same on both folders: the run waiting on the MAME folder is stopped.
    WaitingView view(&held, folder == mame_);
    RunState run(app_, &view);
    std::vector<std::string> files;
    try {
      RunGeneration(run, &files);
      EXPECT_FALSE(view.stop);
    } catch (const RunCancelled&) {
      EXPECT_TRUE(view.stop);
    }
    // The MAME folder is locked for the scripts, which an old MAME is asked once its -listxml
    // has shown what it is.
    EXPECT_EQ(view.statuses.at(folder == app_ ? 0 : 1),
              "Waiting for the other run in " + folder + " to end......");
    EXPECT_EQ(MasterList(), list);
    EXPECT_CONTAINS(ReadFile(In(app_, "listinfo.dat")), "\tname tiny\r\n");
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace tabulon
