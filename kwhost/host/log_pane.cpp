#include "kwhost/host/log_pane.h"

#include <cstring>
#include <ostream>

#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

// Large enough that the streams see few, large writes; small enough to stay in cache.
constexpr size_t kDeliverySize = 64 * 1024;

}  // namespace

LogPane::Pending::Pending(std::ostream& stream) : stream_(stream) {}

void LogPane::Pending::add(std::string_view line) {
  if (line.size() + 1 > buffer_.size() - used_) {
    deliver();
    if (buffer_.empty())
      buffer_.resize(kDeliverySize);  // only a pane that logs gets its buffer
    if (line.size() + 1 > buffer_.size()) {
      stream_.write(line.data(), static_cast<std::streamsize>(line.size()));
      stream_.put('\n');
      return;
    }
  }
  char* const at = &buffer_[used_];
  if (!line.empty())
    std::memcpy(at, line.data(), line.size());
  at[line.size()] = '\n';
  used_ += line.size() + 1;
}

void LogPane::Pending::deliver() {
  if (used_ > 0)
    stream_.write(buffer_.data(), static_cast<std::streamsize>(used_));
  used_ = 0;
}

LogPane::LogPane(std::ostream& screen, std::ostream* raw)
    : screen_(screen),
      raw_(raw == nullptr ? nullptr : &rawPending_),
      rawPending_(raw == nullptr ? screen : *raw),
      screenStream_(screen),
      rawStream_(raw) {}

LogPane::~LogPane() {
  try {
    deliver();
  } catch (...) {
    // A stream that throws on a destructor's path: the lines are lost, as on a full disk.
  }
}

void LogPane::logText(const char* text) {
  logText(text == nullptr ? std::string_view() : std::string_view(text));
}

void LogPane::logText(std::string_view text) {
  // Most lines hold no mark-up and go to the screen as they stand. (memchr is the
  // library's vectorised search; string_view::find may become a byte loop.)
  if (!screenShown_) {
    // --quiet: the raw log alone.
  } else if (text.empty() || std::memchr(text.data(), '<', text.size()) == nullptr) {
    screen_.add(text);
  } else {
    scratch_.clear();
    appendRenderedMarkup(scratch_, text);
    screen_.add(scratch_);
  }
  if (raw_ != nullptr) {
    scratch_.clear();
    appendEscapedLine(scratch_, text);
    raw_->add(scratch_);
  }
}

void LogPane::deliver() {
  screen_.deliver();
  if (raw_ != nullptr)
    raw_->deliver();
}

void LogPane::flush() {
  deliver();
  screenStream_.flush();
  if (rawStream_ != nullptr)
    rawStream_->flush();
}

}  // namespace stimforge::kwhost
