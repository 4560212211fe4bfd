#include "kwhost/triggers/report.h"

#include <cmath>
#include <cstdio>

#include "kwhost/triggers/report_parts.h"

namespace stimforge::kwhost {

using nlohmann::json;

namespace report_detail {

json msJson(Tenths tenths) {
  return msOfTenths(static_cast<double>(tenths));
}

std::string trName(const LogReport& report) {
  return report.words.name(Setting::kTr);
}

json stimulusJson(size_t count, const std::optional<StimulusEvent>& first) {
  json object = {{"count", count}, {"first", nullptr}};
  if (first)
    object["first"] = {{"line", first->line + 1},
                       {"time_ms", msJson(first->time)},
                       {"type", first->type},
                       {"code", first->code}};
  return object;
}

std::string describeStimulus(const StimulusEvent& event) {
  return event.type + " \"" + event.code + "\" at " + formatMs(event.time) + " ms (line " +
         std::to_string(event.line + 1) + ")";
}

}  // namespace report_detail

namespace {

using namespace report_detail;
using report_detail::msJson;  // beside the overload below, not hidden by it

// A figure in tenths (not always whole) as milliseconds with one decimal.
std::string formatTenths(double tenths) {
  return formatFixed(msOfTenths(tenths), 1);
}

// A figure in tenths as milliseconds in JSON, to a thousandth of a millisecond.
json msJson(const std::optional<double>& tenths) {
  if (!tenths)
    return nullptr;
  return std::round(*tenths * 100.0) / 1000.0 + 0.0;  // + 0.0: no "-0.0"
}

// A trigger's number, from 1, and its line in the file, from 1.
size_t triggerNumber(size_t index) {
  return index + 1;
}

int64_t fileLine(const LogReport& report, size_t index) {
  return report.triggers.lines[index] + 1;
}

std::string triggerName(const TriggerSelection& selection) {
  return selection.code ? selection.type + " events with code " + *selection.code
                        : selection.type + " events";
}

const char* kindName(IrregularInterval::Kind kind) {
  switch (kind) {
    case IrregularInterval::Kind::kGap:
      return "gap";
    case IrregularInterval::Kind::kExtra:
      return "extra";
    case IrregularInterval::Kind::kBackward:
      return "backward";
  }
  return "gap";
}

json countPlaceJson(CountPlace place) {
  switch (place) {
    case CountPlace::kNone:
      return nullptr;
    case CountPlace::kAtGaps:
      return "gaps";
    case CountPlace::kAtEnd:
      return "end";
    case CountPlace::kAtExtras:
      return "extras";
    case CountPlace::kUnknown:
      return "unknown";
  }
  return nullptr;
}

json scanJson(const LogReport& report, const ScanFindings& scan) {
  json irregular = json::array();
  for (const IrregularInterval& interval : scan.irregular)
    irregular.push_back({{"kind", kindName(interval.kind)},
                         {"trigger", triggerNumber(interval.trigger)},
                         {"line", fileLine(report, interval.trigger)},
                         {"time_ms", msJson(interval.time)},
                         {"interval_ms", msJson(interval.length)},
                         {"missing", interval.missing}});
  json object = {
      {"first_trigger", triggerNumber(scan.first)},
      {"last_trigger", triggerNumber(scan.last)},
      {"count", scan.count},
      {"first_time_ms", msJson(scan.firstTime)},
      {"last_time_ms", msJson(scan.lastTime)},
      {"median_interval_ms", msJson(scan.medianInterval)},
      {"fitted_tr_ms", msJson(scan.fittedTr)},
      {"largest_residual_ms", msJson(scan.largestResidual)},
      {"largest_residual_trigger", nullptr},
      {"drift_ppm", nullptr},
      {"median_agrees", optionalJson(scan.medianAgrees)},
      {"irregular_count", scan.irregularCount},
      {"irregular", irregular},
      {"missing_at_gaps", scan.missingAtGaps},
      {"extra_count", scan.extraCount},
      {"backward_count", scan.backwardCount},
      {"expected_count", optionalJson(scan.expectedCount)},
      {"count_difference", optionalJson(scan.countDifference)},
      {"count_place", countPlaceJson(scan.countPlace)},
      {"time_zero_ms", nullptr},
      {"time_zero_trigger", nullptr},
      {"end_ms", scan.endKnown ? msJson(scan.end) : json(nullptr)},
      {"first_pulse_only", scan.firstPulseOnly},
      {"split_gap_before_ms", msJson(scan.splitGapBefore)},
      {"hidden_before_scan", scan.hiddenBeforeScan},
      {"consistent", !scan.hasFindings()},
  };
  if (scan.largestResidualTrigger)
    object["largest_residual_trigger"] = triggerNumber(*scan.largestResidualTrigger);
  if (scan.driftPpm)
    object["drift_ppm"] = std::round(*scan.driftPpm * 10.0) / 10.0 + 0.0;
  if (scan.timeZero) {
    object["time_zero_ms"] = msJson(*scan.timeZero);
    object["time_zero_trigger"] = triggerNumber(*scan.timeZeroTrigger);
  }
  return object;
}

void appendIrregular(const LogReport& report, const ScanFindings& scan, std::string& text) {
  if (scan.irregularCount == 0) {
    text += "    irregular intervals: none\n";
    return;
  }
  text += "    irregular intervals: " + std::to_string(scan.irregularCount);
  if (scan.irregularCount > scan.irregular.size())
    text += " (the first " + std::to_string(scan.irregular.size()) + " listed)";
  text += "\n";
  for (const IrregularInterval& interval : scan.irregular) {
    text += "      trigger " + std::to_string(triggerNumber(interval.trigger)) + " at " +
            formatMs(interval.time) + " ms (line " +
            std::to_string(fileLine(report, interval.trigger)) + "): ";
    switch (interval.kind) {
      case IrregularInterval::Kind::kGap:
        text += formatMs(interval.length) + " ms after the previous one, a gap hiding " +
                std::to_string(interval.missing) + " trigger" + (interval.missing == 1 ? "" : "s") +
                "\n";
        break;
      case IrregularInterval::Kind::kExtra:
        text +=
            "only " + formatMs(interval.length) + " ms after the previous one: an extra trigger\n";
        break;
      case IrregularInterval::Kind::kBackward:
        text +=
            formatMs(-interval.length) + " ms before the previous one: the time goes backwards\n";
        break;
    }
  }
}

void appendCount(const ScanFindings& scan, std::string& text) {
  if (!scan.countDifference)
    return;
  const int64_t difference = *scan.countDifference;
  text += "    count: " + std::to_string(scan.count) + " of " +
          std::to_string(*scan.expectedCount) + " (volumes + skipped)";
  if (difference == 0) {
    text += ", as expected\n";
    return;
  }
  const int64_t size = difference < 0 ? -difference : difference;
  text += ", " + std::to_string(size) + (difference < 0 ? " missing" : " too many");
  switch (scan.countPlace) {
    case CountPlace::kAtGaps:
      text += ", most likely at the gaps listed";
      break;
    case CountPlace::kAtEnd:
      text += scan.missingAtGaps > 0 ? ", beyond those the gaps hide" : "";
      text += ": the scan was most likely stopped early (or triggers were lost at its start)";
      break;
    case CountPlace::kAtExtras:
      text += ", most likely the extra triggers listed";
      break;
    case CountPlace::kUnknown:
    case CountPlace::kNone:
      break;
  }
  text += "\n";
}

void appendScan(const LogReport& report, size_t number, const ScanFindings& scan,
                std::string& text) {
  text += "  scan " + std::to_string(number) + ": triggers " +
          std::to_string(triggerNumber(scan.first)) + " to " +
          std::to_string(triggerNumber(scan.last)) + ", " + std::to_string(scan.count) +
          " trigger" + (scan.count == 1 ? "" : "s") + ", " + formatMs(scan.firstTime) + " to " +
          formatMs(scan.lastTime) + " ms\n";
  if (scan.splitGapBefore > 0 && report.findings.options.volumes == 0)
    text += "    after a pause of " + formatMs(scan.splitGapBefore) +
            " ms; it may instead be a burst of " + std::to_string(scan.hiddenBeforeScan) +
            " lost triggers\n";
  if (scan.medianInterval) {
    text += "    median interval " + formatTenths(*scan.medianInterval) + " ms";
    if (scan.medianAgrees)
      text += *scan.medianAgrees ? " (agrees with " + trName(report) + " within 1%)"
                                 : " (DISAGREES with " + trName(report) + ")";
    text += "\n";
  } else if (scan.firstPulseOnly) {
    text += "    first trigger only: a design that logs the first pulse\n";
  } else {
    text += "    fewer than three triggers: no TR estimate\n";
  }
  if (scan.fittedTr)
    text += "    fitted TR " + formatFixed(msOfTenths(*scan.fittedTr), 3) +
            " ms, largest residual " + formatTenths(*scan.largestResidual) + " ms (trigger " +
            std::to_string(triggerNumber(*scan.largestResidualTrigger)) + ")\n";
  if (scan.driftPpm)
    text += "    clock drift " + formatFixed(*scan.driftPpm, 1) + " ppm against " + trName(report) +
            (std::fabs(*scan.driftPpm) > kMaxDriftPpm ? " (above 100 ppm)" : "") + "\n";
  appendIrregular(report, scan, text);
  appendCount(scan, text);
  if (report.scan != nullptr && !report.scan->timeZero)
    text += "    time zero: unknown until K is (see the BOLD run below)\n";
  else if (scan.timeZero)
    text += "    time zero: trigger " + std::to_string(triggerNumber(*scan.timeZeroTrigger)) +
            " at " + formatMs(*scan.timeZero) + " ms\n";
  else
    text += "    time zero: none (the scan has no trigger after the skipped ones)\n";
}

}  // namespace

std::vector<std::string> reportFindings(const LogReport& report) {
  const TriggerFindings& findings = report.findings;
  std::vector<std::string> result;
  if (findings.count == 0) {
    const std::string advice =
        report.advice != nullptr ? triggerAdviceText(*report.advice, report.words) : "";
    const bool candidates = report.advice != nullptr && !report.advice->candidates.empty();
    result.push_back("no " + triggerName(report.selection) + " in " + report.path + "; " +
                     (candidates ? advice
                                 : (advice.empty() ? "" : advice + "; ") + "give " +
                                       report.words.given(Setting::kTrigger, "TYPE[:CODE]") +
                                       " if the scanner's triggers were logged as another type"));
    return result;
  }
  if (!findings.tr && findings.count != 1)
    result.push_back(findings.count < 3 ? "fewer than three triggers: no TR estimate"
                                        : "no TR estimate: the intervals are not positive");
  for (size_t i = 0; i < findings.scans.size(); ++i) {
    const ScanFindings& scan = findings.scans[i];
    const std::string name = "scan " + std::to_string(i + 1) + ": ";
    if (scan.count < 3 && findings.tr && !scan.firstPulseOnly)
      result.push_back(name + "fewer than three triggers");
    if (scan.irregularCount > 0)
      result.push_back(name + std::to_string(scan.irregularCount) + " irregular interval" +
                       (scan.irregularCount == 1 ? "" : "s"));
    if (scan.countDifference && *scan.countDifference != 0)
      result.push_back(name + std::to_string(scan.count) + " triggers, not " +
                       std::to_string(*scan.expectedCount));
    if (scan.medianAgrees && !*scan.medianAgrees)
      result.push_back(name + "median interval " + formatTenths(*scan.medianInterval) +
                       " ms is not within 1% of " + trName(report));
    if (scan.driftPpm && std::fabs(*scan.driftPpm) > kMaxDriftPpm)
      result.push_back(name + "clock drift " + formatFixed(*scan.driftPpm, 1) + " ppm");
  }
  if (report.scan)
    for (const std::string& finding : report.scan->findings)
      result.push_back("BOLD run: " + finding);
  if (report.partial && report.partialCheck && report.partialCheck->offGrid())
    result.push_back(partialTriggersFinding(*report.partial, *report.partialCheck));
  return result;
}

std::string textReport(const LogReport& report) {
  const TriggerFindings& findings = report.findings;
  const LogTriggers& triggers = report.triggers;
  std::string text = report.path + ": " + std::to_string(findings.count) + " " +
                     triggerName(report.selection) + " (" +
                     (triggers.subjectColumn ? "with" : "without") + " a Subject column)\n";
  if (!triggers.how.empty())  // a source that says in its own words what its triggers are
    text = report.path + ": " + std::to_string(findings.count) +
           (findings.count == 1 ? " trigger (" : " triggers (") + triggers.how + ")\n";
  if (triggers.withoutTime > 0)
    text += "  " + std::to_string(triggers.withoutTime) + " line" +
            (triggers.withoutTime == 1 ? "" : "s") + " of that type without a readable Time " +
            "(first: line " + std::to_string(triggers.firstWithoutTime + 1) + "): not counted\n";
  if (triggers.backward > 0)
    text += "  trigger times go backwards " + std::to_string(triggers.backward) + " time" +
            (triggers.backward == 1 ? "" : "s") + " (first at line " +
            std::to_string(triggers.firstBackward + 1) + ")\n";
  if (findings.tr)
    text += "  TR " + formatTenths(*findings.tr) + " ms (" +
            (findings.trGiven ? trName(report) : std::string("the median interval")) + ")\n";
  for (size_t i = 0; i < findings.scans.size(); ++i)
    appendScan(report, i + 1, findings.scans[i], text);
  if (report.partial && report.partialCheck)
    text += "  " + partialTriggersText(*report.partial, *report.partialCheck, report.words) + "\n";
  const StimulusOutside& outside = report.outside;
  if (findings.count > 0) {
    text += "  stimulus events before the first trigger: " + std::to_string(outside.before);
    text += outside.firstBefore ? ", the first " + describeStimulus(*outside.firstBefore) : "";
    text += "\n";
    // Without a TR, "plus one TR" means nothing: no figure at all rather than a wrong one.
    if (findings.tr) {
      text +=
          "  stimulus events after the last trigger plus one TR: " + std::to_string(outside.after);
      text += outside.firstAfter ? ", the first " + describeStimulus(*outside.firstAfter) : "";
      text += "\n";
    }
  }
  if (report.bold && report.scan)
    appendBold(report, *report.bold, *report.scan, text);
  const std::vector<std::string> problems = reportFindings(report);
  if (problems.empty()) {
    text += "  verdict: consistent\n";
  } else {
    text += "  verdict: findings:";
    for (size_t i = 0; i < problems.size(); ++i)
      text += (i == 0 ? " " : "; ") + problems[i];
    text += "\n";
  }
  return text;
}

json jsonReport(const LogReport& report) {
  const TriggerFindings& findings = report.findings;
  const LogTriggers& triggers = report.triggers;
  json scans = json::array();
  for (const ScanFindings& scan : findings.scans)
    scans.push_back(scanJson(report, scan));
  const std::vector<std::string> problems = reportFindings(report);
  json object = {
      {"file", report.path},
      {"trigger_type", report.selection.type},
      {"trigger_code", optionalJson(report.selection.code)},
      {"subject_column", triggers.subjectColumn},
      {"property_columns", triggers.propertyColumns},
      {"trigger_count", findings.count},
      {"lines_without_time", triggers.withoutTime},
      {"backward_count", triggers.backward},
      {"tr_ms", msJson(findings.tr)},
      {"tr_given", findings.trGiven},
      {"median_interval_ms", msJson(findings.medianInterval)},
      {"volumes", findings.options.volumes > 0 ? json(findings.options.volumes) : json(nullptr)},
      {"skip", findings.options.skip},
      {"scans", scans},
      {"stimulus_before", stimulusJson(report.outside.before, report.outside.firstBefore)},
      {"stimulus_after",
       findings.tr ? stimulusJson(report.outside.after, report.outside.firstAfter) : json(nullptr)},
      {"findings", problems},
      {"consistent", problems.empty()},
  };
  if (report.bold && report.scan)
    addBoldJson(report, *report.bold, *report.scan, object);
  if (!triggers.how.empty())
    object["trigger_how"] = triggers.how;
  if (report.partial && report.partialCheck)
    object["partial_triggers"] = partialTriggersJson(*report.partial, *report.partialCheck);
  return object;
}

json jsonError(const std::string& path, const std::string& problem) {
  return {{"file", path}, {"error", problem}};
}

}  // namespace stimforge::kwhost
