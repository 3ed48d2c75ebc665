// The one hand-over of text between threads.
#include "platform/text_channel.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace tabulon {

bool TextBudget::WaitForRoom(const std::stop_token& stop) {
  // Not condition_variable_any's wait with a stop token: with MinGW's threads it can miss the
  // stop's wake-up and wait for ever. The callback takes the lock before it wakes the waiter, so
  // the waiter has either not yet looked at the token or is already waiting.
  std::stop_callback wake(stop, [this] {
    { std::lock_guard<std::mutex> lock(mutex_); }
    changed_.notify_all();
  });
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return stop.stop_requested() || closed_ || held_ <= limit_; });
  return !stop.stop_requested();
}

void TextBudget::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

size_t TextBudget::most_held() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return most_held_;
}

void TextBudget::Held(long long change) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = static_cast<size_t>(static_cast<long long>(held_) + change);
    most_held_ = std::max(most_held_, held_);
  }
  if (change < 0) changed_.notify_all();
}

TextChannel::~TextChannel() { Drop(); }

// Lets go of the text not yet taken. Called with the lock held, or when no other thread is left.
void TextChannel::Drop() {
  size_t left = 0;
  for (const std::string& piece : pieces_) left += piece.size();
  if (budget_ && left != 0) budget_->Held(-static_cast<long long>(left - front_taken_));
  pieces_.clear();
  front_taken_ = 0;
}

void TextChannel::Write(std::string text) {
  if (text.empty()) return;
  {
    // Counted under the channel's lock, so that the reader can never take it off first.
    std::lock_guard<std::mutex> lock(mutex_);
    if (budget_) budget_->Held(static_cast<long long>(text.size()));
    pieces_.push_back(std::move(text));
  }
  changed_.notify_one();
}

void TextChannel::End() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
  }
  changed_.notify_one();
}

void TextChannel::Fail(std::exception_ptr failure) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failure_) failure_ = std::move(failure);
  }
  changed_.notify_one();
}

void TextChannel::Abandon() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
    Drop();
  }
  changed_.notify_one();
}

size_t TextChannel::Take(char* into, size_t capacity, const std::function<void()>& yield) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto ready = [this] { return !pieces_.empty() || ended_ || failure_ || abandoned_; };
  while (!changed_.wait_for(lock, std::chrono::milliseconds(100), ready)) {
    if (!yield) continue;
    lock.unlock();
    yield();
    lock.lock();
  }
  if (abandoned_) throw Abandoned();
  if (pieces_.empty()) {
    if (failure_) std::rethrow_exception(failure_);
    return 0;
  }
  // Text is freed piece by piece as it is read, so the channel holds only what waits unread.
  const std::string& front = pieces_.front();
  const size_t n = std::min(capacity, front.size() - front_taken_);
  std::memcpy(into, front.data() + front_taken_, n);
  front_taken_ += n;
  if (front_taken_ == front.size()) {
    pieces_.pop_front();
    front_taken_ = 0;
  }
  if (budget_) budget_->Held(-static_cast<long long>(n));
  return n;
}

}  // namespace tabulon
