// Work on a thread of its own that hands what it throws to whoever waits for it, and that is
// asked to stop and waited for when its holder goes: nothing of it outlives its owner, and a
// failure in it is the owner's to report, never the end of the program.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <stop_token>
#include <system_error>
#include <thread>
#include <utility>

namespace tabulon {

class Task {
 public:
  // No work: waiting returns at once.
  Task() = default;
  // Starts `work` on a thread of its own; the token tells it that its holder asked it to stop.
  // Throws std::system_error when no thread can be had.
  explicit Task(std::function<void(std::stop_token)> work) : failure_(new std::exception_ptr) {
    thread_ =
        std::jthread([failure = failure_.get(), work = std::move(work)](std::stop_token stop) {
          try {
            work(std::move(stop));
          } catch (...) {
            *failure = std::current_exception();
          }
        });
  }
  // Like the constructor, for work that must be done either way: where no thread can be had, it
  // is done at once on the calling thread, and what it throws is held all the same.
  static Task StartOrDoNow(std::function<void(std::stop_token)> work) {
    try {
      return Task(work);
    } catch (const std::system_error&) {
      Task done;
      done.failure_ = std::make_unique<std::exception_ptr>();
      try {
        work(std::stop_token());
      } catch (...) {
        *done.failure_ = std::current_exception();
      }
      return done;
    }
  }

  Task(Task&&) noexcept = default;
  Task& operator=(Task&& other) noexcept {
    End();
    thread_ = std::move(other.thread_);
    failure_ = std::move(other.failure_);
    return *this;
  }
  // Asks the work to stop and waits for it; what it threw is dropped: Wait() first to hear it.
  ~Task() { End(); }

  // Asks the work to stop; it ends at its next look at its token.
  void RequestStop() { thread_.request_stop(); }
  // Waits for the work to end, then throws what it threw, once.
  void Wait() {
    if (thread_.joinable()) thread_.join();
    if (failure_ && *failure_) std::rethrow_exception(std::exchange(*failure_, nullptr));
  }

 private:
  void End() noexcept {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
  }

  // Where the thread puts what the work threw: on the heap, so that it stays put when the task
  // is moved. Declared before the thread, which therefore ends before it goes.
  std::unique_ptr<std::exception_ptr> failure_;
  std::jthread thread_;
};

}  // namespace tabulon
