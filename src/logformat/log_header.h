// The header of a Presentation log: the lines above its event table.
//
// Presentation starts every log with five lines: "Scenario - NAME", "Logfile written -
// DATE", an empty line, the column names separated by tabs, and an empty line. The event
// table follows from the sixth line on. Copies of logs do not always keep that shape (some
// have an empty line after every line), so the column-name line is looked for.
#ifndef STIMFORGE_LOGFORMAT_LOG_HEADER_H_
#define STIMFORGE_LOGFORMAT_LOG_HEADER_H_

#include <string>
#include <string_view>
#include <vector>

#include "logformat/log_source.h"

namespace stimforge {

// The first line that may hold an event: lines 0 to 4 are the header.
constexpr int kFirstEventLine = 5;

// The line that names the columns when a log has the usual five-line header, and the number
// of lines among which the column-name line is looked for.
constexpr int kColumnNameLine = 3;
constexpr int kHeaderLinesSearched = 6;

struct LogHeader {
  std::vector<std::string> lines;        // the first kHeaderLinesSearched lines, without line
                                         // breaks (fewer when the log's first part is shorter)
  std::string scenario;                  // the NAME of "Scenario - NAME"; "" when line 0 has none
  std::string writtenLine;               // line 1 whole ("Logfile written - 02/10/2016 18:34:40")
  int columnNameLineIndex = -1;          // the column-name line found, or -1
  std::string columnNameLine;            // that line; when none was found, line kColumnNameLine
                                         // ("" when the log is shorter)
  std::vector<std::string> columnNames;  // the fields of columnNameLine

  bool columnNamesFound() const { return columnNameLineIndex >= 0; }
  // Whether the column names begin with "Subject" (the first seven characters of
  // columnNameLine, case-sensitive): the layout with a Subject column.
  bool subjectFirst() const;
};

// The index among `lines` of the column-name line: the first line that holds a tab and
// whose tab-separated names hold "Event Type", "Code" and "Time", in that order. -1 when
// none does.
int findColumnNameLine(const std::vector<std::string>& lines);

// The header of a log whose first lines are `lines` (at most kHeaderLinesSearched are used).
// May throw std::bad_alloc.
LogHeader makeLogHeader(std::vector<std::string> lines);

// Reads the header from where `source` stands (a source just opened stands at its start).
// Returns false when the source cannot be read. May throw std::bad_alloc.
[[nodiscard]] bool readLogHeader(LogSource& source, LogHeader& header);

}  // namespace stimforge

#endif  // STIMFORGE_LOGFORMAT_LOG_HEADER_H_
