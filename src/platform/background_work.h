// Work that goes on beside the caller's own and is waited for when its holder goes: a run never
// ends with anything of it still running.
#pragma once

#include <functional>
#include <system_error>
#include <thread>
#include <utility>

namespace tabulon {

class BackgroundWork {
 public:
  BackgroundWork() = default;
  // Starts `work` on a thread of its own; where no thread can be had, does it at once.
  explicit BackgroundWork(std::function<void()> work) {
    try {
      thread_ = std::thread(work);
    } catch (const std::system_error&) {
      work();
    }
  }
  BackgroundWork(BackgroundWork&&) noexcept = default;
  BackgroundWork& operator=(BackgroundWork&& other) noexcept {
    Wait();
    thread_ = std::move(other.thread_);
    return *this;
  }
  ~BackgroundWork() { Wait(); }

  void Wait() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};

}  // namespace tabulon
