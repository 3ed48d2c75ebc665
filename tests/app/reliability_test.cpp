// tabulon-cli as a process, against MAMEs that fail, hang or are interrupted, odd launchers and
// folders, and files that cannot be read: nothing is lost, nothing is left running or behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::CrLf;
using testing::FileExists;
using testing::ReadFile;
using testing::WriteFile;

// A small old MAME: each list option prints a one-game list.
const char* const kTinyMame =
    "case \"$*\" in\n"
    "*-listdetails*) printf 'x\\r\\n| Game Name\\r\\ntiny     drvtiny\\r\\n' ;;\n"
    "*-li*) printf 'game (\\r\\n\\tname tiny\\r\\n\\tdescription Tiny\\r\\n)\\r\\n\\r\\n' ;;\n"
    "*-gamelist*) printf 'skipped\\r\\nrow\\r\\n' ;;\n"
    "*) exit 1 ;;\n"
    "esac\n";

class ReliabilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(app_ + "/dats");
    WriteFile(app_ + "/dats/pin.dat", CrLf({"", "", "", "", "", "", "", "", "", "", "game (",
                                            "name pin", "description Pin", ")", ""}));
    WriteFile(front_ + "/masterlist.lst", "previous\r\n");
    InstallMame(mame_, kTinyMame);
  }
  void InstallMame(const std::string& folder, const std::string& body) {
    WriteFile(folder + "/mame", "#!/bin/sh\n" + body);
    fs::permissions(folder + "/mame", fs::perms::owner_all);
    WriteFile(front_ + "/cfgs/mame.cfg", CrLf({"PATH=" + folder, "EXE=mame"}));
  }
  // Starts tabulon-cli on the front end from "/", its stderr in err.txt.
  pid_t Start(bool ignore_sigchld = false) {
    const pid_t pid = fork();
    if (pid == 0) {
      if (ignore_sigchld) signal(SIGCHLD, SIG_IGN);
      const int err = open((dir_ / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(err, STDERR_FILENO);
      if (chdir("/") == 0)
        execl(TABULON_CLI_EXE, "tabulon-cli", "--app-dir", app_.c_str(), nullptr);
      _exit(127);
    }
    return pid;
  }
  // The exit status, or 128 + the signal that ended it.
  static int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  int Run(bool ignore_sigchld = false) { return Wait(Start(ignore_sigchld)); }
  std::string Err() const { return ReadFile(dir_ / "err.txt"); }
  // The files whose names begin with "." in the folders a run writes to.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> found;
    for (const std::string& folder : {app_, app_ + "/catvers", front_, mame_}) {
      std::error_code ec;
      for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name[0] == '.' || name.ends_with(".bat")) found.push_back(name);
      }
    }
    return found;
  }
  // Waits up to 5 s for the process of the pid in `file` to be gone (or a zombie).
  static bool Gone(const std::string& pid_file) {
    std::string pid = ReadFile(pid_file);
    pid.pop_back();  // echo's line end
    for (int i = 0; i < 250; ++i) {
      const std::string stat = FileExists("/proc/" + pid) ? ReadFile("/proc/" + pid + "/stat") : "";
      if (stat.empty() || stat.substr(stat.rfind(')') + 2, 1) == "Z") return true;
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }
  static void WaitForFile(const std::string& path) {
    for (int i = 0; i < 500 && !FileExists(path); ++i) std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(FileExists(path)) << path;
  }

  testing::TempDir dir_;
  std::string front_ = dir_ / "Front";
  std::string app_ = front_ + "/Tabulon";
  std::string mame_ = front_ + "/MAME";
};

