// A BIDS events table in memory, and its TSV text (`*_events.tsv`).
//
// Times are integer microseconds until they are written: an onset is written as seconds with
// the table's decimals (four for Presentation's tenths of a millisecond, six for sources that
// time to the microsecond), so that no event moves by rounding. The text is UTF-8 with one header
// line, cells separated by single tabs, every line ending in "\n", and never an empty cell: a
// missing value is "n/a".
#ifndef STIMFORGE_KWHOST_EVENTS_TABLE_H_
#define STIMFORGE_KWHOST_EVENTS_TABLE_H_

#include <cstdint>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace stimforge::kwhost {

// A duration that has no value: written "n/a".
constexpr int64_t kNotApplicable = std::numeric_limits<int64_t>::min();

// One row. Its texts are indices into EventsTable::texts, so that a million rows of a few
// dozen distinct codes hold each text once.
struct EventRow {
  int64_t onset = 0;                  // microseconds from time zero
  int64_t duration = kNotApplicable;  // microseconds; or n/a
  int32_t trial = 0;                  // the Trial number (log tables only, which always
                                      // have one: 32 bits, as the log's column)
  uint32_t trialType = 0;
  uint32_t eventType = 0;  // the log's Event Type (log tables only)
  uint32_t code = 0;       // the raw Code, as UTF-8 (log tables only)
};

// A column after the fixed ones (a log's own columns), held apart from the rows so that a
// table without one keeps its rows small. Its cells run parallel to the rows: one per row,
// in the rows' order.
struct ExtraColumn {
  std::string name;             // the header's name
  bool time = false;            // `times` holds the cells; else `cells`
  std::vector<uint32_t> cells;  // indices into EventsTable::texts ("" is written n/a)
  std::vector<int64_t> times;   // microseconds, or kNotApplicable
};

struct EventsTable {
  // A log's table has the columns onset, duration, trial_type, event_type, code, trial,
  // then its `extra` columns; a protocol's only onset, duration, trial_type.
  bool logColumns = true;
  int decimals = 4;                // of the seconds written: 4 (whole tenths of a millisecond) to 6
  std::vector<std::string> texts;  // UTF-8
  std::vector<EventRow> rows;
  std::vector<ExtraColumn> extra;

  // Appends `text` to `texts` and returns its index. May throw std::bad_alloc.
  uint32_t addText(std::string text);
};

// The header line of a table without extra columns, with its "\n".
std::string eventsHeaderLine(bool logColumns);

// The header line of `table`, its extra columns included, with its "\n".
std::string eventsHeaderLine(const EventsTable& table);

// Whether `firstLine` (without its line break) is the header line of a table kwhost writes
// (a log's fixed columns may be followed by others): an existing events file is replaced
// only then (and when its sidecar is kwhost's own).
bool isOwnEventsTable(std::string_view firstLine);

// Whether `head`, the start of a file, is the start of a BIDS events table (kwhost's or
// another program's): its first line begins "onset<TAB>duration".
bool isEventsTableStart(std::string_view head);

// Sorts the rows by onset, the extra columns' cells with them; rows with equal onsets keep
// their order. May throw std::bad_alloc.
void sortByOnset(EventsTable& table);

// `micros` as seconds with `decimals` decimals (4 to 6), rounded half away from zero where it
// has finer digits: 17328200 -> "17.3282", -10000 -> "-0.0100", 0 -> "0.0000"; with 6,
// 10957123 -> "10.957123". Exact for every int64_t.
std::string secondsText(int64_t micros, int decimals = 4);

// `text` as a cell can hold it: tabs, line breaks and other control characters become
// blanks (and `changed` is set), an empty text becomes "n/a".
std::string tsvCellText(std::string_view text, bool& changed);

// The table's text: the header line, then one line per row in the rows' order, each text
// as tsvCellText writes it, the extra columns' times as onsets are. A negative duration is written
// 0. A text that tsvCellText had to change, and that a row uses, adds one warning to `warnings`
// ("the name \"A\tB\" holds a tab, line break or control character: written with blanks"). May
// throw std::bad_alloc.
std::string formatEventsTsv(const EventsTable& table, std::set<std::string>& warnings);

// The warnings formatEventsTsv adds, alone.
void addEventsTsvWarnings(const EventsTable& table, std::set<std::string>& warnings);

// Hands the text formatEventsTsv makes to `write` in pieces of about a megabyte, so that a
// table of a million rows is never held as one text. Returns false as soon as `write` does.
// May throw std::bad_alloc.
bool writeEventsTsv(const EventsTable& table,
                    const std::function<bool(const std::string& piece)>& write);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_EVENTS_TABLE_H_
