// Stopping a script run on a POSIX system: what the script started goes with it.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "platform/process.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::FileExists;

// The script's shell goes at the first SIGTERM but leaves a process behind that ignores it, as a
// MAME that starts a helper of its own might. The stop must end that one too, with SIGKILL to the
// whole group, although the group's leader is already gone by then. Left running, it would
// touch "survived" a second later.
TEST(ScriptRunTest, AStopEndsWhatTheScriptLeftBehind) {
  testing::TempDir dir;
  testing::WriteFile(dir / "run.sh",
                     "sh -c 'trap \"\" TERM; (sleep 1; touch survived) & "
                     "trap - TERM; touch started; wait'\n");
  auto stop_once_started = [&] {
    if (FileExists(dir / "started")) throw std::runtime_error("stop");
  };
  std::string error;
  EXPECT_THROW(RunScriptAndWait(dir.path(), dir / "run.sh", stop_once_started, &error),
               std::runtime_error);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_FALSE(FileExists(dir / "survived")) << "what the script left behind outlived the stop";
}

}  // namespace
}  // namespace tabulon
