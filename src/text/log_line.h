// One line for the host's log, built in a fixed buffer without format parsing: the reader
// writes a line for every event, so this is on its hot path. Text past the buffer's end is
// dropped (the buffers are sized so that the lines written never reach it); the line is
// always NUL-terminated.
#ifndef STIMFORGE_TEXT_LOG_LINE_H_
#define STIMFORGE_TEXT_LOG_LINE_H_

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace stimforge {

class LogLine {
 public:
  LogLine() { text_[0] = '\0'; }

  // Appends characters as they stand. Inline: a line is built from a handful of short
  // pieces, most of them literals.
  LogLine& text(std::string_view characters) {
    const size_t room = kCapacity - 1 - length_;
    // The usual case copies the whole piece: for a literal, a copy of a known size, which
    // the compiler makes a move or two.
    if (characters.size() <= room) {
      if (!characters.empty())  // an empty view may hold no pointer
        std::memcpy(text_ + length_, characters.data(), characters.size());
      length_ += characters.size();
    } else {
      std::memcpy(text_ + length_, characters.data(), room);
      length_ += room;
    }
    text_[length_] = '\0';
    return *this;
  }
  // Appends a whole number in decimal, as "%d" or "%lld" writes it. A template, so that
  // 32-bit values take the cheaper 32-bit conversion.
  template <typename Integer>
  LogLine& number(Integer value) {
    static_assert(std::is_integral_v<Integer> && sizeof(Integer) <= 8, "a whole number");
    char* const at = text_ + length_;
    if (kCapacity - 1 - length_ >= kLongestNumber) {
      length_ = static_cast<size_t>(std::to_chars(at, at + kLongestNumber, value).ptr - text_);
      text_[length_] = '\0';
      return *this;
    }
    char digits[kLongestNumber];
    const char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return text(std::string_view(digits, static_cast<size_t>(end - digits)));
  }
  // Appends a value rounded to a whole number, right-aligned in at least `width`
  // characters, as "%*.0f" writes it ("inf" and "nan" included).
  LogLine& rounded(double value, int width);

  const char* c_str() const { return text_; }
  size_t size() const { return length_; }

 private:
  static constexpr size_t kCapacity = 1024;
  static constexpr size_t kLongestNumber = 20;  // "-9223372036854775808"
  char text_[kCapacity];
  size_t length_ = 0;
};

}  // namespace stimforge

#endif  // STIMFORGE_TEXT_LOG_LINE_H_
