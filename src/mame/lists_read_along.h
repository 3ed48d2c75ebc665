// MAME's converted lists read by the dat reader while the -listxml conversion is still writing
// them, on a thread of its own. Reading them back from disk after MAME has ended would keep the
// user waiting for work that can be done in the moments MAME leaves a core idle.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "mame/mame_side_files.h"
#include "mame/old_mame_lists.h"
#include "platform/task.h"
#include "platform/text_io.h"
#include "records/run_state.h"

namespace tabulon {

// The reading gives exactly what GetListInfo gives for the committed files, and nothing unless
// they were committed: text of a conversion that fails or is stopped is abandoned, with every
// record read from it.
class ListsReadAlong final : public ListTextSink {
 public:
  // Starts reading, into a run of its own (the folder and record layout of `run`), with the side
  // rows from `side_files`, which must outlive this.
  ListsReadAlong(const RunState& run, MameSideFiles& side_files);
  // Abandons a reading that has not been taken, and waits for its thread.
  ~ListsReadAlong() override;
  ListsReadAlong(const ListsReadAlong&) = delete;
  ListsReadAlong& operator=(const ListsReadAlong&) = delete;

  // The conversion's side; Written() from any one thread at a time.
  void Written(List list, std::string_view text) override;
  void Committed() override;

  // Waits for the reading to end, yielding to `run`'s view meanwhile. Returns why the side files'
  // rows could not be found, as MameSideFiles::Open() does; no problem when they were read.
  Problem Wait(RunState& run);
  // After Wait() found the side files: hands the records, the warnings and the status text to
  // `run`, and returns the number of records; rethrows what stopped the reading.
  size_t Take(RunState& run, CategorySummary* categories);

 private:
  // The reading's own run: it never shows anything, and stops when the text is abandoned.
  class QuietView final : public View {
   public:
    explicit QuietView(const ListsReadAlong& owner) : owner_(owner) {}
    void ShowStatus(const std::string&) override {}
    bool Yield() override;
    void Warning(const std::string&) override {}
    void ShowMessage(const std::string&, const std::string&) override {}

   private:
    const ListsReadAlong& owner_;
  };

  void Read();
  void Abandon();

  // Each list's text, in the order of ListTextSink::List.
  std::array<std::shared_ptr<TextQueue>, 3> queues_ = {
      std::make_shared<TextQueue>(), std::make_shared<TextQueue>(), std::make_shared<TextQueue>()};
  MameSideFiles& side_files_;
  QuietView view_{*this};
  RunState run_;

  // Set by the thread when it ends.
  Problem side_problem_;
  size_t added_ = 0;
  CategorySummary categories_;

  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::atomic<bool> abandoned_{false};
  Task reading_;
};

}  // namespace tabulon
