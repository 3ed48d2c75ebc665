// Reading MAME's lists while they are converted: the conversion's text goes into queues, which
// the dat reader reads on its thread as it would read the files.
#include "mame/lists_read_along.h"

#include <chrono>
#include <utility>

#include "datparse/dat_reader.h"
#include "platform/child_process.h"
#include "platform/files.h"

namespace tabulon {

ListsReadAlong::ListsReadAlong(const RunState& run, MameSideFiles& side_files)
    : side_files_(side_files), run_(run.app_dir, &view_) {
  run_.layout = run.layout;
  thread_ = std::thread([this] { Read(); });
}

ListsReadAlong::~ListsReadAlong() {
  Abandon();
  thread_.join();
}

void ListsReadAlong::Written(List list, std::string_view text) {
  queues_[static_cast<size_t>(list)]->Write(text);
}

void ListsReadAlong::Committed() {
  for (const auto& queue : queues_) queue->End();
}

void ListsReadAlong::Abandon() {
  abandoned_ = true;
  for (const auto& queue : queues_) queue->Abandon();
}

bool ListsReadAlong::QuietView::Yield() { return !owner_.abandoned_.load(); }

void ListsReadAlong::Read() {
  // It works in the time MAME leaves idle, as the conversion does.
  LowerThreadPriority();
  try {
    const std::string& dir = run_.app_dir;
    auto reader = [&](List list, const char* name) {
      return std::make_unique<QueuedLineReader>(queues_[static_cast<size_t>(list)],
                                                InFolder(dir, name));
    };
    side_problem_ = side_files_.Open(reader(List::kListdetails, "listdetails.dat"),
                                     reader(List::kGamelist, "gamelist.dat"));
    if (side_problem_.empty()) {
      const auto listinfo = reader(List::kListinfo, "listinfo.dat");
      added_ = GetListInfo(*listinfo, "listinfo.dat", run_, &side_files_, &categories_);
      // The order is settled here, rather than when the master list is written after MAME.
      run_.List1.Items();
    }
  } catch (...) {
    failure_ = std::current_exception();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  done_ = true;
  done_cv_.notify_all();
}

std::string ListsReadAlong::Wait(RunState& run) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!done_cv_.wait_for(lock, std::chrono::milliseconds(20), [this] { return done_; })) {
    lock.unlock();
    run.Yield();
    lock.lock();
  }
  return failure_ ? "" : side_problem_;
}

size_t ListsReadAlong::Take(RunState& run, CategorySummary* categories) {
  if (failure_) std::rethrow_exception(failure_);
  if (!run_.status.empty()) run.ShowStatus(run_.status);
  for (const std::string& warning : run_.warnings) run.Warn(warning);
  if (run.List1.empty()) {
    run.List1 = std::move(run_.List1);
  } else {
    for (std::string_view record : run_.List1.Items()) run.List1.Add(record);
  }
  run_.List1.Clear();
  run.slots = run_.slots;
  run.lgame = run_.lgame;
  *categories = categories_;
  return added_;
}

}  // namespace tabulon
