#include "logimport/presentation_log.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "logformat/event_table.h"
#include "logformat/line_reader.h"
#include "logformat/log_fields.h"
#include "text/log_line.h"
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

// Reads an event line and decides whether it is selected; `time` is set for a selected
// one, and `duration` too when `wantDuration` (counting needs no Duration). Both passes
// decide through this alone, from the line alone, so they select the same events.
bool selectEvent(std::string_view line, bool hasSubjectColumn, const TimeColumns& columns,
                 bool pictureOnly, bool wantDuration, EventFields& fields, bool& isEvent,
                 double& time, double& duration) {
  isEvent = readLeadingFields(line, hasSubjectColumn, fields, columns);
  if (!isEvent || !isSelectedType(fields.eventType, pictureOnly))
    return false;
  if (wantDuration)
    readTimeAndDuration(line, fields);
  else
    readTime(line, fields);
  // Without a Time the event has no place in the protocol. A missing Duration (Response
  // lines have none; Sound and Video lines an empty one) is 0, never another event's.
  if (!readDecimal(fields.time, time))
    return false;
  if (!wantDuration || !readDecimal(fields.duration, duration))
    duration = 0.0;
  return true;
}

class LogReader {
 public:
  LogReader(LogSource& source, bool hasSubjectColumn, bool pictureOnly, LogLineSink& sink)
      : source_(source),
        sink_(sink),
        hasSubjectColumn_(hasSubjectColumn),
        pictureOnly_(pictureOnly) {}

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
    EventFields fields;  // reset by every read; kept out of the loop, where it costs nothing
    std::vector<std::string> headerLines;
    // Counting needs no Duration: the line is searched up to Time only.
    TimeColumns countColumns{columns_.time, -1};
    while ((result = lines.next(line)) == LineReader::Result::kLine) {
      if (index < kHeaderLinesSearched) {
        // Time and Duration stand where the column-name line, among these, puts them.
        headerLines.emplace_back(line);
        if (index == kHeaderLinesSearched - 1) {
          columns_ = eventLayoutFor(makeLogHeader(std::move(headerLines)), hasSubjectColumn_)
                         .timeColumns();
          countColumns.time = columns_.time;
          countColumns.emptySubjectIsEvent = columns_.emptySubjectIsEvent;
        }
      }
      if (index >= kFirstEventLine) {
        bool isEvent = false;
        double time = 0.0;
        double duration = 0.0;
        const bool selected = selectEvent(line, hasSubjectColumn_, countColumns, pictureOnly_, false,
                                          fields, isEvent, time, duration);
        if (isEvent) {
          LogLine text;
          text.text("Trial: ").number(fields.trial).text(" EventType: ").text(fields.eventType);
          text.text(" Code: ").text(fields.code);
          sink_.logLine(text.c_str());
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
    sink_.logLine(trials.c_str());
    LogLine partLines;
    partLines.text("Number of lines in first part of file: ").number(lineCount_);
    sink_.logLine(partLines.c_str());
  }

  void storeEvents(PresentationLog& log) {
    if (!source_.rewind())
      throw ReadFailure();
    LineReader lines(source_);
    const size_t tableSize = static_cast<size_t>(selected_);
    std::string_view line;
    EventFields fields;
    for (int64_t index = 0; index < lineCount_; ++index) {
      const LineReader::Result result = lines.next(line);
      if (result == LineReader::Result::kError)
        throw ReadFailure();
      if (result == LineReader::Result::kEnd)
        break;  // the text changed since the first pass: keep what was stored
      if (index < kFirstEventLine)
        continue;
      bool isEvent = false;
      LogEvent event;
      if (!selectEvent(line, hasSubjectColumn_, columns_, pictureOnly_, true, fields, isEvent,
                       event.time, event.duration)) {
        continue;
      }
      if (log.events.size() == tableSize)
        continue;  // the text changed since the first pass: the table never grows
      event.code = log.codes.add(fields.code);
      log.events.push_back(event);
      LogLine text;
      text.text("Trial: ").number(fields.trial).text(", code: ").text(fields.code);
      text.text(", duration: ").rounded(event.duration / 10.0, 15);
      sink_.logLine(text.c_str());
    }
  }

  LogSource& source_;
  LogLineSink& sink_;
  const bool hasSubjectColumn_;
  const bool pictureOnly_;
  TimeColumns columns_;  // Presentation's own places unless the column names say otherwise
  int64_t selected_ = 0;
  int64_t lineCount_ = 0;
};

}  // namespace

std::optional<PresentationLog> readPresentationLog(LogSource* source, const std::string& path,
                                                   bool hasSubjectColumn, bool pictureOnly,
                                                   LogLineSink& sink) {
  try {
    if (source == nullptr)
      throw ReadFailure();
    PresentationLog log;
    log.path = path;
    LogReader(*source, hasSubjectColumn, pictureOnly, sink).read(log);
    log.baseName = baseNameOf(path, true, false).value_or(std::string());
    return log;
  } catch (...) {
    // A read error, a log too large to count, or no memory for the table or the codes:
    // the caller learns of it only through the result and the line below.
  }
  sink.logLine("Error while reading Presentation file");
  return std::nullopt;
}

}  // namespace stimforge
