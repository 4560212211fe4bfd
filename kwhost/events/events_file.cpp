#include "kwhost/events/events_file.h"

#include <cmath>
#include <cstdlib>

#include "kwhost/common/lines.h"

namespace stimforge::kwhost {
namespace {

// The cells of one line, split at tabs.
std::vector<std::string_view> cellsOf(std::string_view line) {
  std::vector<std::string_view> cells;
  size_t pos = 0;
  while (true) {
    const size_t tab = line.find('\t', pos);
    cells.push_back(line.substr(pos, tab == std::string_view::npos ? tab : tab - pos));
    if (tab == std::string_view::npos)
      return cells;
    pos = tab + 1;
  }
}

// A number of an events file: what BIDS allows, [+-]?(digits[.digits]|.digits) with an
// optional exponent, finite.
bool eventsNumber(std::string_view cell, double& value) {
  size_t i = 0;
  const auto digits = [&cell, &i] {
    const size_t start = i;
    while (i < cell.size() && cell[i] >= '0' && cell[i] <= '9')
      ++i;
    return i > start;
  };
  if (i < cell.size() && (cell[i] == '+' || cell[i] == '-'))
    ++i;
  const bool whole = digits();
  bool fraction = false;
  if (i < cell.size() && cell[i] == '.') {
    ++i;
    fraction = digits();
  }
  if (!whole && !fraction)
    return false;
  if (i < cell.size() && (cell[i] == 'e' || cell[i] == 'E')) {
    ++i;
    if (i < cell.size() && (cell[i] == '+' || cell[i] == '-'))
      ++i;
    if (!digits())
      return false;
  }
  if (i != cell.size())
    return false;
  value = std::strtod(std::string(cell).c_str(), nullptr);
  return std::isfinite(value);
}

// Where the header's columns are; npos for one that is missing.
struct EventsColumns {
  size_t onset = std::string_view::npos;
  size_t duration = std::string_view::npos;
  size_t trialType = std::string_view::npos;
  size_t eventType = std::string_view::npos;
  size_t count = 0;
};

EventsColumns headerColumns(const std::vector<std::string_view>& cells) {
  EventsColumns columns;
  columns.count = cells.size();
  for (size_t i = 0; i < cells.size(); ++i) {
    for (auto [name, place] :
         {std::pair("onset", &columns.onset), std::pair("duration", &columns.duration),
          std::pair("trial_type", &columns.trialType),
          std::pair("event_type", &columns.eventType)}) {
      if (cells[i] == name && *place == std::string_view::npos)
        *place = i;
    }
  }
  return columns;
}

}  // namespace

bool parseEventsFile(std::string_view text, const std::string& displayName, EventsFile& file,
                     std::string& error) {
  EventsFile result;
  EventsColumns columns;
  size_t lineNumber = 0;
  const auto fail = [&](const std::string& what) {
    error = displayName + ":" + std::to_string(lineNumber) + ": " + what;
    return false;
  };
  LineSplitter lines(text);
  std::string_view line;
  while (lines.next(line)) {
    lineNumber = lines.lineNumber();
    const std::vector<std::string_view> cells = cellsOf(line);
    if (lineNumber == 1) {
      columns = headerColumns(cells);
      if (columns.onset == std::string_view::npos || columns.duration == std::string_view::npos)
        return fail("the header has no onset or no duration column");
      result.hasTrialType = columns.trialType != std::string_view::npos;
      result.hasEventType = columns.eventType != std::string_view::npos;
      continue;
    }
    if (cells.size() != columns.count) {
      return fail(std::to_string(cells.size()) + " cells, the header has " +
                  std::to_string(columns.count));
    }
    EventsFileRow row;
    if (!eventsNumber(cells[columns.onset], row.onset))
      return fail("the onset \"" + std::string(cells[columns.onset]) + "\" is not a number");
    const std::string_view duration = cells[columns.duration];
    double seconds = 0;
    if (duration != "n/a" && (!eventsNumber(duration, seconds) || seconds < 0)) {
      return fail("the duration \"" + std::string(duration) +
                  "\" is neither a number of seconds (0 or more) nor n/a");
    }
    if (duration != "n/a")
      row.duration = seconds;
    if (result.hasTrialType)
      row.trialType = std::string(cells[columns.trialType]);
    if (result.hasEventType)
      row.eventType = std::string(cells[columns.eventType]);
    result.rows.push_back(std::move(row));
  }
  if (lineNumber == 0)
    return fail("the file is empty: no header line");
  file = std::move(result);
  return true;
}

}  // namespace stimforge::kwhost
