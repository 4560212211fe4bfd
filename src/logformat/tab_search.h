// Finding the tabs of a line, the work every reader of event lines does first. The line is
// looked at in blocks of up to 64 bytes, each as a bit per byte (the first byte lowest) for
// its tabs and another for its NUL bytes: sixteen bytes a compare with SSE2, which every
// x86-64 compiler has, one byte at a time elsewhere. Inline: it runs for every line.
#ifndef STIMFORGE_LOGFORMAT_TAB_SEARCH_H_
#define STIMFORGE_LOGFORMAT_TAB_SEARCH_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define SF_TAB_SEARCH_SSE2 1
#else
#define SF_TAB_SEARCH_SSE2 0
#endif
#if defined(_MSC_VER)
#include <intrin.h>
#endif

namespace stimforge {

// The number of the lowest set bit of `bits`. Requires: bits != 0.
inline unsigned lowestBit(uint64_t bits) {
#if defined(_MSC_VER) && defined(_M_X64)
  unsigned long bit = 0;
  _BitScanForward64(&bit, bits);
  return static_cast<unsigned>(bit);
#elif defined(__GNUC__) || defined(__clang__)
  return static_cast<unsigned>(__builtin_ctzll(bits));
#else
  unsigned bit = 0;
  for (; (bits & 1) == 0; bits >>= 1)
    ++bit;
  return bit;
#endif
}

// The tabs and NUL bytes of the block of `data` (a line of `size` bytes) that starts at
// `base` and holds its next min(64, size - base) bytes. Requires: base < size.
struct BlockBits {
  uint64_t tabs = 0;
  uint64_t nuls = 0;
  size_t count = 0;  // the bytes of the block
};

inline BlockBits blockBits(const char* data, size_t size, size_t base) {
  BlockBits block;
  block.count = size - base < 64 ? size - base : 64;
#if SF_TAB_SEARCH_SSE2
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i nul = _mm_setzero_si128();
  // The last `keep` of the sixteen bytes at `at`, as the bits from `shift` on.
  const auto add = [&](const char* at, unsigned keep, size_t shift) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const auto bits = [&](__m128i equal) {
      return uint64_t{static_cast<unsigned>(_mm_movemask_epi8(equal)) >> (16 - keep)} << shift;
    };
    block.tabs |= bits(_mm_cmpeq_epi8(bytes, tab));
    block.nuls |= bits(_mm_cmpeq_epi8(bytes, nul));
  };
  size_t done = 0;
  for (; block.count - done >= 16; done += 16)
    add(data + base + done, 16, done);
  if (done == block.count)
    return block;
  if (base + block.count >= 16) {
    // The sixteen bytes that end the block: those before it belong to the line too, and are
    // shifted out.
    add(data + base + block.count - 16, static_cast<unsigned>(block.count - done), done);
    return block;
  }
  for (size_t i = done; i < block.count; ++i) {
#else
  for (size_t i = 0; i < block.count; ++i) {
#endif
    block.tabs |= uint64_t{data[base + i] == '\t'} << i;
    block.nuls |= uint64_t{data[base + i] == '\0'} << i;
  }
  return block;
}

// Stores the positions of the tabs of line[from, end), up to `wanted` of them, in `tabs`
// (room for `wanted`) and returns how many it found: fewer only when the line has no more.
// Sets `mayHoldNul` when a NUL byte may stand before the last tab found (before the line's
// end when it found fewer); never clears it.
inline size_t findTabs(std::string_view line, size_t from, size_t* tabs, size_t wanted,
                       bool& mayHoldNul) {
  size_t found = 0;
  for (size_t base = from; base < line.size() && found < wanted; base += 64) {
    BlockBits block = blockBits(line.data(), line.size(), base);
    if (block.nuls != 0)
      mayHoldNul = true;
    for (; block.tabs != 0 && found < wanted; block.tabs &= block.tabs - 1)
      tabs[found++] = base + lowestBit(block.tabs);
  }
  return found;
}

// Walks the tabs of a line from its start, a block at a time, without a table of their
// positions.
class TabCursor {
 public:
  explicit TabCursor(std::string_view line) : line_(line) {}

  // The position of the next tab; false when the line has no more.
  bool next(size_t& tab) {
    while (bits_ == 0) {
      if (looked_ >= line_.size())
        return false;
      const BlockBits block = blockBits(line_.data(), line_.size(), looked_);
      start_ = looked_;
      bits_ = block.tabs;
      mayHoldNul_ = mayHoldNul_ || block.nuls != 0;
      looked_ += block.count;
    }
    tab = start_ + lowestBit(bits_);
    bits_ &= bits_ - 1;
    return true;
  }

  // Whether a NUL byte may stand among the bytes looked at so far: every byte up to the
  // last tab returned, or the whole line once next() has returned false.
  bool mayHoldNul() const { return mayHoldNul_; }

 private:
  std::string_view line_;
  size_t looked_ = 0;  // bytes looked at
  size_t start_ = 0;   // where the block of bits_ starts
  uint64_t bits_ = 0;  // the tabs of that block not yet returned
  bool mayHoldNul_ = false;
};

}  // namespace stimforge

#endif  // STIMFORGE_LOGFORMAT_TAB_SEARCH_H_
