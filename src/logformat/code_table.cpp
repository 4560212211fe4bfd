#include "logformat/code_table.h"

#include <cstring>

namespace stimforge {
namespace {

// The bytes at `p` as a number: `size` of them (at most 8), the first the lowest.
uint64_t bytesAt(const char* p, size_t size) {
  uint64_t value = 0;
  for (size_t i = 0; i < size; ++i)
    value |= uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  return value;
}

// The last (at most) eight bytes of a code as a number, read at once where they can be:
// they overlap the words before them when the code is not a multiple of eight long.
uint64_t lastWord(std::string_view code) {
  uint64_t word = 0;
  if (code.size() >= 8) {
    std::memcpy(&word, code.data() + code.size() - 8, sizeof word);
    return word;
  }
  if (code.size() >= 4) {
    uint32_t first = 0;
    uint32_t last = 0;
    std::memcpy(&first, code.data(), sizeof first);
    std::memcpy(&last, code.data() + code.size() - 4, sizeof last);
    return (uint64_t{last} << 32) | first;
  }
  return bytesAt(code.data(), code.size());
}

// A hash of a code, eight bytes at a time (codes are short), the last word read whole.
uint64_t hashCode(std::string_view code) {
  uint64_t hash = 0x9E3779B97F4A7C15ULL ^ code.size();
  for (size_t i = 0; i + 8 < code.size(); i += 8) {
    uint64_t word = 0;
    std::memcpy(&word, code.data() + i, sizeof word);
    hash = (hash ^ word) * 0xBF58476D1CE4E5B9ULL;
    hash ^= hash >> 31;
  }
  hash = (hash ^ lastWord(code)) * 0x94D049BB133111EBULL;
  return hash ^ (hash >> 29);
}

// Whether two texts are the same; inline for the short ones, which codes are.
bool sameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  if (a.size() > 16)
    return std::memcmp(a.data(), b.data(), a.size()) == 0;
  if (a.size() > 8) {
    uint64_t a0 = 0;
    uint64_t b0 = 0;
    std::memcpy(&a0, a.data(), sizeof a0);
    std::memcpy(&b0, b.data(), sizeof b0);
    return a0 == b0 && lastWord(a) == lastWord(b);
  }
  return lastWord(a) == lastWord(b);
}

}  // namespace

size_t CodeTable::slotOf(std::string_view code, uint64_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t slot = static_cast<size_t>(hash) & mask;; slot = (slot + 1) & mask) {
    const uint32_t entry = slots_[slot];
    if (entry == 0)
      return slot;
    if (hashes_[entry - 1] == hash && sameText(views_[entry - 1], code))
      return slot;
  }
}

void CodeTable::grow() {
  std::vector<uint32_t> larger(slots_.empty() ? 64 : slots_.size() * 2, 0);
  slots_.swap(larger);
  for (uint32_t index = 0; index < codes_.size(); ++index)
    slots_[slotOf(codes_[index], hashes_[index])] = index + 1;
}

uint32_t CodeTable::addLookedUp(std::string_view code, const Key& key) {
  Recent& recent = recent_[key.slot];
  const auto remember = [&](uint32_t index) {
    recent.head = key.head;
    recent.tail = key.tail;
    recent.size = code.size();
    recent.index = index + 1;
    return index;
  };
  if (slots_.empty())
    grow();
  const uint64_t hash = hashCode(code);
  size_t slot = slotOf(code, hash);
  if (slots_[slot] != 0)
    return remember(slots_[slot] - 1);
  // Kept at most a quarter full, so that a look-up seldom goes past its first slot.
  if ((codes_.size() + 1) * 4 > slots_.size()) {
    grow();
    slot = slotOf(code, hash);
  }
  // What may fail is done before the new code is entered anywhere.
  hashes_.reserve(codes_.size() + 1);
  views_.reserve(codes_.size() + 1);
  codes_.emplace_back(code);
  const uint32_t index = static_cast<uint32_t>(codes_.size() - 1);
  hashes_.push_back(hash);
  views_.push_back(codes_.back());
  slots_[slot] = index + 1;
  return remember(index);
}

}  // namespace stimforge
