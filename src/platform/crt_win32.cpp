// memchr, memcpy and memmove for the Windows build, in place of the C runtime's for the whole
// program, the standard C++ library included. Every line of every dat, ini file and -listxml goes
// through memchr (the line reader's search for CR, std::string::find) and is copied a few times
// (expat's buffer, the skimmer's output, the record list), and Wine's C runtime searches one byte
// at a time and copies with string instructions: a third of a large run went there. These work
// 16 bytes at a time with SSE2, which every x86-64 processor has, as the C libraries of Linux and
// of Windows itself do.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

namespace {

__m128i Load(const unsigned char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
void Store(unsigned char* at, __m128i value) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(at), value);
}

}  // namespace

extern "C" void* memchr(const void* start, int value, size_t size) {
  const auto* p = static_cast<const unsigned char*>(start);
  const auto byte = static_cast<unsigned char>(value);
  // Byte by byte up to a 16-byte boundary, so that no block read crosses into another page.
  while (size > 0 && (reinterpret_cast<uintptr_t>(p) & 15) != 0) {
    if (*p == byte) return const_cast<unsigned char*>(p);
    ++p;
    --size;
  }
  const __m128i wanted = _mm_set1_epi8(static_cast<char>(byte));
  auto match = [&wanted](const unsigned char* at) {
    return _mm_cmpeq_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(at)), wanted);
  };
  // Long lines: one test for 64 bytes; the 16-byte steps below then find the place.
  for (; size >= 64; p += 64, size -= 64) {
    const __m128i any = _mm_or_si128(_mm_or_si128(match(p), match(p + 16)),
                                     _mm_or_si128(match(p + 32), match(p + 48)));
    if (_mm_movemask_epi8(any) != 0) break;
  }
  for (; size >= 16; p += 16, size -= 16) {
    const int found = _mm_movemask_epi8(match(p));
    if (found != 0) return const_cast<unsigned char*>(p + __builtin_ctz(found));
  }
  for (; size > 0; ++p, --size) {
    if (*p == byte) return const_cast<unsigned char*>(p);
  }
  return nullptr;
}

// Each step loads before it stores, so overlapping ranges copy right: forward when the target lies
// before the source, backward when after.
extern "C" void* memmove(void* target, const void* source, size_t size) {
  auto* to = static_cast<unsigned char*>(target);
  const auto* from = static_cast<const unsigned char*>(source);
  if (to == from || size == 0) return target;
  if (size < 16) {
    unsigned char bytes[16];
    for (size_t i = 0; i < size; ++i) bytes[i] = from[i];
    for (size_t i = 0; i < size; ++i) to[i] = bytes[i];
    return target;
  }
  // The last 16 bytes (or the first, going backward) are loaded first and stored last, which
  // covers the remainder of the 16-byte steps without a byte loop.
  if (to < from) {
    const __m128i last = Load(from + size - 16);
    unsigned char* const end = to + size - 16;
    for (; size >= 64; to += 64, from += 64, size -= 64) {
      const __m128i a = Load(from), b = Load(from + 16), c = Load(from + 32), d = Load(from + 48);
      Store(to, a);
      Store(to + 16, b);
      Store(to + 32, c);
      Store(to + 48, d);
    }
    for (; size > 16; to += 16, from += 16, size -= 16) Store(to, Load(from));
    Store(end, last);
  } else {
    const __m128i first = Load(from);
    unsigned char* const begin = to;
    for (; size >= 64; size -= 64) {
      const __m128i a = Load(from + size - 16), b = Load(from + size - 32),
                    c = Load(from + size - 48), d = Load(from + size - 64);
      Store(to + size - 16, a);
      Store(to + size - 32, b);
      Store(to + size - 48, c);
      Store(to + size - 64, d);
    }
    for (; size > 16; size -= 16) Store(to + size - 16, Load(from + size - 16));
    Store(begin, first);
  }
  return target;
}

extern "C" void* memcpy(void* target, const void* source, size_t size) {
  return memmove(target, source, size);
}
