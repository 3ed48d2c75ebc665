// String helpers shared by every reader and writer.
#include "platform/strings.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace tabulon {
namespace {

// Blocks start small, so an arena that keeps a few strings stays small, and grow to a size that
// makes their count no matter.
constexpr size_t kFirstBlockSize = size_t{1} << 12;
constexpr size_t kLargestBlockSize = size_t{1} << 20;

unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace

std::string_view TrimSpaces(std::string_view text) {
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(' ');
  return text.substr(begin, end - begin + 1);
}

size_t InStr(std::string_view text, std::string_view needle) {
  size_t pos = text.find(needle);
  return pos == std::string_view::npos ? 0 : pos + 1;
}

std::string_view Mid(std::string_view text, size_t start, size_t length) {
  if (start == 0) start = 1;
  if (start > text.size()) return {};
  return text.substr(start - 1, length);
}

std::string_view Left(std::string_view text, size_t length) { return text.substr(0, length); }

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
  }
  return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  while (true) {
    size_t pos = text.find(separator, start);
    if (pos == std::string_view::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, pos - start));
    start = pos + 1;
  }
}

int CompareNoCase(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  // Sorting the master list compares long records that share their first bytes more often than
  // not, so equal stretches are passed over eight bytes at a time before any byte is folded.
  size_t i = 0;
  for (; i + sizeof(uint64_t) <= n; i += sizeof(uint64_t)) {
    uint64_t wa, wb;
    std::memcpy(&wa, a.data() + i, sizeof wa);
    std::memcpy(&wb, b.data() + i, sizeof wb);
    if (wa != wb) break;
  }
  for (; i < n; ++i) {
    if (a[i] == b[i]) continue;
    unsigned char ca = FoldAscii(static_cast<unsigned char>(a[i]));
    unsigned char cb = FoldAscii(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

std::string_view StringArena::Keep(std::string_view text) {
  if (text.empty()) return {};
  if (text.size() > free_size_) {
    const size_t block = next_block_size_ == 0 ? kFirstBlockSize : next_block_size_;
    next_block_size_ = std::min(2 * block, kLargestBlockSize);
    const size_t size = std::max(block, text.size());
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    free_ = blocks_.back().get();
    free_size_ = size;
  }
  char* copy = free_;
  std::memcpy(copy, text.data(), text.size());
  free_ += text.size();
  free_size_ -= text.size();
  return std::string_view(copy, text.size());
}

void StringArena::Clear() {
  blocks_.clear();
  free_ = nullptr;
  free_size_ = 0;
  next_block_size_ = 0;
}

}  // namespace tabulon
