// Reads a Presentation log file into the table of its selected events.
//
// The reader looks only at the log's first part: lines 0 to 4 are its header, every later
// line that holds an event is one event, and the part ends at the end of the text or at
// the first line that repeats the line before it. It goes over that part twice: the first
// pass logs every event line, counts the events it selects and writes a summary; the
// second reads the same lines again into a table made for exactly that many events, and
// logs each selected event.
#ifndef STIMFORGE_LOGIMPORT_PRESENTATION_LOG_H_
#define STIMFORGE_LOGIMPORT_PRESENTATION_LOG_H_

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "logformat/code_table.h"
#include "logformat/log_header.h"
#include "logformat/log_source.h"

namespace stimforge {

// One selected event.
struct LogEvent {
  uint32_t code = 0;      // index into PresentationLog::codes
  double time = 0.0;      // the Time column, tenths of a millisecond, unconverted
  double duration = 0.0;  // the Duration column, tenths of a millisecond; 0 when missing
};

// The reader's result; the caller owns it.
struct PresentationLog {
  std::string path;              // the log file's path, as the caller passed it
  std::string baseName;          // the file's name without folders and extension
  int32_t eventCount = 0;        // events stored, never more than eventTableSize
  int32_t eventTableSize = 0;    // events the first pass selected
  std::vector<LogEvent> events;  // the selected events in file order, eventCount of them
  CodeTable codes;

  const std::string& codeOf(const LogEvent& event) const { return codes[event.code]; }
};

// Where the reader writes its log lines: one line a call, the text without a line break.
class LogLineSink {
 public:
  virtual ~LogLineSink() = default;
  virtual void logLine(const char* text) = 0;
};

// Reads the log in `source` (rewound before each pass), writing its log lines to `sink`.
// `path` is only recorded. Selects events of type "Picture" when `pictureOnly`, otherwise
// those of type "Picture", "Sound", "Video" and "Response"; a selected line without a
// readable Time is not selected. Returns the log; or, when `source` is null or cannot be
// read (or the log is too large to count or to hold in memory), writes "Error while
// reading Presentation file" and returns nothing. Never stores more events than the first
// pass counted, even when the text changes between the passes.
std::optional<PresentationLog> readPresentationLog(LogSource* source, const std::string& path,
                                                   bool hasSubjectColumn, bool pictureOnly,
                                                   LogLineSink& sink);

}  // namespace stimforge

#endif  // STIMFORGE_LOGIMPORT_PRESENTATION_LOG_H_
