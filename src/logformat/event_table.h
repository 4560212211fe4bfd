// The event table of a Presentation log: every event line of every type, with its columns.
//
// The table runs from line kFirstEventLine to the end of the log's first part (the end of
// the text, or the first line that repeats the line before it). A line is an event when
// its leading columns are there: Subject (in the layout with one), Trial (a whole number
// within 32 bits), Event Type and Code (neither empty, but see EventLayout for the empty
// Subject and Code cells that Presentation writes). The columns after Code follow at
// their places; a column the line lacks, or whose value is not a number where a number
// belongs, is missing, never zero and never taken over from another line.
#ifndef STIMFORGE_LOGFORMAT_EVENT_TABLE_H_
#define STIMFORGE_LOGFORMAT_EVENT_TABLE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "logformat/line_reader.h"
#include "logformat/log_fields.h"
#include "logformat/log_header.h"
#include "logformat/log_numbers.h"
#include "logformat/log_source.h"

namespace stimforge {

// Where the columns after Code stand, counted from the first field after Code (0), as
// Presentation writes them: Time, TTime, Uncertainty, Duration, Uncertainty, ReqTime,
// ReqDur, Stim Type, Pair Index. A place of -1 is a column the log does not have.
struct EventColumnPlaces {
  int time = 0;
  int ttime = 1;
  int uncertainty = 2;
  int duration = 3;
  int durationUncertainty = 4;
  int reqTime = 5;
  int reqDur = 6;
  int stimType = 7;
  int pairIndex = 8;
};

// How the log's event lines are laid out.
struct EventLayout {
  bool hasSubjectColumn = false;
  EventColumnPlaces places;
  bool placesFromColumnNames = false;   // the places come from the log's column names
  // An empty Subject field on a tab-separated line still makes an event: Presentation
  // writes an empty cell when no subject name was typed. Set in the layout with Subject
  // when the log's column names begin with "Subject", so a line that merely starts with a
  // tab in a log of another shape is no event.
  bool emptySubjectIsEvent = false;
  // An empty Code cell on a tab-separated line (a Quit line has one) still makes an event,
  // whose `code` is then "". Off by default: a condition needs a name, so the plug-in's
  // reader never sets it.
  bool emptyCodeIsEvent = false;
  std::vector<std::string> properties;  // the stimulus-property columns between Code and
                                        // Time, by name ("configuration(num)")

  // Where Time and Duration stand, for the plug-in's reader.
  TimeColumns timeColumns() const {
    return TimeColumns{places.time, places.duration, emptySubjectIsEvent};
  }
};

// The layout of a log's event lines in the chosen Subject layout. When the header's
// column-name line was found and agrees with that choice (it begins with "Subject" exactly
// when `hasSubjectColumn`), the columns after Code stand where its names put them (and, with
// Subject, an empty Subject cell still makes an event): Time at
// the first "Time" after "Code", Duration at the first "Duration" after that (none when
// there is no such name), and so on. Otherwise, Presentation's own places. The leading
// fields stay where the layout puts them either way. May throw std::bad_alloc.
EventLayout eventLayoutFor(const LogHeader& header, bool hasSubjectColumn);

// One event line. The views point into the line and are valid until the next read.
struct EventRecord {
  int64_t line = 0;          // the line's index in the log, the first line being 0
  std::string_view subject;  // "" in the layout without Subject
  int32_t trial = 0;
  std::string_view eventType;  // up to a NUL byte, if any
  std::string_view code;       // up to a NUL byte, if any
  LogNumber time;              // tenths of a millisecond from the scenario's start
  LogNumber ttime;
  LogNumber uncertainty;
  LogNumber duration;  // tenths of a millisecond
  LogNumber durationUncertainty;
  LogNumber reqTime;
  LogNumber reqDur;
  std::string_view stimType;  // "" when missing
  LogNumber pairIndex;
  std::vector<std::string_view> fields;  // every field of the line, as split
};

// Which columns a read fills.
enum class EventColumns {
  kAll,       // every column; `fields` holds every field of the line
  kUpToTime,  // Subject, Trial, Event Type, Code and Time alone, by the same rules: the other
              // numbers are missing, Stim Type is "", and `fields` is left empty (only the
              // tabs that end the fields up to Time are looked for). Enough to select events
              // and take their times, in far less work.
  kTimeAndDuration,  // the same with Duration too.
};

// Reads one line as an event line of `layout`, filling `columns`. Returns false when it is
// not an event (then `record` holds nothing usable); whether a line is an event does not
// depend on `columns`. May throw std::bad_alloc.
[[nodiscard]] bool readEventRecord(std::string_view line, const EventLayout& layout,
                                   EventRecord& record, EventColumns columns = EventColumns::kAll);

// Goes over the event table of a log, one event at a time.
class EventTableReader {
 public:
  enum class Result {
    kEvent,  // `record` holds the next event
    kEnd,    // the table has ended
    kError,  // the source could not be read
  };

  // Reads `source` from its start (rewinding it; kError on the first call when that
  // fails), each event's `columns`. The source must outlive the reader. May throw
  // std::bad_alloc.
  EventTableReader(LogSource& source, const EventLayout& layout,
                   EventColumns columns = EventColumns::kAll);

  // The next event line, skipping lines that are not events. May throw std::bad_alloc.
  Result next(EventRecord& record);

  // The lines read so far, header included: after kEnd, the line count of the first part.
  int64_t linesRead() const { return index_; }

  // After kEnd: the next line after the table, to the end of the text (some logs end with
  // a block about the run there). kLine and `line` as LineReader gives them; kEnd at the
  // text's end.
  LineReader::Result nextLineAfterTable(std::string_view& line);

 private:
  LogSource& source_;
  LineReader lines_;
  EventLayout layout_;
  EventColumns columns_;
  int64_t index_ = 0;
  bool started_ = false;  // the source is rewound on the first call
  bool failed_ = false;
};

}  // namespace stimforge

#endif  // STIMFORGE_LOGFORMAT_EVENT_TABLE_H_
