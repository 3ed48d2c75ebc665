// tabulon-cli as a process on a POSIX system: interrupted (SIGINT, SIGTERM, SIGHUP) and killed
// while MAME runs, started by a launcher that ignores SIGCHLD, and given what only POSIX folders
// hold (a colon in a folder name, a pipe among the dats, a linked master list, hidden files).
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "app/reliability_fixture.h"
#include "platform/output_reader.h"

namespace tabulon {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::FileExists;
using testing::ReadFile;
using testing::WriteFile;

class ProcessTest : public ReliabilityTest {
 protected:
  // How the launcher leaves tabulon-cli's standard output and error.
  enum class Output { kErrInFile, kPipeNobodyReads, kClosed };
  // Starts tabulon-cli on the front end from "/", its stderr in err.txt.
  // `nohup`: a launcher that ignores SIGCHLD and SIGHUP, as nohup does the latter.
  pid_t Start(bool nohup = false, Output output = Output::kErrInFile) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
      if (nohup) {
        signal(SIGCHLD, SIG_IGN);
        signal(SIGHUP, SIG_IGN);
      }
      const int err = open((dir_ / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (output == Output::kErrInFile) dup2(err, STDERR_FILENO);
      // `tabulon-cli | head -1` once head has gone, or a cron job whose log was closed.
      if (output == Output::kPipeNobodyReads) {
        close(pipe_ends[0]);
        for (int fd : {STDOUT_FILENO, STDERR_FILENO}) dup2(pipe_ends[1], fd);
      }
      if (output == Output::kClosed)
        for (int fd : {STDOUT_FILENO, STDERR_FILENO}) close(fd);
      close(err);
      close(pipe_ends[1]);
      if (chdir("/") == 0)
        execl(TABULON_CLI_EXE, "tabulon-cli", "--app-dir", app_.c_str(), nullptr);
      _exit(127);
    }
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    return pid;
  }
  // The exit status, or 128 + the signal that ended it; its stderr is then Err().
  int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    err_.str(ReadFile(dir_ / "err.txt"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // Waits up to 30 s for the process of the pid in `file` to be gone (or a zombie); a MAME that
  // outlives its run sleeps for 60.
  static bool Gone(const std::string& pid_file) {
    const std::string pid = std::to_string(std::stol(ReadFile(pid_file)));
    for (int i = 0; i < 1500; ++i) {
      const std::string stat = FileExists("/proc/" + pid) ? ReadFile("/proc/" + pid + "/stat") : "";
      if (stat.empty() || stat.substr(stat.rfind(')') + 2, 1) == "Z") return true;
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }
};

// Ctrl+C, a service stop or a kill while MAME runs: MAME ends with Tabulon, and the master list,
// MAME's lists and every folder stay as they were; what a killed run left goes at the next run.
TEST_F(ProcessTest, InterruptsEndMameAndLeaveEverythingAsItWas) {
  ASSERT_EQ(Wait(Start()), 0) << Err();
  WriteFile(front_ + "/masterlist.lst", "previous\r\n");
  const std::string listinfo = ReadFile(app_ + "/listinfo.dat");
  const std::pair<int, const char*> cases[] = {{SIGTERM, "-li"},
                                               {SIGINT, "-listxml"},
                                               {SIGHUP, "-li"},
                                               {SIGKILL, "-li"},
                                               {SIGKILL, "-listxml"}};
  auto stop_during = [&](int signal, const char* option) {
    fs::remove(mame_ + "/pid");
    // Today's MAME: an older build would be stopped at its root element and run again.
    InstallMame(mame_, std::string(option) + " text <mame build=\"0.251\">\\n; pid; sleep 60\n");
    const pid_t cli = Start();
    // MAME has started once it wrote its pid, however long a busy machine takes to get there.
    siginfo_t ended{};
    while (!FileExists(mame_ + "/pid") && ended.si_pid == 0 &&
           waitid(P_PID, static_cast<id_t>(cli), &ended, WEXITED | WNOHANG | WNOWAIT) == 0) {
      std::this_thread::sleep_for(20ms);
    }
    kill(cli, signal);
    EXPECT_EQ(Wait(cli), 128 + signal);
    EXPECT_TRUE(Gone(mame_ + "/pid"));
  };
  for (const auto& [signal, option] : cases) {
    SCOPED_TRACE(std::to_string(signal) + option);
    stop_during(signal, option);
    if (signal != SIGKILL) {
      EXPECT_CONTAINS(Err(), "tabulon-cli: the run was stopped by SIG");
      EXPECT_EQ(Leftovers(), std::vector<std::string>{});
      EXPECT_EQ(ReadFile(app_ + "/listinfo.dat"), listinfo);
    }
    EXPECT_EQ(MasterList(), "previous\r\n");
  }
  // The killed run left its half listxml.xml, MAME's kept lists and the scripts. The lists it
  // left in place give way to the kept ones, read here as they stand; lists written since stay.
  EXPECT_NE(Leftovers(), std::vector<std::string>{});
  for (const std::string hand : {"", "game (\r\n\tname hand\r\n)\r\n"}) {
    if (!hand.empty()) stop_during(SIGKILL, "-listxml");
    if (!hand.empty()) WriteFile(app_ + "/listinfo.dat", hand);
    fs::remove(front_ + "/cfgs/mame.cfg");
    ASSERT_EQ(Wait(Start()), 0) << Err();
    EXPECT_EQ(ReadFile(app_ + "/listinfo.dat"), hand.empty() ? listinfo : hand);
  }
  InstallMame(mame_, kTinyMame);
  ASSERT_EQ(Wait(Start()), 0) << Err();
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  EXPECT_EQ(ReadFile(app_ + "/listinfo.dat"), listinfo);
}

// How MAME is found and run does not depend on the launcher or on a colon in its folder's name.
TEST_F(ProcessTest, LaunchersAndFolders) {
  // A hangup while MAME runs leaves a run started by nohup going.
  InstallMame(mame_, std::string("-gamelist text x\\r\\n; pid; sleep 1\n") + kTinyMame);
  const pid_t nohup = Start(/*nohup=*/true);
  for (int i = 0; i < 500 && !FileExists(mame_ + "/pid"); ++i) std::this_thread::sleep_for(20ms);
  kill(nohup, SIGHUP);
  ASSERT_EQ(Wait(nohup), 0) << Err();
  EXPECT_CONTAINS(MasterList(), "tiny|Tiny|");
  // A decoy MAME where PATH would split.
  InstallMame(front_ + "/M", "* touch " + dir_ / "decoy-ran\n");
  InstallMame(front_ + "/M:E", kTinyMame);
  fs::remove(front_ + "/masterlist.lst");
  ASSERT_EQ(Wait(Start()), 0) << Err();
  EXPECT_CONTAINS(MasterList(), "tiny|Tiny|");
  EXPECT_FALSE(FileExists(dir_ / "decoy-ran"));
  // Output nobody reads costs the messages, not the run, and none of them lands in a file.
  // The report from its summary on: its head names the time.
  auto report = [this] {
    const std::string text = ReadFile(app_ + "/tabulonreport.txt");
    return text.substr(text.find("Summary:"));
  };
  const std::string list = MasterList(), first_report = report();
  for (Output output : {Output::kPipeNobodyReads, Output::kClosed}) {
    fs::remove(front_ + "/masterlist.lst");
    EXPECT_EQ(Wait(Start(false, output)), 0);
    EXPECT_EQ(MasterList(), list);
    EXPECT_EQ(report(), first_report);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  }
}

// A pipe among the dats is no dat, a hidden file is none either, a master list kept elsewhere
// and linked into the front end stays a link, a MAME list that cannot be read (even by root:
// reading /proc/self/mem from its start fails) costs MAME's games only, and a category file that
// cannot be read gives placeholders, as a missing one does, and is not written over.
TEST_F(ReliabilityTest, PipesHiddenFilesAndLinks) {
  ASSERT_EQ(Run(), 0) << Err();
  fs::remove(front_ + "/cfgs/mame.cfg");
  fs::remove(app_ + "/listdetails.dat");
  fs::create_symlink("/proc/self/mem", app_ + "/listdetails.dat");
  fs::remove(app_ + "/catvers/catver.ini");
  fs::create_symlink("/proc/self/mem", app_ + "/catvers/catver.ini");
  mkfifo((app_ + "/dats/pipe.dat").c_str(), 0644);
  WriteFile(app_ + "/dats/.hidden.dat", "game (\r\nname hidden\r\n)\r\n");
  fs::remove(front_ + "/masterlist.lst");
  fs::create_symlink(dir_ / "kept.lst", front_ + "/masterlist.lst");
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_CONTAINS(Err(),
                  "warning: dats/pipe.dat: is not a file (a folder, pipe or device); skipped");
  EXPECT_TRUE(fs::is_symlink(front_ + "/masterlist.lst"));
  EXPECT_CONTAINS(Err(), "warning: " + app_ + "/listdetails.dat:1: read error: ");
  EXPECT_CONTAINS(Err(), "; MAME's games are left out, the dats of dats/ are still read\n");
  EXPECT_CONTAINS(Err(), "; the sets of dats/pin.dat get placeholder categories\n");
  EXPECT_TRUE(fs::is_symlink(app_ + "/catvers/catver.ini"));
  EXPECT_EQ(MasterList(), "pin|Pin|????||pin|MAME|????/????|????||na|na|na||\r\n");
  // MAME's output that cannot be read (a folder here) is an error at once, not a read retried.
  OutputReader output;
  std::string error;
  const int folder = open(app_.c_str(), O_RDONLY);
  ASSERT_TRUE(output.Open(folder, &error)) << error;
  EXPECT_EQ(output.ReadAt(0, error.data(), 0, &error), -1);
  close(folder);
}

// MAME's output that did not fit on the disk is named as such, not as malformed XML.
TEST_F(ReliabilityTest, AFullDisk) {
  const std::string mount = "mount -t tmpfs -o size=64k tmpfs '" + app_ + "'";
  if (std::system(mount.c_str()) != 0) GTEST_SKIP() << "no tmpfs";
  // Far more than fits: the disk is full long before the XML's fault at its end.
  WriteFile(mame_ + "/big.xml", ReadFile(testing::TestData("listxml/6000_games_then_a_fault.xml")));
  InstallMame(mame_, "-listxml print big.xml\n");
  const int status = Run();
  EXPECT_EQ(std::system(("umount '" + app_ + "'").c_str()), 0);
  EXPECT_EQ(status, 0) << Err();
  EXPECT_CONTAINS(Err(), "warning: " + app_ +
                             ": cannot write: No space left on device, so MAME's "
                             "lists were cut off: make room on that disk; MAME's "
                             "games are left out");
}

}  // namespace
}  // namespace tabulon
