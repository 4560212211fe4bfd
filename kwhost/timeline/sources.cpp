#include "kwhost/timeline/sources.h"

#include <cmath>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "host/protocol_limits.h"
#include "kwhost/common/lines.h"
#include "kwhost/common/log_time.h"
#include "kwhost/common/text_utf8.h"
#include "kwhost/timeline/svg_text.h"

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

}  // namespace

uint32_t paletteColour(size_t row) {
  return kTimelinePalette[row % (sizeof kTimelinePalette / sizeof kTimelinePalette[0])];
}

std::string textAsUtf8(std::string_view text) {
  // The conversion kwhost events writes its files with; a picture needs no warning of it.
  Utf8Conversion ignored;
  return toUtf8(text, ignored);
}

Timeline protocolTimeline(const Protocol& protocol, const std::string& displayName) {
  Timeline timeline;
  timeline.fileName = textAsUtf8(displayName);
  const bool volumes = protocol.timeResolution == kTimeResolutionVolumes;
  timeline.unit = volumes ? TimelineUnit::kVolumes : TimelineUnit::kSeconds;
  if (!protocol.title.empty())
    timeline.notes.push_back("title: " + textAsUtf8(protocol.title));
  if (!volumes && protocol.timeResolution != kTimeResolutionMilliseconds) {
    timeline.notes.push_back("time resolution " + std::to_string(protocol.timeResolution) +
                             " is neither volumes (1) nor milliseconds (2): drawn as "
                             "milliseconds");
  }
  for (const Condition& condition : protocol.conditions) {
    TimelineRow row;
    row.name = textAsUtf8(condition.name);
    row.rgb = static_cast<uint32_t>(condition.colour) & 0xFFFFFFu;
    const size_t n = condition.starts.size();
    row.starts.resize(n);
    row.ends.resize(n);
    for (size_t i = 0; i < n; ++i) {
      if (volumes) {
        row.starts[i] = static_cast<double>(condition.starts[i]) - 1.0;
        row.ends[i] = static_cast<double>(condition.ends[i]);
      } else {
        row.starts[i] = secondsOfMs(condition.starts[i]);
        row.ends[i] = secondsOfMs(condition.ends[i]);
      }
    }
    timeline.rows.push_back(std::move(row));
  }
  return timeline;
}

bool eventsFileTimeline(std::string_view text, const std::string& displayName, Timeline& timeline,
                        std::string& error) {
  Timeline result;
  result.fileName = textAsUtf8(displayName);
  std::unordered_map<std::string, size_t> rowOf;
  size_t onsetColumn = 0;
  size_t durationColumn = 0;
  size_t typeColumn = 0;
  bool hasType = false;
  size_t columns = 0;
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
      bool onset = false;
      bool duration = false;
      for (size_t i = 0; i < cells.size(); ++i) {
        if (cells[i] == "onset" && !onset) {
          onset = true;
          onsetColumn = i;
        } else if (cells[i] == "duration" && !duration) {
          duration = true;
          durationColumn = i;
        } else if (cells[i] == "trial_type" && !hasType) {
          hasType = true;
          typeColumn = i;
        }
      }
      if (!onset || !duration)
        return fail("the header has no onset or no duration column");
      columns = cells.size();
      continue;
    }
    if (cells.size() != columns) {
      return fail(std::to_string(cells.size()) + " cells, the header has " +
                  std::to_string(columns));
    }
    double onset = 0;
    if (!eventsNumber(cells[onsetColumn], onset))
      return fail("the onset \"" + std::string(cells[onsetColumn]) + "\" is not a number");
    double duration = 0;
    const std::string_view durationCell = cells[durationColumn];
    if (durationCell != "n/a" && (!eventsNumber(durationCell, duration) || duration < 0)) {
      return fail("the duration \"" + std::string(durationCell) +
                  "\" is neither a number of seconds (0 or more) nor n/a");
    }
    const std::string type = hasType ? std::string(cells[typeColumn]) : std::string("events");
    const auto [it, added] = rowOf.emplace(type, result.rows.size());
    if (added) {
      TimelineRow row;
      row.name = textAsUtf8(type);
      row.rgb = paletteColour(result.rows.size());
      result.rows.push_back(std::move(row));
    }
    TimelineRow& row = result.rows[it->second];
    if (duration > 0) {
      row.starts.push_back(onset);
      row.ends.push_back(onset + duration);
    } else {
      row.ticks.push_back(onset);
    }
  }
  if (lineNumber == 0)
    return fail("the file is empty: no header line");
  timeline = std::move(result);
  return true;
}

void addStoredScan(const BoldRun& bold, Timeline& timeline) {
  if (!bold.trMs)
    return;
  const double end = secondsOfMs(static_cast<double>(bold.volumes) * *bold.trMs);
  TimelineTriggers scan;
  scan.logged = false;
  scan.timeZero = 0.0;
  scan.storedScan = std::make_pair(0.0, end);
  for (const TimelineRow& row : timeline.rows) {
    for (const std::vector<double>* times : {&row.starts, &row.ticks}) {
      for (const double t : *times)
        scan.outsideScan += t < 0.0 || t >= end ? 1 : 0;
    }
  }
  timeline.triggers = std::move(scan);
}

}  // namespace stimforge::kwhost
