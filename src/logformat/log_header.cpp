#include "logformat/log_header.h"

#include <algorithm>
#include <utility>

#include "logformat/line_reader.h"
#include "logformat/log_fields.h"

namespace stimforge {

bool LogHeader::subjectFirst() const {
  return columnNameLine.compare(0, 7, "Subject") == 0;
}

int findColumnNameLine(const std::vector<std::string>& lines) {
  const size_t count = std::min(lines.size(), static_cast<size_t>(kHeaderLinesSearched));
  std::vector<std::string_view> names;
  for (size_t index = 0; index < count; ++index) {
    if (lines[index].find('\t') == std::string::npos)
      continue;
    splitFields(lines[index], names);
    const auto eventType = std::find(names.begin(), names.end(), "Event Type");
    const auto code = std::find(eventType, names.end(), "Code");
    if (code != names.end() && std::find(code, names.end(), "Time") != names.end())
      return static_cast<int>(index);
  }
  return -1;
}

LogHeader makeLogHeader(std::vector<std::string> lines) {
  LogHeader header;
  if (lines.size() > static_cast<size_t>(kHeaderLinesSearched))
    lines.resize(kHeaderLinesSearched);
  header.lines = std::move(lines);
  static constexpr std::string_view kScenario = "Scenario - ";
  if (!header.lines.empty() && header.lines[0].compare(0, kScenario.size(), kScenario) == 0)
    header.scenario = header.lines[0].substr(kScenario.size());
  // The second line, or the first that says when the log was written (a copy with an empty
  // line after every line has it third).
  for (const std::string& line : header.lines) {
    if (line.compare(0, 15, "Logfile written") == 0) {
      header.writtenLine = line;
      break;
    }
  }
  if (header.writtenLine.empty() && header.lines.size() > 1)
    header.writtenLine = header.lines[1];
  header.columnNameLineIndex = findColumnNameLine(header.lines);
  const int nameLine = header.columnNamesFound() ? header.columnNameLineIndex : kColumnNameLine;
  if (header.lines.size() > static_cast<size_t>(nameLine)) {
    header.columnNameLine = header.lines[nameLine];
    std::vector<std::string_view> names;
    splitFields(header.columnNameLine, names);
    header.columnNames.assign(names.begin(), names.end());
  }
  return header;
}

bool readLogHeader(LogSource& source, LogHeader& header) {
  LineReader reader(source);
  std::vector<std::string> lines;
  std::string_view line;
  while (lines.size() < static_cast<size_t>(kHeaderLinesSearched)) {
    const LineReader::Result result = reader.next(line);
    if (result == LineReader::Result::kError)
      return false;
    if (result == LineReader::Result::kEnd)
      break;
    lines.emplace_back(line);
  }
  header = makeLogHeader(std::move(lines));
  return true;
}

}  // namespace stimforge
