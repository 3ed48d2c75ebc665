// Reading MAME's lists while they are converted: the conversion's text goes into queues, which
// the dat reader reads on its thread as it would read the files.
#include "mame/lists_read_along.h"

#include <chrono>
#include <utility>

#include "datparse/dat_reader.h"
#include "platform/files.h"
#include "platform/thread_priority.h"

namespace tabulon {

ListsReadAlong::ListsReadAlong(const RunState& run, MameSideFiles& side_files)
    : side_files_(side_files), run_(run.app_dir, &view_) {
  run_.layout = run.layout;
  run_.hold_mame = run.hold_mame;
  reading_ = Task([this](std::stop_token) { Read(); });
}

ListsReadAlong::~ListsReadAlong() {
  Abandon();
  reading_ = Task();  // waits for it; what stopped it is of no more use
}

void ListsReadAlong::Written(List list, std::string_view text) {
  channels_[static_cast<size_t>(list)]->Write(std::string(text));
}

void ListsReadAlong::Flushed() { unread_->WaitForRoom(std::stop_token()); }

void ListsReadAlong::Committed() {
  for (const auto& channel : channels_) channel->End();
}

void ListsReadAlong::Abandon() {
  abandoned_ = true;
  for (const auto& channel : channels_) channel->Abandon();
}

bool ListsReadAlong::QuietView::Yield() { return !owner_.abandoned_.load(); }

void ListsReadAlong::Read() {
  // However the reading ends (what stops it, the task carries to Take()), Wait() hears of it.
  struct Done {
    ListsReadAlong& owner;
    ~Done() {
      // A reading that ended early reads no more: the conversion must not wait for it.
      owner.unread_->Close();
      std::lock_guard<std::mutex> lock(owner.mutex_);
      owner.done_ = true;
      owner.done_cv_.notify_all();
    }
  } done{*this};
  // It works in the time MAME leaves idle, as the conversion does.
  LowerThreadPriority();
  const std::string& dir = run_.app_dir;
  auto reader = [&](List list, const char* name) {
    return std::make_unique<ChannelLineReader>(channels_[static_cast<size_t>(list)],
                                               InFolder(dir, name));
  };
  side_problem_ = side_files_.Open(reader(List::kListdetails, "listdetails.dat"),
                                   reader(List::kGamelist, "gamelist.dat"));
  if (!side_problem_) {
    const auto listinfo = reader(List::kListinfo, "listinfo.dat");
    added_ = GetListInfo(*listinfo, "listinfo.dat", run_, &side_files_, &categories_);
    // The order is settled here, rather than when the master list is written after MAME.
    run_.List1.Items();
  }
}

Problem ListsReadAlong::Wait(RunState& run) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!done_cv_.wait_for(lock, std::chrono::milliseconds(20), [this] { return done_; })) {
    lock.unlock();
    run.Yield();
    lock.lock();
  }
  // A reading that failed found its side files, or failed finding them: either way no problem
  // was set, and Take() throws what failed.
  return side_problem_;
}

size_t ListsReadAlong::Take(RunState& run, CategorySummary* categories) {
  reading_.Wait();
  if (!run_.status.empty()) run.ShowStatus(run_.status);
  for (const std::string& warning : run_.report.warnings) run.Warn(warning);
  if (run.List1.empty()) {
    run.List1 = std::move(run_.List1);
  } else {
    for (std::string_view record : run_.List1.Items()) run.List1.Add(record);
  }
  run_.List1.Clear();
  if (run.held_mame.empty()) {
    run.held_mame = std::move(run_.held_mame);
    run.held_text = std::move(run_.held_text);
  } else {
    for (const HeldRecord& held : run_.held_mame) {
      run.held_mame.push_back(HoldRecord(held, &run.held_text));
    }
  }
  run_.held_mame.clear();
  run_.held_text.Clear();
  run.slots = run_.slots;
  run.lgame = run_.lgame;
  *categories = categories_;
  return added_;
}

}  // namespace tabulon
