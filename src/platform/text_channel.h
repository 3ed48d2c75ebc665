// Text that one thread makes and another reads line by line as it comes: the XML dats' blocks
// made beside the dat reader, MAME's lists read while they are converted. Every such hand-over
// goes through this one channel, so the rules of ending, failing and holding text back are the
// same for all of them, and so is the line splitting (LineReader's).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

#include "platform/text_io.h"

namespace tabulon {

// How much written text may wait unread, over one channel or several that are read in step. The
// writer asks for room at points of its choosing, so a group of channels stays free of deadlock
// when its writer asks only where every channel holds all that its reader needs to get on.
class TextBudget {
 public:
  explicit TextBudget(size_t limit) : limit_(limit) {}

  // Waits while more than the limit is unread. Returns false, at once, when `stop` was requested;
  // a budget whose reading has ended (Close()) never waits.
  bool WaitForRoom(const std::stop_token& stop);
  // The reading is over, whether it read everything or gave up: no writer waits any longer.
  void Close();

  // The most that was ever unread, for the tests that hold the bound.
  size_t most_held() const;

 private:
  friend class TextChannel;
  void Held(long long change);

  const size_t limit_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  size_t held_ = 0;
  size_t most_held_ = 0;
  bool closed_ = false;
};

// Text in the order written. The writer calls Write() any number of times, then End(), or Fail()
// when the text will never be complete; the reader calls Take().
class TextChannel {
 public:
  // What the reader of abandoned text throws: not an Error, as nothing was wrong with a file.
  struct Abandoned : std::exception {
    const char* what() const noexcept override { return "the text was abandoned"; }
  };

  // `budget`, when given, counts what this channel holds; it may be shared with other channels.
  explicit TextChannel(std::shared_ptr<TextBudget> budget = nullptr) : budget_(std::move(budget)) {}
  ~TextChannel();
  TextChannel(const TextChannel&) = delete;
  TextChannel& operator=(const TextChannel&) = delete;

  // Never waits: a writer that must hold back asks the budget for room.
  void Write(std::string text);
  void End();
  // The reader gets what was written before, then `failure` is thrown at it.
  void Fail(std::exception_ptr failure);
  // The text will never be complete and what is unread is of no use: the reader's next Take()
  // throws Abandoned.
  void Abandon();

  // Waits for text and moves up to `capacity` bytes of it into `into`; 0 once the text has ended
  // and all of it was taken. While it waits, `yield` (when given) is called every 100 ms and may
  // throw. Throws the failure once everything before it was taken.
  size_t Take(char* into, size_t capacity, const std::function<void()>& yield = nullptr);

  const std::shared_ptr<TextBudget>& budget() const { return budget_; }

 private:
  void Drop();

  std::shared_ptr<TextBudget> budget_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> pieces_;  // written and not yet taken
  size_t front_taken_ = 0;          // bytes of the first piece already taken
  bool ended_ = false;
  std::exception_ptr failure_;
  bool abandoned_ = false;
};

// The lines of CR LF (or lone CR) text in a channel, read as LineReader reads a file's.
class ChannelLineReader final : public LineReader {
 public:
  // `name` names the text in errors; `yield` is given to Take().
  ChannelLineReader(std::shared_ptr<TextChannel> channel, std::string name,
                    std::function<void()> yield = nullptr)
      : LineReader(std::move(name), '\r'), channel_(std::move(channel)), yield_(std::move(yield)) {}

 private:
  size_t ReadBlock(char* into, size_t capacity) override {
    return channel_->Take(into, capacity, yield_);
  }

  std::shared_ptr<TextChannel> channel_;
  std::function<void()> yield_;
};

}  // namespace tabulon
