#include "kwhost/runs/time_zero.h"

#include <cmath>

#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

// No trigger of the type asked for: the series that could be the triggers, or what else to
// give when the log logged none.
std::string noTriggers(const ZeroInput& input) {
  const SettingWords& words = input.words;
  std::string text = "no scanner triggers (" + input.source.triggerText(input.trigger) + ") in " + input.name;
  if (input.advice != nullptr && !input.advice->candidates.empty())
    return text + "; " + triggerAdviceText(*input.advice, words);
  if (input.advice != nullptr && !input.advice->eventTypes.empty())
    text += "; " + triggerAdviceText(*input.advice, words);
  if (words.has(Setting::kZero))
    text += "; if it logged none, give " + words.given(Setting::kZero, "scenario") + ", " +
            words.given(Setting::kZero, "MS") + " or " + words.given(Setting::kZero, "code:NAME");
  return text;
}

// "the triggers of NAME need a look: scan 1 (240 triggers), 2 missed at gaps. Run ..."
std::string triggerFindingsText(const ZeroInput& input, const TriggerFindings& findings) {
  std::string text = "the triggers of " + input.name + " need a look:";
  for (size_t i = 0; i < findings.scans.size(); ++i) {
    const ScanFindings& s = findings.scans[i];
    if (!s.hasFindings())
      continue;
    text += " scan " + std::to_string(i + 1) + " (" + std::to_string(s.count) + " triggers)";
    if (s.missingAtGaps > 0)
      text += ", " + std::to_string(s.missingAtGaps) + " missed at gaps";
    if (s.extraCount > 0)
      text += ", " + std::to_string(s.extraCount) + " extra";
    if (s.backwardCount > 0)
      text += ", " + std::to_string(s.backwardCount) + " going backwards";
    if (s.medianAgrees && !*s.medianAgrees)
      text += ", a median interval that disagrees with " + input.words.name(Setting::kTr);
    if (s.driftPpm && (*s.driftPpm > kMaxDriftPpm || *s.driftPpm < -kMaxDriftPpm))
      text += ", a clock drift of " + std::to_string(static_cast<int64_t>(*s.driftPpm)) + " ppm";
    if (s.count < 3)
      text += ", too few to check";
    text += ";";
  }
  text.back() = '.';
  const std::string hint = input.words.detailsHint(false);
  return hint.empty() ? text : text + " " + hint;
}

// The scan chosen under auto, or a refusal listing the scans.
Refusal chooseScan(const ZeroInput& input, const std::vector<ScanFindings>& scans, size_t& chosen) {
  const std::optional<int64_t>& scan = input.settings.scan;
  if (!scan && scans.size() > 1) {
    std::string error = input.name + " holds " + std::to_string(scans.size()) +
                        " scans; pick one with " + input.words.given(Setting::kScan, "N") + ":";
    // The first few are listed: a log of hundreds of scans is no run of one image.
    constexpr size_t kListed = 10;
    for (size_t i = 0; i < scans.size() && i < kListed; ++i) {
      error += " " + std::to_string(i + 1) + ": " + std::to_string(scans[i].count) +
               " triggers from " + formatMs(scans[i].firstTime) + " ms;";
    }
    error.pop_back();
    if (scans.size() > kListed)
      error += "; and " + std::to_string(scans.size() - kListed) + " more";
    return Refusal::input(error);
  }
  if (scan && static_cast<uint64_t>(*scan) > scans.size()) {
    return Refusal::input(input.words.given(Setting::kScan, std::to_string(*scan)) + ": " +
                          input.name + " holds " + std::to_string(scans.size()) + " scan(s)");
  }
  chosen = scan ? static_cast<size_t>(*scan - 1) : 0;
  return Refusal::none();
}

// Time zero at trigger `index` of the log, or `zero` tenths from it (a lone trigger and K):
// exact for a source that times finer, whose trigger's own time it takes.
void placeAtTrigger(const ZeroInput& input, size_t index, Tenths zero, ZeroChoice& choice) {
  choice.time = microsOfTenths(zero);
  if (index >= input.fineTriggers.size())
    return;
  const FineTime& exact = input.fineTriggers[index];
  choice.time = exact.floor + microsOfTenths(zero - input.triggers.times[index]);
  choice.parts = exact.parts;
}

