// memchr and memmove over every alignment, length and overlap a few blocks of SSE2 can meet: the
// Windows build brings its own (src/platform/crt_win32.cpp), which everything else relies on.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

namespace {

TEST(MemoryTest, MemchrFindsTheFirstByte) {
  std::vector<unsigned char> buffer(300);
  for (size_t start = 0; start < 17; ++start) {
    for (size_t size = 0; size < 200; size += (size < 70 ? 1 : 13)) {
      for (size_t at = 0; at <= size; ++at) {  // at == size: not there
        std::fill(buffer.begin(), buffer.end(), 'a');
        if (at < size) buffer[start + at] = 'x';
        if (at + 1 < size) buffer[start + at + 1] = 'x';
        buffer[start + size] = 'x';  // just past the end: never found
        const void* found = std::memchr(buffer.data() + start, 'x', size);
        ASSERT_EQ(found, at < size ? buffer.data() + start + at : nullptr)
            << start << " " << size << " " << at;
      }
    }
  }
}

TEST(MemoryTest, MemmoveCopiesOverlappingRanges) {
  for (size_t size = 0; size < 200; size += (size < 70 ? 1 : 7)) {
    for (int shift = -70; shift <= 70; shift += (shift > -20 && shift < 20 ? 1 : 9)) {
      std::vector<unsigned char> buffer(size + 160);
      std::iota(buffer.begin(), buffer.end(), 0);
      std::vector<unsigned char> expected = buffer;
      const size_t from = 75, to = static_cast<size_t>(75 + shift);
      for (size_t i = 0; i < size; ++i) expected[to + i] = buffer[from + i];
      std::memmove(buffer.data() + to, buffer.data() + from, size);
      ASSERT_EQ(buffer, expected) << size << " " << shift;
    }
  }
}

}  // namespace
