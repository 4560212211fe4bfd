// A table of the distinct codes of a log.
#ifndef STIMFORGE_LOGFORMAT_CODE_TABLE_H_
#define STIMFORGE_LOGFORMAT_CODE_TABLE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace stimforge {

// The distinct codes of a log, each stored once, in the order they were first added.
// Move-only: the look-up refers to the stored texts, which a move keeps in place.
class CodeTable {
 public:
  CodeTable() = default;
  CodeTable(CodeTable&&) = default;
  CodeTable& operator=(CodeTable&&) = default;
  CodeTable(const CodeTable&) = delete;
  CodeTable& operator=(const CodeTable&) = delete;

  // The index of `code`, added at the end when it is new. May throw std::bad_alloc.
  // Inline: every selected event adds its code, and most codes come again soon.
  uint32_t add(std::string_view code) {
    const Key key = keyOf(code);
    const Recent& recent = recent_[key.slot];
    if (recent.index != 0 && recent.head == key.head && recent.tail == key.tail &&
        recent.size == code.size() &&
        (code.size() <= kKeyed || views_[recent.index - 1] == code)) {
      return recent.index - 1;
    }
    return addLookedUp(code, key);
  }

  const std::string& operator[](uint32_t index) const { return codes_[index]; }
  size_t size() const { return codes_.size(); }

 private:
  // An open-addressing table of code indices plus one (0 is a free slot), its size a power
  // of two kept at least four times the number of codes: every selected event looks its
  // code up here, so this is cheaper than a general map.
  size_t slotOf(std::string_view code, uint64_t hash) const;
  void grow();

  // A front cache of the codes looked up last, indexed by a hash of their key: a code of
  // at most kKeyed bytes is told by its key alone, a longer one is compared whole. A log
  // names few codes, most of them again and again, and this spares them the full look-up.
  static constexpr size_t kRecent = 256;
  static constexpr size_t kKeyed = 16;
  struct Key {
    uint64_t head = 0;  // the first bytes (eight, or the code when shorter)
    uint64_t tail = 0;  // the last eight bytes of a code longer than eight
    size_t slot = 0;    // in recent_
  };
  struct Recent {
    uint64_t head = 0;
    uint64_t tail = 0;
    size_t size = 0;
    uint32_t index = 0;  // plus one; 0 when empty
  };
  static uint64_t bytesAt(const char* at, size_t count) {
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i)
      value |= uint64_t{static_cast<unsigned char>(at[i])} << (8 * i);
    return value;
  }
  static uint64_t wordAt(const char* at) {
    uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    return word;
  }
  static Key keyOf(std::string_view code) {
    Key key;
    const size_t size = code.size();
    if (size >= 8) {
      key.head = wordAt(code.data());
      key.tail = size > 8 ? wordAt(code.data() + size - 8) : 0;
    } else if (size >= 4) {
      // Two overlapping halves: together with the size they tell the code.
      uint32_t first = 0;
      uint32_t last = 0;
      std::memcpy(&first, code.data(), sizeof first);
      std::memcpy(&last, code.data() + size - 4, sizeof last);
      key.head = (uint64_t{last} << 32) | first;
    } else {
      key.head = bytesAt(code.data(), size);
    }
    const uint64_t mixed = (key.head ^ (key.tail * 0x9E3779B97F4A7C15ULL) ^ size) *
                           0xBF58476D1CE4E5B9ULL;
    key.slot = static_cast<size_t>(mixed >> 56);  // kRecent slots
    return key;
  }
  uint32_t addLookedUp(std::string_view code, const Key& key);
  std::array<Recent, kRecent> recent_{};

  std::deque<std::string> codes_;
  std::vector<uint64_t> hashes_;         // of codes_[i]
  std::vector<std::string_view> views_;  // of codes_[i], which a deque keeps in place
  std::vector<uint32_t> slots_;
};

}  // namespace stimforge

#endif  // STIMFORGE_LOGFORMAT_CODE_TABLE_H_