// Time zero in the source's words, rounded to microseconds.
std::string zeroText(const ZeroInput& input, const ZeroChoice& choice) {
  return input.source.timeText(roundedDifference(choice.time, choice.parts, 0, 0));
}

std::optional<std::pair<Micros, Micros>> windowInMicros(
    const std::optional<std::pair<Tenths, Tenths>>& window) {
  if (!window)
    return std::nullopt;
  return std::make_pair(microsOfTenths(window->first), microsOfTenths(window->second));
}

// Time zero from the log's own triggers: trigger K + 1 of the chosen scan.
Refusal triggerZero(const ZeroInput& input, ZeroChoice& choice) {
  const std::vector<Tenths>& triggers = input.triggers.times;
  if (triggers.empty())
    return Refusal::input(noTriggers(input));
  const int64_t skip = input.settings.skip ? input.settings.skip->count : 0;
  TriggerOptions options;
  options.tr = input.settings.tr.value_or(0);
  options.skip = skip;
  const TriggerFindings findings = analyzeTriggers(triggers, options);
  size_t chosen = 0;
  const Refusal refusal = chooseScan(input, findings.scans, chosen);
  if (refusal.refused())
    return refusal;
  const ScanFindings& scan = findings.scans[chosen];
  if (!scan.timeZero)
    return Refusal::input("scan " + std::to_string(chosen + 1) + " of " + input.name + " has " +
                          std::to_string(scan.count) + " trigger(s), none left after " +
                          input.words.given(Setting::kSkip, std::to_string(skip)));
  placeAtTrigger(input, *scan.timeZeroTrigger, *scan.timeZero, choice);
  choice.window = windowInMicros(scanWindow(findings, chosen));
  std::string& zero = choice.description;
  zero =
      "trigger " + std::to_string(skip + 1) + " (" + input.source.triggerText(input.trigger) + ")";
  if (findings.scans.size() > 1)
    zero +=
        " of scan " + std::to_string(chosen + 1) + " of " + std::to_string(findings.scans.size());
  if (skip > 0)
    zero += ", after " + std::to_string(skip) + " discarded volume(s)";
  zero += ", at " + zeroText(input, choice);
  if (findings.hasFindings())
    choice.triggerFindings = triggerFindingsText(input, findings);
  return Refusal::none();
}

// "2 stimulus event(s) of NAME lie before time zero (the first a Picture "x" at line 7)".
std::string outsideText(size_t count, const std::optional<StimulusEvent>& first,
                        const std::string& name, const char* where) {
  std::string text = std::to_string(count) + " stimulus event(s) of " + name + " " + where;
  if (first)
    text += " (the first a " + first->type + " \"" + first->code + "\" at line " +
            std::to_string(first->line + 1) + ")";
  return text;
}

// What the log shows under each of the two readings of D more triggers than volumes.
std::string readingsText(const ScanCheck& check) {
  std::string text;
  if (check.readingsShiftMs)
    text = "between them the onsets move " + formatFixed(secondsOfMs(*check.readingsShiftMs), 1) +
           " s ";
  text += "(";
  for (const KReading& reading : check.readings) {
    text += (reading.k > 0 ? "" : "; ") + std::string("with K = ") + std::to_string(reading.k) +
            ": time zero at " + formatMs(reading.timeZero) + " ms, " +
            std::to_string(reading.outside.before) + " stimulus event(s) before it and " +
            std::to_string(reading.outside.after) + " after the stored scan";
  }
  return text + ")";
}

