#include "kwhost/timeline/from_log.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "kwhost/timeline/sources.h"

namespace stimforge::kwhost {
namespace {

// A gap hiding more missed triggers than this is marked at this many places spread over it:
// a picture cannot show more apart, and a log's times may be far apart.
constexpr int64_t kMaxMarksPerGap = 4096;

// Time zero in tenths, exact for a zero of whole tenths (every Presentation time).
double zeroInTenths(Micros zero) {
  return static_cast<double>(zero) / static_cast<double>(kMicrosPerTenth);
}

double seconds(double tenths, double zeroTenths) {
  return secondsOfTenths(tenths - zeroTenths);
}

}  // namespace

TimelineTriggers triggerMarks(const std::vector<Tenths>& times, const TriggerFindings& findings,
                              Micros zeroMicros, bool zeroShown) {
  const double zero = zeroInTenths(zeroMicros);
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
  // By the name, not the text's index: a map gives one name to many codes.
  std::unordered_map<std::string_view, size_t> rowOf;
  for (const EventRow& event : table.rows) {
    const std::string& name = table.texts[event.trialType];
    const auto [it, added] = rowOf.emplace(name, timeline.rows.size());
    if (added) {
      TimelineRow row;
      row.name = name;
      row.rgb = paletteColour(timeline.rows.size());
      timeline.rows.push_back(std::move(row));
    }
    TimelineRow& row = timeline.rows[it->second];
    const double onset = secondsOfMicros(static_cast<double>(event.onset));
    if (event.duration != kNotApplicable && event.duration > 0) {
      row.starts.push_back(onset);
      row.ends.push_back(onset + secondsOfMicros(static_cast<double>(event.duration)));
    } else {
      row.ticks.push_back(onset);
    }
  }
}

namespace {

// The run's events; under zero auto a run the pipeline refuses is read again from the
// scenario's origin, with a note saying why.
Refusal eventsToDraw(const RunRequest& request, RunEvents& events, Timeline& result,
                     bool& fromScenario) {
  const RunSettings& settings = *request.settings;
  fromScenario = settings.zero.kind == ZeroRule::Kind::kScenario;
  Refusal refusal = readRunEvents(request, events);
  if (!refusal.refused() || refusal.kind == RefusalKind::kUsage ||
      settings.zero.kind != ZeroRule::Kind::kAuto)
    return refusal;
  // What events refuses under auto is still worth seeing: from the program's own origin.
  RunSettings scenario = settings;
  scenario.zero = ZeroRule();
  scenario.zero.kind = ZeroRule::Kind::kScenario;
  scenario.scan.reset();
  scenario.skip.reset();
  RunRequest again = request;
  again.settings = &scenario;
  RunEvents drawn;
  if (readRunEvents(again, drawn).refused())
    return refusal;
  result.notes.push_back("drawn from " + request.source->originText(false) +
                         ", as kwhost events refuses it under " +
                         request.words->given(Setting::kZero, "auto") + ": " + refusal.message);
  events = std::move(drawn);
  fromScenario = true;
  return Refusal::none();
}

}  // namespace

namespace {

// The rows and the trigger row of `events`, read with `settings`, into `result`.
void drawEvents(const RunEvents& events, const RunSettings& settings, bool fromScenario,
                Timeline& result) {
  addEventRows(events.table, result);
  TriggerOptions analysis;
  analysis.tr = settings.tr.value_or(0);
  const SkipSetting skip = settings.skip.value_or(SkipSetting{false, 0});
  analysis.skip = fromScenario || skip.automatic ? 0 : skip.count;
  const TriggerFindings findings = analyzeTriggers(events.triggers, analysis);
  result.triggers = triggerMarks(events.triggers, findings, events.zero, !fromScenario);
  if (events.scanCheck && events.scanCheck->end) {
    const ScanCheck& check = *events.scanCheck;
    result.triggers->storedScan = std::make_pair(
        0.0, secondsOfTenths(static_cast<double>(*check.end) - zeroInTenths(events.zero)));
    result.triggers->outsideScan = check.outside.before + check.outside.after;
  }
}

}  // namespace

Refusal runTimeline(const RunRequest& request, const std::string& displayName, Timeline& timeline,
                    std::set<std::string>& warnings) {
  RunEvents events;
  Timeline result;
  result.fileName = textAsUtf8(displayName);
  bool fromScenario = false;
  const Refusal refusal = eventsToDraw(request, events, result, fromScenario);
  if (refusal.refused())
    return refusal;
  if (!events.facts.zero.empty() && result.notes.empty())
    result.notes.push_back("time zero: " + events.facts.zero);
  warnings.insert(events.warnings.begin(), events.warnings.end());
  if (!events.triggerRowsNote.empty())
    warnings.insert(events.triggerRowsNote);
  drawEvents(events, *request.settings, fromScenario, result);
  timeline = std::move(result);
  return Refusal::none();
}

Timeline runEventsTimeline(const RunEvents& events, const RunSettings& settings,
                           const std::string& displayName) {
  Timeline timeline;
  timeline.fileName = textAsUtf8(displayName);
  if (!events.facts.zero.empty())
    timeline.notes.push_back("time zero: " + events.facts.zero);
  drawEvents(events, settings, settings.zero.kind == ZeroRule::Kind::kScenario, timeline);
  return timeline;
}

}  // namespace stimforge::kwhost
