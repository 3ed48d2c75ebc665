// An exclusive lock on a lock file, against other processes and against other FileLocks of the
// same process: flock on POSIX systems, LockFileEx on Windows (files_posix.cpp, files_win32.cpp).
// The system drops it with the process that holds it, so a killed run never leaves a folder
// locked; the file itself may stay behind, as only the lock counts.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace tabulon {

class FileLock {
 public:
  enum class Result { kLocked, kBusy, kFailed };

  FileLock() = default;
  ~FileLock() { Unlock(); }
  FileLock(FileLock&& other) noexcept : handle_(std::exchange(other.handle_, kNone)) {}
  FileLock& operator=(FileLock&& other) noexcept {
    if (this != &other) {
      Unlock();
      handle_ = std::exchange(other.handle_, kNone);
    }
    return *this;
  }

  // Locks `path`, made when missing, without waiting: kBusy when another holder has it, kFailed
  // with the reason in `error` when the file cannot be made, opened or locked.
  Result TryLock(const std::string& path, std::string* error);
  void Unlock();
  bool locked() const { return handle_ != kNone; }

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;
};

}  // namespace tabulon
