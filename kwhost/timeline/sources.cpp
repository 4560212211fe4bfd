#include "kwhost/timeline/sources.h"

#include <unordered_map>
#include <vector>

#include "host/protocol_limits.h"
#include "kwhost/common/log_time.h"
#include "kwhost/common/text_utf8.h"
#include "kwhost/events/events_file.h"
#include "kwhost/timeline/svg_text.h"

namespace stimforge::kwhost {

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
  EventsFile file;
  if (!parseEventsFile(text, displayName, file, error))
    return false;
  Timeline result;
  result.fileName = textAsUtf8(displayName);
  std::unordered_map<std::string, size_t> rowOf;
  for (const EventsFileRow& event : file.rows) {
    const std::string type = file.hasTrialType ? event.trialType : std::string("events");
    const auto [it, added] = rowOf.emplace(type, result.rows.size());
    if (added) {
      TimelineRow row;
      row.name = textAsUtf8(type);
      row.rgb = paletteColour(result.rows.size());
      result.rows.push_back(std::move(row));
    }
    TimelineRow& row = result.rows[it->second];
    if (event.duration.value_or(0) > 0) {
      row.starts.push_back(event.onset);
      row.ends.push_back(event.onset + *event.duration);
    } else {
      row.ticks.push_back(event.onset);
    }
  }
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
  scan.scanStarts = {0.0};  // the band of the row: the stored scan
  scan.scanEnds = {end};
  for (const TimelineRow& row : timeline.rows) {
    for (const std::vector<double>* times : {&row.starts, &row.ticks}) {
      for (const double t : *times)
        scan.outsideScan += t < 0.0 || t >= end ? 1 : 0;
    }
  }
  timeline.triggers = std::move(scan);
}

}  // namespace stimforge::kwhost
