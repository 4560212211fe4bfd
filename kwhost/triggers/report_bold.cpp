// The BOLD run's part of the report of `kwhost triggers --bold`: its TR, K, time zero, the
// end of the stored scan and the stimulus events outside it, as text and as JSON.
#include <cmath>
#include <cstdio>

#include "kwhost/triggers/report_parts.h"

namespace stimforge::kwhost::report_detail {
namespace {

using nlohmann::json;

std::string msText(double ms) {
  char text[40];
  std::snprintf(text, sizeof text, "%.10g", ms);
  return text;
}

// Where the TR used came from; the TR the user gives as the front end names it.
std::string trSourceName(TrSource source, const LogReport& report) {
  switch (source) {
    case TrSource::kSidecar:
      return "sidecar";
    case TrSource::kHeader:
      return "header";
    case TrSource::kNone:
      break;
  }
  return trName(report);
}

std::string outsideText(size_t count, const std::optional<StimulusEvent>& first) {
  return std::to_string(count) + (first ? ", the first " + describeStimulus(*first) : "") + "\n";
}

void appendBoldTimeZero(const ScanCheck& check, std::string& text) {
  if (check.dummies.k)
    text += "    K = " + std::to_string(*check.dummies.k) + ": " + check.dummies.rule + "\n";
  else
    text += "    K unknown: " + check.dummies.unknownReason + "\n";
  for (const KReading& reading : check.readings) {
    text += std::string("    if ") +
            (reading.k > 0 ? "K = " + std::to_string(reading.k) + " (dummy volumes at the start)"
                           : std::string("K = 0 (volumes lost at the end)")) +
            ": time zero at trigger " + std::to_string(reading.timeZeroTrigger + 1) + ", " +
            formatMs(reading.timeZero) + " ms; stimulus events before it " +
            std::to_string(reading.outside.before) + ", after the stored scan " +
            std::to_string(reading.outside.after) + "\n";
  }
  if (check.readingsShiftMs)
    text += "    the onsets move " + formatFixed(secondsOfMs(*check.readingsShiftMs), 1) +
            " s between the two readings\n";
  if (!check.timeZero) {
    text += "    time zero: none\n";
    return;
  }
  text += "    time zero: trigger " + std::to_string(*check.timeZeroTrigger + 1);
  if (check.timeZeroAfterTrigger)
    text += " + " + std::to_string(*check.dummies.k) + " x TR";
  text += " at " + formatMs(*check.timeZero) + " ms\n";
  if (check.end)
    text += "    end of the stored scan: " + formatMs(*check.end) + " ms (time zero + " +
            std::to_string(check.volumes) + " x " + msText(*check.trMs) + " ms)\n";
}

}  // namespace

void appendBold(const LogReport& report, const BoldRun& bold, const ScanCheck& check,
                std::string& text) {
  text += "  BOLD run: " + bold.image.string() + " (NIfTI-" + std::to_string(bold.niftiVersion) +
          ", " + std::to_string(bold.volumes) + " volumes)\n";
  text += "    TR " +
          (check.trMs ? msText(*check.trMs) + " ms (" + trSourceName(bold.trSource, report) + ")"
                      : std::string("unknown"));
  text += bold.headerTrMs ? "; header " + msText(*bold.headerTrMs) + " ms"
                          : "; header: none (" + bold.headerNoTrReason + ")";
  text += bold.sidecarTrMs ? "; sidecar " + msText(*bold.sidecarTrMs) + " ms\n" : "\n";
  text += "    sidecars:";
  for (const std::filesystem::path& file : bold.sidecar.files)
    text += " " + file.string();
  text += bold.sidecar.files.empty() ? " none\n" : "\n";
  if (check.scan && check.scanCount > 1)
    text += "    scan " + std::to_string(*check.scan + 1) + " of " +
            std::to_string(check.scanCount) + " checked\n";
  appendBoldTimeZero(check, text);
  if (check.driftPpm)
    text += "    clock drift " + formatFixed(*check.driftPpm, 1) + " ppm against the scan's TR\n";
  if (check.medianAgrees)
    text += std::string("    median interval ") +
            (*check.medianAgrees ? "agrees with" : "DISAGREES with") + " the scan's TR\n";
  if (check.countDifference)
    text += "    count: " + std::to_string(*check.expectedCount + *check.countDifference) + " of " +
            std::to_string(*check.expectedCount) + " (volumes + K)\n";
  if (check.timeZero) {
    text += "    stimulus events before time zero: " +
            outsideText(check.outside.before, check.outside.firstBefore);
    if (check.end)
      text += "    stimulus events after the end of the stored scan: " +
              outsideText(check.outside.after, check.outside.firstAfter);
  }
}

void addBoldJson(const LogReport& report, const BoldRun& bold, const ScanCheck& check,
                 json& object) {
  json files = json::array();
  for (const std::filesystem::path& file : bold.sidecar.files)
    files.push_back(file.string());
  const auto tenthsJson = [](const std::optional<Tenths>& t) {
    return t ? msJson(*t) : json(nullptr);
  };
  object["bold_file"] = bold.image.string();
  object["bold_nifti_version"] = bold.niftiVersion;
  object["bold_volumes"] = bold.volumes;
  object["bold_tr_ms"] = optionalJson(check.trMs);
  object["bold_tr_source"] = check.trMs ? json(trSourceName(bold.trSource, report)) : json(nullptr);
  object["header_tr_ms"] = optionalJson(bold.headerTrMs);
  object["sidecar_tr_ms"] = optionalJson(bold.sidecarTrMs);
  object["sidecar_files"] = files;
  object["discarded_by_scanner"] = optionalJson(bold.discardedByScanner);
  object["discarded_by_user"] = optionalJson(bold.discardedByUser);
  object["skip"] = optionalJson(check.dummies.k);
  object["skip_rule"] = check.dummies.k ? json(check.dummies.rule) : json(nullptr);
  object["skip_unknown_reason"] =
      check.dummies.k ? json(nullptr) : json(check.dummies.unknownReason);
  json readings = json::array();
  for (const KReading& reading : check.readings) {
    readings.push_back({{"skip", reading.k},
                        {"time_zero_ms", msJson(reading.timeZero)},
                        {"time_zero_trigger", reading.timeZeroTrigger + 1},
                        {"events_before_scan", reading.outside.before},
                        {"events_after_scan", reading.outside.after}});
  }
  object["skip_readings"] = readings;
  object["skip_readings_shift_ms"] = optionalJson(check.readingsShiftMs);
  object["scan_checked"] = check.scan ? json(*check.scan + 1) : json(nullptr);
  object["time_zero_ms"] = tenthsJson(check.timeZero);
  object["time_zero_trigger"] =
      check.timeZeroTrigger ? json(*check.timeZeroTrigger + 1) : json(nullptr);
  object["time_zero_after_trigger_tr"] =
      check.timeZeroAfterTrigger ? json(*check.dummies.k) : json(nullptr);
  object["scan_end_ms"] = tenthsJson(check.end);
  object["scan_drift_ppm"] =
      check.driftPpm ? json(std::round(*check.driftPpm * 10.0) / 10.0 + 0.0) : json(nullptr);
  object["scan_median_agrees"] = optionalJson(check.medianAgrees);
  object["scan_expected_count"] = optionalJson(check.expectedCount);
  object["scan_count_difference"] = optionalJson(check.countDifference);
  object["events_before_scan"] = check.timeZero
                                     ? stimulusJson(check.outside.before, check.outside.firstBefore)
                                     : json(nullptr);
  object["events_after_scan"] =
      check.end ? stimulusJson(check.outside.after, check.outside.firstAfter) : json(nullptr);
  object["bold_findings"] = check.findings;
}

}  // namespace stimforge::kwhost::report_detail
