// Text split into lines, as every kwhost reader of its own and its users' text files does
// (protocol files, event maps, events tables, answer files).
#ifndef STIMFORGE_KWHOST_COMMON_LINES_H_
#define STIMFORGE_KWHOST_COMMON_LINES_H_

#include <cstddef>
#include <string_view>

namespace stimforge::kwhost {

// Hands out the lines of a text one at a time: split at each LF, the LF and a CR just before
// it not part of the line. A last line without an LF is a line; an LF at the very end starts
// none. The text must outlive the splitter and the lines it gives.
class LineSplitter {
 public:
  explicit LineSplitter(std::string_view text) : text_(text) {}

  // The next line in `line`; false, `line` unchanged, when the text is used up.
  bool next(std::string_view& line) {
    if (pos_ >= text_.size())
      return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos)
      end = text_.size();
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    ++lineNumber_;
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);  // a Windows line end
    return true;
  }

  // The number of the line `next` gave last, counted from 1 (0 before the first).
  size_t lineNumber() const { return lineNumber_; }
  // Where the text after the line `next` gave last begins.
  size_t position() const { return pos_ < text_.size() ? pos_ : text_.size(); }
  // Goes back to `position`, a value position() gave, as the line `lineNumber` ended there.
  void restart(size_t position, size_t lineNumber) {
    pos_ = position;
    lineNumber_ = lineNumber;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  size_t lineNumber_ = 0;
};

// The first line of `text` by the rule above ("" for an empty text).
inline std::string_view firstLineOfText(std::string_view text) {
  std::string_view line;
  LineSplitter(text).next(line);
  return line;
}

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_COMMON_LINES_H_