// A MAME that fails leaves the lists of the last good run in place, and they are read; without
// such lists MAME's games are left out. Either way the warning says what failed.
TEST_F(ReliabilityTest, AFailingMameKeepsThePreviousLists) {
  struct Case {
    const char* mame;
    std::string warning;
  };
  const Case cases[] = {
      {"case $* in *-li*) printf 'game (\\r\\n'; exit 3 ;; esac\n",
       mame_ + "/listinfo.bat: MAME exited with status 3"},
      {"case $* in *-li*) printf 'game (\\r\\n'; kill -9 $$ ;; esac\n",
       mame_ + "/listinfo.bat: MAME was ended by SIGKILL"},
      {"case $* in *-li*) printf 'game (\\r\\n\\tname half\\r\\n' ;; esac\n",
       app_ + "/listinfo.dat: ends inside a block: MAME's output was cut off"},
      {"[ $1 = -listxml ] && printf '<mame>\\n<machine name=\"a\">\\n'; exit 0\n",
       app_ + "/listxml.xml:3: malformed XML at column 1: no element found"},
      {"[ $1 = -listxml ] && printf '<mame>\\n'; exit 1\n",
       mame_ + "/mame -listxml: MAME exited with status 1"},
  };
  ASSERT_EQ(Run(), 0) << Err();
  const std::string lists[] = {"listinfo.dat", "listdetails.dat", "gamelist.dat"};
  std::vector<std::string> good;
  for (const std::string& list : lists) good.push_back(ReadFile(app_ + "/" + list));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mame);
    InstallMame(mame_, c.mame);
    ASSERT_EQ(Run(), 0) << Err();
    EXPECT_NE(Err().find("warning: " + c.warning + "; the lists of an earlier run, from "),
              std::string::npos)
        << Err();
    EXPECT_NE(ReadFile(front_ + "/masterlist.lst").find("tiny|Tiny|"), std::string::npos);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(ReadFile(app_ + "/" + lists[i]), good[i]);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  }
  for (const std::string& list : lists) fs::remove(app_ + "/" + list);
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_NE(Err().find("MAME exited with status 1; MAME's games are left out"), std::string::npos)
      << Err();
  EXPECT_EQ(ReadFile(front_ + "/masterlist.lst").find("tiny|Tiny|"), std::string::npos);
}

// Ctrl+C, a service stop or a kill while MAME runs: MAME ends with Tabulon, and the master list,
// MAME's lists and every folder stay as they were; what a killed run left goes at the next run.
TEST_F(ReliabilityTest, InterruptsEndMameAndLeaveEverythingAsItWas) {
  ASSERT_EQ(Run(), 0) << Err();
  WriteFile(front_ + "/masterlist.lst", "previous\r\n");
  const std::string listinfo = ReadFile(app_ + "/listinfo.dat");
  const std::pair<int, const char*> cases[] = {{SIGTERM, "-li"},
                                               {SIGINT, "-listxml"},
                                               {SIGHUP, "-li"},
                                               {SIGKILL, "-li"},
                                               {SIGKILL, "-listxml"}};
  for (const auto& [signal, option] : cases) {
    SCOPED_TRACE(std::to_string(signal) + option);
    fs::remove(mame_ + "/pid");
    InstallMame(mame_, std::string("case $* in *") + option +
                           "*) printf '<mame>\\n'; echo $$ > pid; exec sleep 60 ;; esac\n"
                           "exit 1\n");
    const pid_t cli = Start();
    WaitForFile(mame_ + "/pid");
    kill(cli, signal);
    EXPECT_EQ(Wait(cli), 128 + signal);
    EXPECT_TRUE(Gone(mame_ + "/pid"));
    if (signal != SIGKILL) {
      EXPECT_NE(Err().find("tabulon-cli: the run was stopped by SIG"), std::string::npos) << Err();
      EXPECT_EQ(Leftovers(), std::vector<std::string>{});
      EXPECT_EQ(ReadFile(app_ + "/listinfo.dat"), listinfo);
    }
    EXPECT_EQ(ReadFile(front_ + "/masterlist.lst"), "previous\r\n");
  }
  // The killed run left its half listxml.xml, MAME's kept lists and the scripts.
  EXPECT_NE(Leftovers(), std::vector<std::string>{});
  InstallMame(mame_, kTinyMame);
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  EXPECT_EQ(ReadFile(app_ + "/listinfo.dat"), listinfo);
}

