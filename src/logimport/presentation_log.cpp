#include "logimport/presentation_log.h"

#include <cstdint>
#include <limits>
#include <utility>

#include "host/host_api.h"
#include "logimport/event_fields.h"
#include "logimport/line_reader.h"
#include "logimport/log_line.h"
#include "text/text_helpers.h"

namespace stimforge {
namespace {

// A log whose lines or events cannot be counted in 32 bits is refused as unreadable, so
// that no count the log reports wraps around.
constexpr int64_t kMaxCount = std::numeric_limits<int32_t>::max();

struct ReadFailure {};

bool isSelectedType(std::string_view eventType, bool pictureOnly) {
  if (eventType == "Picture")
    return true;
  if (pictureOnly)
    return false;
  return eventType == "Sound" || eventType == "Video" || eventType == "Response";
}

// Reads an event line and decides whether it is selected; `time` and `duration` are set
// for a selected one. Both passes decide through this alone, from the line alone, so they
// select the same events.
bool selectEvent(std::string_view line, bool hasSubjectColumn, bool pictureOnly,
                 EventFields& fields, bool& isEvent, double& time, double& duration) {
  isEvent = readLeadingFields(line, hasSubjectColumn, fields);
  if (!isEvent || !isSelectedType(fields.eventType, pictureOnly))
    return false;
  readTimeAndDuration(line, fields);
  // Without a Time the event has no place in the protocol. A missing Duration (Response
  // lines have none; Sound and Video lines an empty one) is 0, never another event's.
  if (!readDecimal(fields.time, time))
    return false;
  if (!readDecimal(fields.duration, duration))
    duration = 0.0;
  return true;
}

class LogReader {
 public:
  LogReader(LogSource& source, bool hasSubjectColumn, bool pictureOnly)
      : source_(source), hasSubjectColumn_(hasSubjectColumn), pictureOnly_(pictureOnly) {}

  void read(PresentationLog& log) {
    countEvents();
    log.events.reserve(static_cast<size_t>(selected_));
    log.eventTableSize = static_cast<int32_t>(selected_);
    storeEvents(log);
    log.eventCount = static_cast<int32_t>(log.events.size());
  }

 private:
  void countEvents() {
    if (!source_.rewind())
      throw ReadFailure();
    LineReader lines(source_);
    int64_t index = 0;
    int32_t lastTrial = 0;
    std::string_view line;
    LineReader::Result result;
    while ((result = lines.next(line)) == LineReader::Result::kLine) {
      if (index >= kFirstEventLine) {
        EventFields fields;
        bool isEvent = false;
        double time = 0.0;
        double duration = 0.0;
        const bool selected =
            selectEvent(line, hasSubjectColumn_, pictureOnly_, fields, isEvent, time, duration);
        if (isEvent) {
          LogLine text;
          text.text("Trial: ").number(fields.trial).text(" EventType: ").text(fields.eventType);
          text.text(" Code: ").text(fields.code);
          hostApi().kwLogText(text.c_str());
          lastTrial = fields.trial;
          if (selected && ++selected_ > kMaxCount)
            throw ReadFailure();
        }
      }
      if (++index > kMaxCount)
        throw ReadFailure();
    }
    if (result == LineReader::Result::kError)
      throw ReadFailure();
    lineCount_ = index;

    LogLine trials;
    trials.text("Number of trials: ").number(lastTrial);
    trials.text(", Picture/Sound/Video/Response events: ").number(selected_);
    hostApi().kwLogText(trials.c_str());
    LogLine partLines;
    partLines.text("Number of lines in first part of file: ").number(lineCount_);
    hostApi().kwLogText(partLines.c_str());
  }

  void storeEvents(PresentationLog& log) {
    if (!source_.rewind())
      throw ReadFailure();
    LineReader lines(source_);
    const size_t tableSize = static_cast<size_t>(selected_);
    std::string_view line;
    for (int64_t index = 0; index < lineCount_; ++index) {
      const LineReader::Result result = lines.next(line);
      if (result == LineReader::Result::kError)
        throw ReadFailure();
      if (result == LineReader::Result::kEnd)
        break;  // the text changed since the first pass: keep what was stored
      if (index < kFirstEventLine)
        continue;
      EventFields fields;
      bool isEvent = false;
      LogEvent event;
      if (!selectEvent(line, hasSubjectColumn_, pictureOnly_, fields, isEvent, event.time,
                       event.duration)) {
        continue;
      }
      if (log.events.size() == tableSize)
        continue;  // the text changed since the first pass: the table never grows
      event.code = log.codes.add(fields.code);
      log.events.push_back(event);
      LogLine text;
      text.text("Trial: ").number(fields.trial).text(", code: ").text(fields.code);
      text.text(", duration: ").rounded(event.duration / 10.0, 15);
      hostApi().kwLogText(text.c_str());
    }
  }

  LogSource& source_;
  const bool hasSubjectColumn_;
  const bool pictureOnly_;
  int64_t selected_ = 0;
  int64_t lineCount_ = 0;
};

}  // namespace

uint32_t CodeTable::add(std::string_view code) {
  const auto found = indexByCode_.find(code);
  if (found != indexByCode_.end())
    return found->second;
  const uint32_t index = static_cast<uint32_t>(codes_.size());
  codes_.emplace_back(code);
  try {
    indexByCode_.emplace(codes_.back(), index);
  } catch (...) {
    codes_.pop_back();
    throw;
  }
  return index;
}

std::optional<PresentationLog> readPresentationLog(LogSource* source, const std::string& path,
                                                   bool hasSubjectColumn, bool pictureOnly) {
  try {
    if (source == nullptr)
      throw ReadFailure();
    PresentationLog log;
    log.path = path;
    LogReader(*source, hasSubjectColumn, pictureOnly).read(log);
    log.baseName = baseNameOf(path, true, false).value_or(std::string());
    return log;
  } catch (...) {
    // A read error, a log too large to count, or no memory for the table or the codes:
    // the caller learns of it only through the result and the line below.
  }
  hostApi().kwLogText("Error while reading Presentation file");
  return std::nullopt;
}

std::optional<PresentationLog> readPresentationLog(const std::string& path, bool hasSubjectColumn,
                                                   bool pictureOnly) {
  std::unique_ptr<LogSource> source;
  try {
    source = openLogSource(path);
  } catch (...) {
    source = nullptr;  // reported below as a log that cannot be read
  }
  return readPresentationLog(source.get(), path, hasSubjectColumn, pictureOnly);
}

}  // namespace stimforge
