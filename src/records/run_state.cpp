// Status, yields and warnings of a run, passed on to its view.
#include "records/run_state.h"

#include <exception>

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

void RunState::Warn(const std::string& text) {
  warnings.push_back(text);
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
