// Status, yields and warnings of a run, passed on to its view.
#include "records/run_state.h"

#include <chrono>
#include <exception>
#include <thread>

#include "platform/error.h"
#include "platform/interrupts.h"

namespace tabulon {

void RunState::ShowStatus(const std::string& text) {
  status = text;
  if (view != nullptr) view->ShowStatus(text);
}

void RunState::Yield() const {
  if (const int signal = InterruptSignal(); signal != 0) throw RunInterrupted(signal);
  if (view != nullptr && !view->Yield()) throw RunCancelled();
}

FileLock RunState::LockFolder(const std::string& folder, std::string* error) {
  const std::string path = InFolder(folder, kFolderLockName);
  FileLock lock;
  FileLock::Result result = lock.TryLock(path, error);
  if (result != FileLock::Result::kBusy) return lock;
  if (no_wait) {
    throw FolderBusy(folder, "another run is using this folder (its lock file " + path +
                                 " is held); the master list was not written: run again when "
                                 "that run has ended, or leave out --no-wait to wait for it");
  }
  ShowStatus("Waiting for the other run in " + folder + " to end......");
  // The systems' own waiting locks cannot be woken for a Ctrl+C or a closed window: asking
  // again between yields can.
  while (result == FileLock::Result::kBusy) {
    Yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    result = lock.TryLock(path, error);
  }
  return lock;
}

void RunState::Warn(const std::string& text) {
  report.warnings.push_back(text);
  if (view != nullptr) view->Warning(text);
}

void RunState::WaitForBackground() {
  std::vector<BackgroundTask> tasks;
  tasks.swap(background);
  for (BackgroundTask& work : tasks) {
    try {
      work.task.Wait();
    } catch (const std::exception& e) {
      Warn(work.warning + e.what());
    }
  }
}

}  // namespace tabulon
