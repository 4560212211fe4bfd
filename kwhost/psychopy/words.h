// Eight bytes at a time: the word tricks the CSV reader and the number parser share.
// Internal to kwhost/psychopy. Plain C++: no compiler built-ins, no intrinsics.
#ifndef STIMFORGE_KWHOST_PSYCHOPY_WORDS_H_
#define STIMFORGE_KWHOST_PSYCHOPY_WORDS_H_

#include <cstdint>
#include <cstring>

namespace stimforge::kwhost::words {

// Whether a word read with memcpy holds the first byte lowest, as on every machine kwhost
// is built for; the callers fall back to bytes otherwise.
inline bool littleEndian() {
  const uint16_t one = 1;
  unsigned char first = 0;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

inline uint64_t load(const char* p) {
  uint64_t word = 0;
  std::memcpy(&word, p, sizeof word);
  return word;
}

inline constexpr uint64_t repeat(unsigned char c) {
  return 0x0101010101010101ull * c;
}

// The top bit of each byte of `x` that is zero, and no other bit (exact, unlike the shorter
// form that may mark a byte after a zero one).
inline uint64_t zeroBytes(uint64_t x) {
  constexpr uint64_t kLow7 = repeat(0x7F);
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// The index of the lowest set bit of v != 0 (de Bruijn).
inline int lowestBit(uint64_t v) {
  static constexpr int kTable[64] = {0,  1,  48, 2,  57, 49, 28, 3,  61, 58, 50, 42, 38, 29, 17, 4,
                                     62, 55, 59, 36, 53, 51, 43, 22, 45, 39, 33, 30, 24, 18, 12, 5,
                                     63, 47, 56, 27, 60, 41, 37, 16, 54, 35, 52, 21, 44, 32, 23, 11,
                                     46, 26, 40, 15, 34, 20, 31, 10, 25, 14, 19, 9,  13, 8,  7,  6};
  return kTable[((v & (0 - v)) * 0x03F79D71B4CB0A89ull) >> 58];
}

// Whether all eight bytes of `word` are ASCII digits.
inline bool allDigits(uint64_t word) {
  constexpr uint64_t kHigh = repeat(0xF0);
  return ((word & kHigh) | (((word + repeat(0x06)) & kHigh) >> 4)) == repeat(0x33);
}

// The value of eight ASCII digits, the first the most significant, from a little-endian
// word; three multiplications instead of a chain of eight. Requires: eight digits.
inline uint32_t eightDigits(uint64_t word) {
  word -= repeat('0');
  word = word * 10 + (word >> 8);  // each even byte: the value of two digits
  word = (((word & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
          (((word >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
         32;
  return static_cast<uint32_t>(word);
}

}  // namespace stimforge::kwhost::words

#endif  // STIMFORGE_KWHOST_PSYCHOPY_WORDS_H_
