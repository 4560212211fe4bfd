#include "standin/log_pane.h"

#include <ostream>

#include "standin/text_codec.h"

namespace stimforge::standin {
namespace {

// Large enough that the streams see few, large writes; small enough to stay in cache.
constexpr size_t kDeliverySize = 64 * 1024;

}  // namespace

LogPane::LogPane(std::ostream& screen, std::ostream* raw) : screen_(screen), raw_(raw) {}

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
  appendRenderedMarkup(screenLines_, text);
  screenLines_ += '\n';
  if (raw_ != nullptr) {
    appendEscapedLine(rawLines_, text);
    rawLines_ += '\n';
  }
  if (screenLines_.size() >= kDeliverySize || rawLines_.size() >= kDeliverySize)
    deliver();
}

void LogPane::deliver() {
  if (!screenLines_.empty()) {
    screen_.write(screenLines_.data(), static_cast<std::streamsize>(screenLines_.size()));
    screenLines_.clear();
  }
  if (raw_ != nullptr && !rawLines_.empty()) {
    raw_->write(rawLines_.data(), static_cast<std::streamsize>(rawLines_.size()));
    rawLines_.clear();
  }
}

void LogPane::flush() {
  deliver();
  screen_.flush();
  if (raw_ != nullptr)
    raw_->flush();
}

}  // namespace stimforge::standin
