#include "standin/log_pane.h"

#include <ostream>
#include <string_view>

#include "standin/text_codec.h"

namespace stimforge::standin {

LogPane::LogPane(std::ostream& screen, std::ostream* raw) : screen_(screen), raw_(raw) {}

void LogPane::logText(const char* text) {
  const std::string_view view = text == nullptr ? std::string_view() : std::string_view(text);
  line_.clear();
  appendRenderedMarkup(line_, view);
  line_ += '\n';
  screen_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
  if (raw_ != nullptr) {
    line_.clear();
    appendEscapedLine(line_, view);
    line_ += '\n';
    raw_->write(line_.data(), static_cast<std::streamsize>(line_.size()));
  }
}

void LogPane::flush() {
  screen_.flush();
  if (raw_ != nullptr)
    raw_->flush();
}

}  // namespace stimforge::standin
