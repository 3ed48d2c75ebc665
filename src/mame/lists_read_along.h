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
#include "platform/text_channel.h"
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
  // Holds the conversion while more than kUnreadLimit of the lists waits unread.
  void Flushed() override;
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

  // What the three lists may hold unread between them: a few of the conversion's flushes. The
  // reader reads them in step (a listinfo block, then its game's row in each side list), so a
  // bound on one list alone would stall it: the conversion blocked on a full listinfo while the
  // reader waits for the listdetails rows of games it already holds. One budget covers the
  // three, and the conversion waits for room only at Flushed(), when all three hold the text of
  // the same games: the reader can then always read on and make room.
  static constexpr size_t kUnreadLimit = 1 << 20;
  std::shared_ptr<TextBudget> unread_ = std::make_shared<TextBudget>(kUnreadLimit);
  // Each list's text, in the order of ListTextSink::List.
  std::array<std::shared_ptr<TextChannel>, 3> channels_ = {std::make_shared<TextChannel>(unread_),
                                                           std::make_shared<TextChannel>(unread_),
                                                           std::make_shared<TextChannel>(unread_)};
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
