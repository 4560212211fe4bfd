// Reading a BIDS events file (`*_events.tsv`, as `kwhost events` writes it or any other
// program): its onsets, durations, trial types and event types, for the commands that read
// events back (kwhost plot, kwhost design). Pure: parses text in memory.
#ifndef STIMFORGE_KWHOST_EVENTS_EVENTS_FILE_H_
#define STIMFORGE_KWHOST_EVENTS_EVENTS_FILE_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stimforge::kwhost {

// One row of an events file. Times in seconds from the file's zero.
struct EventsFileRow {
  double onset = 0;                // finite
  std::optional<double> duration;  // 0 or more; empty for n/a
  std::string trialType;           // the cell as written ("n/a" too); "" without the column
  std::string eventType;           // likewise for event_type
};

struct EventsFile {
  bool hasTrialType = false;
  bool hasEventType = false;
  std::vector<EventsFileRow> rows;  // in the file's order
};

// Parses `text`, an events file named `displayName` in messages. The header names the
// columns in any order; onset and duration are required, trial_type and event_type are read
// when present (the first column of each name counts), any others are skipped. Lines may end
// in "\r\n". Returns false with `error` set ("NAME:LINE: what is wrong") when the file is
// empty, the header lacks onset or duration, a line (an empty one too) has another number of
// cells than the header, an onset is not a number, or a duration is neither a number of
// seconds (0 or more) nor n/a. A number is what BIDS allows: [+-]?(digits[.digits]|.digits)
// with an optional exponent, finite. May throw std::bad_alloc.
[[nodiscard]] bool parseEventsFile(std::string_view text, const std::string& displayName,
                                   EventsFile& file, std::string& error);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_EVENTS_EVENTS_FILE_H_
