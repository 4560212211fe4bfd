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

#include "logimport/log_source.h"

namespace stimforge {

// The distinct codes of a log, each stored once, in the order they were first added.
// Move-only: the look-up refers to the stored texts, which a move keeps in place.
class CodeTable {
 public:
  CodeTable() = default;
  CodeTable(CodeTable&&) = default;
  CodeTable& operator=(CodeTable&&) = default;
  CodeTable(const CodeTable&) = delete;
  CodeTable& operator=(const CodeTable&) = delete;

  // The index of `code`, added at the end when it is new. May throw std::bad_alloc.
  uint32_t add(std::string_view code);

  const std::string& operator[](uint32_t index) const { return codes_[index]; }
  size_t size() const { return codes_.size(); }

 private:
  // An open-addressing table of code indices plus one (0 is a free slot), its size a power
  // of two kept at least four times the number of codes: every selected event looks its
  // code up here, so this is cheaper than a general map.
  size_t slotOf(std::string_view code, uint64_t hash) const;
  void grow();

  std::deque<std::string> codes_;
  std::vector<uint64_t> hashes_;         // of codes_[i]
  std::vector<std::string_view> views_;  // of codes_[i], which a deque keeps in place
  std::vector<uint32_t> slots_;
};

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

// The first line that may hold an event (lines 0 to 4 are the log's header).
constexpr int kFirstEventLine = 5;

// Reads the log in `source` (rewound before each pass), writing its log lines. `path` is
// only recorded. Selects events of type "Picture" when `pictureOnly`, otherwise those of
// type "Picture", "Sound", "Video" and "Response"; a selected line without a readable
// Time is not selected. Returns the log; or, when `source` is null or cannot be read (or
// the log is too large to count or to hold in memory), writes "Error while reading
// Presentation file" and returns nothing. Never stores more events than the first pass
// counted, even when the text changes between the passes.
std::optional<PresentationLog> readPresentationLog(LogSource* source, const std::string& path,
                                                   bool hasSubjectColumn, bool pictureOnly);

// The same, for the file at `path`, opened through openLogSource.
std::optional<PresentationLog> readPresentationLog(const std::string& path, bool hasSubjectColumn,
                                                   bool pictureOnly);

}  // namespace stimforge

#endif  // STIMFORGE_LOGIMPORT_PRESENTATION_LOG_H_
