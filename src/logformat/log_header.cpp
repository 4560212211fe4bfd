#include "logformat/log_header.h"

#include <string_view>

#include "logformat/line_reader.h"
#include "logformat/log_fields.h"

namespace stimforge {

bool LogHeader::subjectFirst() const {
  return columnNameLine.compare(0, 7, "Subject") == 0;
}

bool readLogHeader(LogSource& source, LogHeader& header) {
  header = LogHeader();
  if (!source.rewind())
    return false;
  LineReader lines(source);
  std::string_view line;
  while (header.lines.size() < kFirstEventLine) {
    const LineReader::Result result = lines.next(line);
    if (result == LineReader::Result::kError)
      return false;
    if (result == LineReader::Result::kEnd)
      break;
    header.lines.emplace_back(line);
  }
  static constexpr std::string_view kScenario = "Scenario - ";
  if (!header.lines.empty() && header.lines[0].compare(0, kScenario.size(), kScenario) == 0)
    header.scenario = header.lines[0].substr(kScenario.size());
  if (header.lines.size() > 1)
    header.writtenLine = header.lines[1];
  if (header.lines.size() > kColumnNameLine) {
    header.columnNameLine = header.lines[kColumnNameLine];
    std::vector<std::string_view> names;
    splitFields(header.columnNameLine, names);
    header.columnNames.assign(names.begin(), names.end());
  }
  return true;
}

}  // namespace stimforge