// How MAME is found and run does not depend on the launcher or on odd folder names, and a dat's
// emulator name cannot place its category file outside catvers/.
TEST_F(ReliabilityTest, LaunchersFoldersAndNames) {
  struct Case {
    const char* name;
    std::function<void()> setup;
    bool ignore_sigchld = false;
  };
  const Case cases[] = {
      {"a launcher that ignores SIGCHLD", [] {}, true},
      {"a MAME folder with a colon, a decoy MAME where PATH would split",
       [&] {
         InstallMame(front_ + "/M", "touch " + dir_ / "decoy-ran\n");
         InstallMame(front_ + "/M:E", kTinyMame);
       }},
      {"a relative PATH",
       [&] { WriteFile(front_ + "/cfgs/mame.cfg", "PATH=../MAME\r\nEXE=mame\r\n"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.setup();
    ASSERT_EQ(Run(c.ignore_sigchld), 0) << Err();
    EXPECT_NE(ReadFile(front_ + "/masterlist.lst").find("tiny|Tiny|"), std::string::npos);
    EXPECT_FALSE(FileExists(dir_ / "decoy-ran"));
  }
  WriteFile(app_ + "/dats/evil.dat",
            CrLf({"clrmamepro (", "name \"../../../X\"", ")", "game (", "name a", ")", ""}));
  WriteFile(app_ + "/dats/odd.dat",
            CrLf({"clrmamepro (", "name \"Atari 2600/7800\"", ")", "game (", "name a", ")", ""}));
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_TRUE(FileExists(app_ + "/catvers/.._.._.._Xcatver.ini"));
  EXPECT_TRUE(FileExists(app_ + "/catvers/Atari 2600_7800catver.ini"));
  EXPECT_FALSE(FileExists(dir_ / "Xcatver.ini"));
}

// Files that cannot be read or written are warnings; the master list holds everything else.
TEST_F(ReliabilityTest, BadFilesAreWarningsAndTheRunGoesOn) {
  fs::remove(front_ + "/cfgs/mame.cfg");
  mkfifo((app_ + "/dats/pipe.dat").c_str(), 0644);
  fs::create_directories(app_ + "/dats/folder.dat");
  WriteFile(app_ + "/dats/.hidden.dat", "game (\r\nname hidden\r\n)\r\n");
  WriteFile(app_ + "/dats/vec.dat", CrLf({"clrmamepro (", "name Vec", ")", "game (", "name vec",
                                          "description Vec", ")", ""}));
  fs::create_directories(app_ + "/catvers/Veccatver.ini");
  fs::create_directories(app_ + "/tabulonlog.txt");
  // A master list kept elsewhere and linked into the front end stays a link.
  fs::remove(front_ + "/masterlist.lst");
  fs::create_symlink(dir_ / "kept.lst", front_ + "/masterlist.lst");
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_TRUE(fs::is_symlink(front_ + "/masterlist.lst"));
  for (const std::string& warning :
       {std::string("dats/folder.dat: is not a file (a folder, pipe or device); skipped"),
        std::string("dats/pipe.dat: is not a file (a folder, pipe or device); skipped"),
        app_ + "/catvers/Veccatver.ini: cannot write: Is a directory; the category file of "
               "dats/vec.dat was not made",
        app_ + "/tabulonlog.txt: cannot write: Is a directory; the run goes on without its log"}) {
    EXPECT_NE(Err().find("warning: " + warning + "\n"), std::string::npos) << warning << Err();
    // The report keeps them for the user of the window, who has no terminal.
    EXPECT_NE(ReadFile(app_ + "/tabulonreport.txt").find("\r\n  " + warning + "\r\n"),
              std::string::npos);
  }
  const std::string list = ReadFile(dir_ / "kept.lst");
  EXPECT_NE(list.find("Vec|????|"), std::string::npos) << list;
  EXPECT_NE(list.find("Pin|????|"), std::string::npos) << list;
  EXPECT_EQ(list.find("hidden"), std::string::npos);
}

}  // namespace
}  // namespace tabulon
