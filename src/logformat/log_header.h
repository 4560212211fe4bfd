// The header of a Presentation log: the lines above its event table.
//
// Presentation starts every log with five lines: "Scenario - NAME", "Logfile written -
// DATE", an empty line, the column names separated by tabs, and an empty line. The event
// table follows from the sixth line on.
#ifndef STIMFORGE_LOGFORMAT_LOG_HEADER_H_
#define STIMFORGE_LOGFORMAT_LOG_HEADER_H_

#include <string>
#include <vector>

#include "logformat/log_source.h"

namespace stimforge {

// The first line that may hold an event: lines 0 to 4 are the header.
constexpr int kFirstEventLine = 5;

// The line that names the columns when a log has the usual five-line header.
constexpr int kColumnNameLine = 3;

struct LogHeader {
  std::vector<std::string> lines;        // the first kFirstEventLine lines, without line breaks
                                         // (fewer when the log's first part is shorter)
  std::string scenario;                  // the NAME of "Scenario - NAME"; "" when line 0 has none
  std::string writtenLine;               // line 1 whole ("Logfile written - 02/10/2016 18:34:40")
  std::string columnNameLine;            // line kColumnNameLine; "" when the log is shorter
  std::vector<std::string> columnNames;  // the fields of columnNameLine

  // Whether the column names begin with "Subject" (the first seven characters of the
  // line, case-sensitive): the layout with a Subject column.
  bool subjectFirst() const;
};

// Reads the header from the start of `source` (rewound first). Returns false when the
// source cannot be read. May throw std::bad_alloc.
[[nodiscard]] bool readLogHeader(LogSource& source, LogHeader& header);

}  // namespace stimforge

#endif  // STIMFORGE_LOGFORMAT_LOG_HEADER_H_
