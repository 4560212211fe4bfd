#include "logformat/code_table.h"

#include <cstring>

namespace stimforge {
namespace {

// A hash of a code, eight bytes at a time (codes are short).
uint64_t hashCode(std::string_view code) {
  uint64_t hash = 0x9E3779B97F4A7C15ULL ^ code.size();
  size_t i = 0;
  for (; code.size() - i >= 8; i += 8) {
    uint64_t word = 0;
    std::memcpy(&word, code.data() + i, sizeof word);
    hash = (hash ^ word) * 0xBF58476D1CE4E5B9ULL;
    hash ^= hash >> 31;
  }
  uint64_t tail = 0;
  for (size_t shift = 0; i < code.size(); ++i, shift += 8)
    tail |= uint64_t{static_cast<unsigned char>(code[i])} << shift;
  hash = (hash ^ tail) * 0x94D049BB133111EBULL;
  return hash ^ (hash >> 29);
}

}  // namespace

size_t CodeTable::slotOf(std::string_view code, uint64_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t slot = static_cast<size_t>(hash) & mask;; slot = (slot + 1) & mask) {
    const uint32_t entry = slots_[slot];
    if (entry == 0)
      return slot;
    if (hashes_[entry - 1] == hash && views_[entry - 1] == code)
      return slot;
  }
}

void CodeTable::grow() {
  std::vector<uint32_t> larger(slots_.empty() ? 64 : slots_.size() * 2, 0);
  slots_.swap(larger);
  for (uint32_t index = 0; index < codes_.size(); ++index)
    slots_[slotOf(codes_[index], hashes_[index])] = index + 1;
}

uint32_t CodeTable::add(std::string_view code) {
  if (slots_.empty())
    grow();
  const uint64_t hash = hashCode(code);
  size_t slot = slotOf(code, hash);
  if (slots_[slot] != 0)
    return slots_[slot] - 1;
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
  return index;
}

}  // namespace stimforge