// Time zero from the check against the run: its first stored volume.
Refusal scanZero(const ZeroInput& input, ZeroChoice& choice) {
  const BoldRun& bold = *input.bold;
  ScanCheckOptions options;
  options.tr = input.settings.tr.value_or(0);
  if (input.settings.skip && !input.settings.skip->automatic)
    options.skip = input.settings.skip->count;
  options.scan = static_cast<size_t>(input.settings.scan.value_or(0));
  options.words = &input.words;
  choice.scanCheck =
      checkLogAgainstScan(input.triggers.times, input.triggers.stimuli, options, bold);
  const ScanCheck& check = *choice.scanCheck;
  if (input.triggers.times.empty())
    return Refusal::input(noTriggers(input));
  if (!check.scan) {
    size_t chosen = 0;  // a scan beyond the log's, or several and none chosen: say which
    const Refusal refusal = chooseScan(input, check.triggers.scans, chosen);
    if (refusal.refused())
      return refusal;
  }
  if (!check.timeZero) {
    const std::string against = input.name + " against " + bold.image.filename().u8string() +
                                ": no time zero: " + check.dummies.unknownReason;
    if (!check.readings.empty())
      return Refusal::findings(against + "; " + readingsText(check));
    return Refusal::findings(against + "; give " + input.words.given(Setting::kSkip, "K") +
                             " (the triggers without a stored volume) once you know it");
  }
  placeAtTrigger(input, *check.timeZeroTrigger, *check.timeZero, choice);
  if (check.scan)
    choice.window = windowInMicros(scanWindow(check.triggers, *check.scan));
  if (check.outside.before > 0)
    choice.warnings.insert(outsideText(check.outside.before, check.outside.firstBefore, input.name,
                                       "lie before time zero, the first stored volume"));
  if (check.outside.after > 0)
    choice.warnings.insert(outsideText(check.outside.after, check.outside.firstAfter, input.name,
                                       "lie after the end of the stored scan"));
  const std::string at = zeroText(input, choice);
  choice.description = onsetDescription(check, bold, input.words, &at);
  if (check.hasFindings()) {
    std::string& text = choice.triggerFindings;
    text = "the log against " + bold.image.filename().u8string() + " needs a look:";
    for (const std::string& finding : check.findings)
      text += " " + finding + ";";
    text.back() = '.';
    const std::string hint = input.words.detailsHint(true);
    if (!hint.empty())
      text += " " + hint;
  }
  return Refusal::none();
}

}  // namespace

std::optional<std::pair<Tenths, Tenths>> scanWindow(const TriggerFindings& findings, size_t scan) {
  const std::vector<ScanFindings>& scans = findings.scans;
  if (scans.size() < 2 || scan >= scans.size())
    return std::nullopt;
  std::pair<Tenths, Tenths> window(-kMaxLogTime, kMaxLogTime + 1);
  if (scan > 0) {
    // The scan before ends one interval after its last trigger: its median, else the TR.
    const ScanFindings& before = scans[scan - 1];
    const double interval =
        before.medianInterval ? *before.medianInterval : findings.tr.value_or(0);
    window.first = before.lastTime + static_cast<Tenths>(std::llround(interval));
  }
  if (scan + 1 < scans.size())
    window.second = scans[scan + 1].firstTime;
  return window;
}

Refusal chooseTimeZero(const ZeroInput& input, ZeroChoice& choice) {
  choice = ZeroChoice();
  const ZeroRule& zero = input.settings.zero;
  switch (zero.kind) {
    case ZeroRule::Kind::kAuto:
      return input.bold != nullptr ? scanZero(input, choice) : triggerZero(input, choice);
    case ZeroRule::Kind::kScenario:
      choice.description = input.source.originText(true);
      break;
    case ZeroRule::Kind::kTime:
      choice.time = microsOfTenths(zero.time);
      choice.description = "a time given by the user, " + zeroText(input, choice);
      break;
    case ZeroRule::Kind::kCode:
      if (!input.codeZero)
        return Refusal::input("no event of " + input.name + " has the code \"" +
                              escapeLine(zero.code) + "\"");
      choice.time = *input.codeZero;
      choice.parts = input.codeZeroParts;
      choice.description = input.source.zeroCodeText(zero.code) + ", at " + zeroText(input, choice);
      break;
  }
  return Refusal::none();
}

}  // namespace stimforge::kwhost
