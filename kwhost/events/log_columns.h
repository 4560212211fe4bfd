// A log's own columns in its events file: the stimulus-property columns between Code and
// Time, and the table's other columns that --columns asks for, written after the fixed
// columns and described in the sidecar.
#ifndef STIMFORGE_KWHOST_EVENTS_LOG_COLUMNS_H_
#define STIMFORGE_KWHOST_EVENTS_LOG_COLUMNS_H_

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"
#include "logformat/code_table.h"
#include "logformat/event_table.h"
#include "logformat/log_header.h"

namespace stimforge::kwhost {

// The event table's columns that --columns adds, by their output names.
enum class TableColumn {
  kStimType,             // stim_type: Stim Type, text
  kPairIndex,            // pair_index: Pair Index, a number
  kTTime,                // ttime
  kTimeUncertainty,      // time_uncertainty: the first Uncertainty, Time's
  kDurationUncertainty,  // duration_uncertainty: the second Uncertainty, Duration's
  kReqTime,              // req_time
  kReqDur,               // req_dur
};

// "stim_type, pair_index, ttime, time_uncertainty, duration_uncertainty, req_time, req_dur".
std::string tableColumnNames();

// The column of the output name `name`; false when it is none of tableColumnNames.
[[nodiscard]] bool tableColumnNamed(std::string_view name, TableColumn& column);

// The output name of a stimulus-property column called `logName` in the log: without a
// "(num)" or "(str)" suffix, lower case, each run of characters other than ASCII letters
// and digits one "_", no "_" at either end; "column" when nothing is left.
std::string propertyColumnName(std::string_view logName);

// Whether the log whose header is `header` has every column of `columns`: it must have a
// line of column names, which must name each. Returns false with `problem` set (the
// columns it has named, as --columns names them).
[[nodiscard]] bool checkTableColumns(const LogHeader& header,
                                     const std::vector<TableColumn>& columns, std::string& problem);

// Reads the extra columns of the events one pass selects.
class LogColumnReader {
 public:
  // The columns of `layout`'s stimulus properties (when `properties`), then `columns` (whose
  // places the layout must know: checkTableColumns). A name that clashes with a fixed
  // column or an earlier one gets "_2", "_3" ... and a warning in `warnings`. May throw
  // std::bad_alloc.
  LogColumnReader(const EventLayout& layout, bool properties,
                  const std::vector<TableColumn>& columns, std::set<std::string>& warnings);

  // Whether there is no extra column: the events then need no more than their times.
  bool empty() const { return columns_.empty(); }

  // Adds a row's cells, from `record` read with EventColumns::kAll. Empty cells, "NA" and
  // "next" are n/a; a time that is no whole number of tenths is n/a. May throw
  // std::bad_alloc.
  void add(const EventRecord& record);

  // Moves the columns into `table.extra`, a cell per row added in order, their texts into
  // `table.texts` (as UTF-8; a text that is not is read as Windows-1252, with a warning).
  // May throw std::bad_alloc.
  void finish(EventsTable& table, std::set<std::string>& warnings);

  // What each of the table's extra columns holds, for the sidecar: its cells as `table`
  // holds them now (after rows were left out and sorted). May throw std::bad_alloc.
  void describe(const EventsTable& table, std::vector<ExtraColumnFacts>& facts) const;

 private:
  enum class Kind { kText, kNumber, kTime };
  struct Column {
    std::string name;     // the output name
    std::string logName;  // the log's name of the column
    Kind kind = Kind::kText;
    bool property = false;
    int place = -1;  // the field after Code (text and number columns)
    TableColumn table = TableColumn::kStimType;
    CodeTable raw;                // the distinct cells of a text or number column
    std::vector<uint32_t> cells;  // indices into `raw`
    std::vector<int64_t> times;
  };
  size_t codeField_ = 2;
  std::vector<Column> columns_;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_EVENTS_LOG_COLUMNS_H_
