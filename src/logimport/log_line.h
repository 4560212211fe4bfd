// One line for the host's log, built in a fixed buffer without format parsing: the reader
// writes a line for every event, so this is on its hot path. Text past the buffer's end is
// dropped (the buffers are sized so that the lines written never reach it); the line is
// always NUL-terminated.
#ifndef STIMFORGE_LOGIMPORT_LOG_LINE_H_
#define STIMFORGE_LOGIMPORT_LOG_LINE_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace stimforge {

class LogLine {
 public:
  LogLine() { text_[0] = '\0'; }

  // Appends characters as they stand.
  LogLine& text(std::string_view characters);
  // Appends a whole number in decimal, as "%lld" writes it.
  LogLine& number(long long value);
  // Appends a value rounded to a whole number, right-aligned in at least `width`
  // characters, as "%*.0f" writes it ("inf" and "nan" included).
  LogLine& rounded(double value, int width);

  const char* c_str() const { return text_; }
  size_t size() const { return length_; }

 private:
  static constexpr size_t kCapacity = 1024;
  char text_[kCapacity];
  size_t length_ = 0;
};

}  // namespace stimforge

#endif  // STIMFORGE_LOGIMPORT_LOG_LINE_H_
