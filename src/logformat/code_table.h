// A table of the distinct codes of a log.
#ifndef STIMFORGE_LOGFORMAT_CODE_TABLE_H_
#define STIMFORGE_LOGFORMAT_CODE_TABLE_H_

#include <array>
#include <cstddef>
#include <cstdint>
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
  uint32_t add(std::string_view code);

  const std::string& operator[](uint32_t index) const { return codes_[index]; }
  size_t size() const { return codes_.size(); }

 private:
  // An open-addressing table of code indices plus one (0 is a free slot), its size a power
  // of two kept at least four times the number of codes: every selected event looks its
  // code up here, so this is cheaper than a general map.
  size_t slotOf(std::string_view code, uint64_t hash) const;
  void grow();

  // A front cache of the codes looked up last, indexed by a cheap hash of a code's length
  // and its first and last bytes: index plus one, 0 when empty. A log names few codes,
  // most of them again and again, and this spares them the full hash.
  static constexpr size_t kRecent = 64;
  static size_t recentSlotOf(std::string_view code);
  std::array<uint32_t, kRecent> recent_{};

  std::deque<std::string> codes_;
  std::vector<uint64_t> hashes_;         // of codes_[i]
  std::vector<std::string_view> views_;  // of codes_[i], which a deque keeps in place
  std::vector<uint32_t> slots_;
};

}  // namespace stimforge

#endif  // STIMFORGE_LOGFORMAT_CODE_TABLE_H_
