#include "kwhost/timeline/from_log.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "kwhost/timeline/sources.h"
#include "kwhost/triggers/log_triggers.h"
#include "logformat/log_source.h"

namespace stimforge::kwhost {
namespace {

// A gap hiding more missed triggers than this is marked at this many places spread over it:
// a picture cannot show more apart, and a log's times may be far apart.
constexpr int64_t kMaxMarksPerGap = 4096;

double seconds(double tenths, Tenths zero) {
  return (tenths - static_cast<double>(zero)) / 10000.0;
}

}  // namespace

TimelineTriggers triggerMarks(const std::vector<Tenths>& times, const TriggerFindings& findings,
                              Tenths zero, bool zeroShown) {
  TimelineTriggers marks;
  marks.pulses.reserve(times.size());
  for (const Tenths t : times)
    marks.pulses.push_back(seconds(static_cast<double>(t), zero));
  for (const ScanFindings& scan : findings.scans) {
    marks.scanStarts.push_back(seconds(static_cast<double>(scan.firstTime), zero));
    marks.scanEnds.push_back(seconds(static_cast<double>(scan.end), zero));
    for (const IrregularInterval& interval : scan.irregular) {
      if (interval.kind == IrregularInterval::Kind::kExtra) {
        marks.extra.push_back(seconds(static_cast<double>(interval.time), zero));
      } else if (interval.kind == IrregularInterval::Kind::kGap) {
        // The missing triggers were due a whole TR apart after the one before the gap;
        // without a TR they are spread evenly over it.
        const double before = static_cast<double>(interval.time - interval.length);
        const int64_t marked = std::min(interval.missing, kMaxMarksPerGap);
        const double step =
            findings.tr && marked == interval.missing
                ? *findings.tr
                : static_cast<double>(interval.length) / static_cast<double>(marked + 1);
        for (int64_t k = 1; k <= marked; ++k)
          marks.missed.push_back(seconds(before + step * static_cast<double>(k), zero));
      }
    }
  }
  if (zeroShown)
    marks.timeZero = 0.0;
  return marks;
}

void addEventRows(const EventsTable& table, Timeline& timeline) {
  std::unordered_map<uint32_t, size_t> rowOf;
  for (const EventRow& event : table.rows) {
    const auto [it, added] = rowOf.emplace(event.trialType, timeline.rows.size());
    if (added) {
      TimelineRow row;
      row.name = table.texts[event.trialType];
      row.rgb = paletteColour(timeline.rows.size());
      timeline.rows.push_back(std::move(row));
    }
    TimelineRow& row = timeline.rows[it->second];
    const double onset = static_cast<double>(event.onset) / 10000.0;
    if (event.duration != kNotApplicable && event.duration > 0) {
      row.starts.push_back(onset);
      row.ends.push_back(onset + static_cast<double>(event.duration) / 10000.0);
    } else {
      row.ticks.push_back(onset);
    }
  }
}

int logTimeline(const std::string& path, const std::string& displayName,
                const LogEventsOptions& options, Timeline& timeline,
                std::set<std::string>& warnings, std::string& error) {
  std::unique_ptr<LogSource> source = openLogFile(path);
  if (!source) {
    error = "cannot read " + path;
    return 1;
  }
  LogEvents events;
  int status = eventsFromLog(*source, displayName, options, events, error);
  Timeline result;
  result.fileName = textAsUtf8(displayName);
  bool fromScenario = options.zero.kind == TimeZero::Kind::kScenario;
  if (status == 1 && options.zero.kind == TimeZero::Kind::kAuto) {
    // What events refuses under auto is still worth seeing: from Presentation's own origin.
    LogEventsOptions scenario = options;
    scenario.zero = TimeZero();
    scenario.zero.kind = TimeZero::Kind::kScenario;
    scenario.scan = 0;
    scenario.skip = 0;
    LogEvents again;
    std::string ignored;
    if (source->rewind() && eventsFromLog(*source, displayName, scenario, again, ignored) == 0) {
      result.notes.push_back(
          "drawn from the scenario's origin, as kwhost events refuses it "
          "under --zero auto: " +
          error);
      events = std::move(again);
      error.clear();
      status = 0;
      fromScenario = true;
    }
  }
  if (status != 0)
    return status;
  if (!events.facts.zero.empty() && result.notes.empty())
    result.notes.push_back("time zero: " + events.facts.zero);
  warnings.insert(events.warnings.begin(), events.warnings.end());
  if (!events.triggerRowsNote.empty())
    warnings.insert(events.triggerRowsNote);
  addEventRows(events.table, result);

  LogTriggers triggers;
  std::string problem;
  if (!source->rewind() ||
      readLogTriggers(*source, options.trigger, triggers, problem) != ReadTriggersResult::kRead) {
    error = "cannot read " + path + " again for its triggers" +
            (problem.empty() ? std::string() : ": " + problem);
    return 1;
  }
  TriggerOptions analysis;
  analysis.tr = options.tr;
  analysis.skip = fromScenario ? 0 : options.skip;
  const TriggerFindings findings = analyzeTriggers(triggers.times, analysis);
  result.triggers = triggerMarks(triggers.times, findings, events.zeroTime, !fromScenario);
  if (events.scanCheck && events.scanCheck->end) {
    const ScanCheck& check = *events.scanCheck;
    result.triggers->storedScan =
        std::make_pair(0.0, static_cast<double>(*check.end - events.zeroTime) / 10000.0);
    result.triggers->outsideScan = check.outside.before + check.outside.after;
  }
  timeline = std::move(result);
  return 0;
}

}  // namespace stimforge::kwhost
