// Splits a log's text into the lines of its first part. A line is read whole, whatever its
// length, and ends at LF or CR LF (one line break either way). The first part ends at the
// end of the text, or at the first line that repeats the line just before it: the same
// characters and the same line break (a last line without a break differs from the same
// text with one).
#ifndef STIMFORGE_LOGFORMAT_LINE_READER_H_
#define STIMFORGE_LOGFORMAT_LINE_READER_H_

#include <cstddef>
#include <string_view>
#include <vector>

#include "logformat/log_source.h"

namespace stimforge {

class LineReader {
 public:
  enum class Result {
    kLine,   // `line` holds the next line
    kEnd,    // the first part has ended (end of text or a repeated line)
    kError,  // the source could not be read
  };

  // Reads `source` from where it stands; the source must outlive the reader. May throw
  // std::bad_alloc (the buffer, and its growth for long lines).
  explicit LineReader(LogSource& source);

  // Reads the next line. On kLine, `line` holds it without its line break; the view is
  // valid until the next call. After kEnd or kError every further call returns the same,
  // unless readPastFirstPart() is called.
  Result next(std::string_view& line);

  // From now on only the end of the text ends the lines: after a kEnd at a repeated line,
  // that line comes next, and so does every line after it. For what a log holds after its
  // first part.
  void readPastFirstPart();

 private:
  // Reads more of the source, keeping the previous line and the unread rest. Returns false
  // on a read error; sets atEnd_ when the source has no more.
  bool refill();

  LogSource& source_;
  std::vector<char> buffer_;
  size_t size_ = 0;      // bytes of buffer_ that hold text
  size_t position_ = 0;  // first byte not yet returned as a line
  size_t previousStart_ = 0;
  size_t previousLength_ = 0;
  bool previousHadBreak_ = false;
  bool atEnd_ = false;
  bool repeatEnds_ = true;     // a repeated line ends the first part
  bool endedAtRepeat_ = false;
  Result finished_ = Result::kLine;  // kEnd or kError once the first part has ended
};

}  // namespace stimforge

#endif  // STIMFORGE_LOGFORMAT_LINE_READER_H_
