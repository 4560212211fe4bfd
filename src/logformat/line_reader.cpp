#include "logformat/line_reader.h"

#include <cstdint>
#include <cstring>

namespace stimforge {
namespace {

constexpr size_t kChunkSize = 64 * 1024;

// Whether two texts of `length` bytes are the same. Neighbouring event lines often have the
// same length, and the same Subject and Trial at their start, but differ in the middle (in
// Code and Time): eight bytes there, compared in place, settle most of them without a call.
bool sameText(const char* a, const char* b, size_t length) {
  if (length >= 8) {
    const size_t middle = (length - 8) / 2;
    uint64_t x = 0;
    uint64_t y = 0;
    std::memcpy(&x, a + middle, sizeof x);
    std::memcpy(&y, b + middle, sizeof y);
    if (x != y)
      return false;
  }
  return length == 0 || std::memcmp(a, b, length) == 0;
}

}  // namespace

LineReader::LineReader(LogSource& source) : source_(source), buffer_(kChunkSize) {}

bool LineReader::refill() {
  // The previous line stays in the buffer, so that a repeat can be found without copying
  // every line aside.
  const size_t keep = previousStart_;
  if (keep > 0) {
    std::memmove(buffer_.data(), buffer_.data() + keep, size_ - keep);
    size_ -= keep;
    position_ -= keep;
    previousStart_ = 0;
  }
  if (size_ == buffer_.size())
    buffer_.resize(buffer_.size() * 2);  // a line longer than the buffer: read it whole
  size_t count = 0;
  if (!source_.read(buffer_.data() + size_, buffer_.size() - size_, count))
    return false;
  if (count == 0)
    atEnd_ = true;
  size_ += count;
  return true;
}

LineReader::Result LineReader::next(std::string_view& line) {
  if (finished_ != Result::kLine)
    return finished_;

  size_t scanned = position_;
  size_t lineEnd = 0;
  bool hadBreak = false;
  for (;;) {
    const void* found = std::memchr(buffer_.data() + scanned, '\n', size_ - scanned);
    if (found != nullptr) {
      lineEnd = static_cast<size_t>(static_cast<const char*>(found) - buffer_.data());
      hadBreak = true;
      break;
    }
    if (atEnd_) {
      if (position_ == size_) {
        finished_ = Result::kEnd;
        return finished_;
      }
      lineEnd = size_;  // a last line without a line break
      break;
    }
    const size_t scannedFromLine = size_ - position_;
    if (!refill()) {
      finished_ = Result::kError;
      return finished_;
    }
    scanned = position_ + scannedFromLine;
  }

  size_t length = lineEnd - position_;
  if (hadBreak && length > 0 && buffer_[lineEnd - 1] == '\r')
    --length;
  const char* start = buffer_.data() + position_;
  // The start state's previous line is empty and without a break, which no line read
  // equals: a line without a break is the text's last and never empty.
  if (repeatEnds_ && length == previousLength_ && hadBreak == previousHadBreak_ &&
      sameText(start, buffer_.data() + previousStart_, length)) {
    finished_ = Result::kEnd;
    endedAtRepeat_ = true;
    return finished_;
  }
  previousStart_ = position_;
  previousLength_ = length;
  previousHadBreak_ = hadBreak;
  position_ = hadBreak ? lineEnd + 1 : lineEnd;
  line = std::string_view(start, length);
  return Result::kLine;
}

void LineReader::readPastFirstPart() {
  repeatEnds_ = false;
  if (endedAtRepeat_) {
    endedAtRepeat_ = false;
    finished_ = Result::kLine;  // the repeated line was not taken: it is read next
  }
}

}  // namespace stimforge
