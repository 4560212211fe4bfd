#include "kwhost/runs/run_pipeline.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "kwhost/runs/run_rows.h"
#include "kwhost/runs/time_zero.h"

namespace stimforge::kwhost {
namespace {

SourceRequest rowsRequest(const RunRequest& request) {
  const RunSettings& settings = *request.settings;
  SourceRequest wanted;
  wanted.types = settings.types;
  wanted.keepStimuli = request.bold != nullptr && settings.zero.kind == ZeroRule::Kind::kAuto;
  wanted.keepTriggers = settings.keepTriggers;
  wanted.propertyColumns = request.propertyColumns;
  wanted.columns = settings.columns;
  wanted.typedKeys = request.map != nullptr && request.map->hasTypedLines();
  if (settings.zero.kind == ZeroRule::Kind::kCode)
    wanted.zeroCode = settings.zero.code;
  if (settings.trialType)
    wanted.trialType = &*settings.trialType;
  wanted.bytes = request.bytes;
  wanted.words = request.words;
  return wanted;
}

// The trigger rows left out: a note, or a refusal when they are all the selection holds.
Refusal noteTriggerRows(const RunRequest& request, const SourcePass& pass, RunEvents& events) {
  const std::string keep = request.words->given(Setting::kKeepTriggers, "");
  if (pass.triggerRows > 0) {
    const std::string rows = std::to_string(pass.triggerRows) + " trigger rows (" +
                             request.source->triggerText(*pass.trigger) + ")";
    if (pass.rows.empty() && pass.withoutTime == 0)
      return Refusal::input("the events selected in " + request.name + " are all " + rows +
                            ", which are left out: " + keep + " writes them");
    events.triggerRowsNote =
        "left out " + rows + " of " + request.name + "; " + keep + " keeps them";
  }
  if (pass.withoutTime > 0) {
    events.warnings.insert(std::to_string(pass.withoutTime) + " selected event(s) of " +
                           request.name + " without a whole Time were left out");
  }
  return Refusal::none();
}

// The TR triggers stored in part are checked against: the scan's, else the settings'.
std::optional<double> gridTrMs(const RunSettings& settings, const ScanCheck* scan) {
  if (scan != nullptr && scan->trMs)
    return scan->trMs;
  if (settings.tr)
    return msOfTenths(static_cast<double>(*settings.tr));
  return std::nullopt;
}

// Triggers stored in part, under zero auto: checked on the TR grid, said after time zero in
// the onset's description, a finding for those off it.
void checkPartial(const RunRequest& request, SourcePass& pass, RunEvents& events) {
  if (!pass.partialTriggers || request.settings->zero.kind != ZeroRule::Kind::kAuto)
    return;
  const PartialTriggers& partial = *pass.partialTriggers;
  ScanCheck* scan = events.scanCheck ? &*events.scanCheck : nullptr;
  const PartialTriggerCheck check =
      checkPartialTriggers(partial, gridTrMs(*request.settings, scan));
  events.facts.zero += "; " + partialTriggersText(partial, check, *request.words);
  const std::string finding = partialTriggersFinding(partial, check);
  if (!finding.empty()) {
    if (scan != nullptr)
      scan->findings.push_back(finding);
    std::string& text = events.triggerFindings;
    text = text.empty() ? "the triggers of " + request.name + " need a look: " + finding + "."
                        : text + " Also: " + finding + ".";
  }
  events.partialCheck = check;
  events.partialTriggers = std::move(pass.partialTriggers);
}

// The steps after the pass: time zero, the names through the map, the rows, the Levels and
// the sidecar's facts.
Refusal finishRun(const RunRequest& request, SourcePass& pass, bool againstScan,
                  RunEvents& events) {
  const RunSettings& settings = *request.settings;
  // A log without triggers of the type: what could be them, for the advice.
  TriggerAdvice advice;
  const bool lacking = pass.triggers.times.empty() && settings.zero.kind == ZeroRule::Kind::kAuto;
  if (lacking)
    advice = request.source->adviseTrigger();
  const TriggerSelection none;
  const ZeroInput zeroInput{request.name,
                            settings,
                            pass.trigger ? *pass.trigger : none,
                            pass.triggers,
                            pass.codeZero,
                            againstScan ? request.bold : nullptr,
                            *request.words,
                            lacking ? &advice : nullptr,
                            *request.source,
                            pass.fineTriggers,
                            pass.codeZeroParts};
  ZeroChoice zero;
  Refusal refusal = chooseTimeZero(zeroInput, zero);
  events.scanCheck = zero.scanCheck;
  if (refusal.refused())
    return refusal;
  events.zero = roundedDifference(zero.time, zero.parts, 0, 0);
  events.facts.zero = std::move(zero.description);
  events.warnings.insert(zero.warnings.begin(), zero.warnings.end());
  events.triggerFindings = std::move(zero.triggerFindings);
  checkPartial(request, pass, events);
  EventsTable& table = events.table;
  table.decimals = request.source->decimals();
  RowTexts texts;
  refusal = nameRows(pass, *request.source, request.map, settings.unmapped, table, texts,
                     events.warnings);
  if (refusal.refused())
    return refusal;
  table.rows = std::move(pass.rows);
  request.source->finishColumns(table, events.warnings);
  finishRows(texts, ExactZero{zero.time, zero.parts}, pass.onsetParts, zero.window,
             settings.duration, table);
  std::vector<int64_t>().swap(pass.onsetParts);
  describeLevels(table, texts, request.name, *request.words, events.facts, events.warnings);
  request.source->describeColumns(table, events.facts.extraColumns);
  events.facts.source = request.name;
  request.source->describeRun(events.facts, events.warnings);
  events.triggers = std::move(pass.triggers.times);
  return Refusal::none();
}

Refusal columnsFit(const RunRequest& request) {
  if (request.settings->columns.empty())
    return Refusal::none();
  Refusal refusal = request.source->checkColumns(request.settings->columns);
  if (refusal.kind == RefusalKind::kUsage)
    refusal.message =
        request.name + ": " + request.words->name(Setting::kColumns) + " " + refusal.message;
  return refusal;
}

// The trigger of a pass that reads rows: none when the source has no default and time zero
// needs no trigger.
Refusal rowsTrigger(const RunRequest& request, std::optional<TriggerSelection>& trigger) {
  TriggerSelection chosen;
  const Refusal refusal = triggerOf(*request.settings, *request.source, *request.words, chosen);
  if (!refusal.refused())
    trigger = std::move(chosen);
  else if (request.settings->zero.kind == ZeroRule::Kind::kAuto)
    return refusal;
  return Refusal::none();
}

}  // namespace

Refusal triggerOf(const RunSettings& settings, StimulusSource& source, const SettingWords& words,
                  TriggerSelection& trigger) {
  if (settings.trigger) {
    trigger = *settings.trigger;
    return Refusal::none();
  }
  return source.defaultTrigger(words, trigger);
}

Refusal readRunEvents(const RunRequest& request, RunEvents& events) {
  events = RunEvents();
  Refusal refusal = columnsFit(request);
  SourceRequest wanted = rowsRequest(request);
  if (!refusal.refused())
    refusal = rowsTrigger(request, wanted.trigger);
  SourcePass pass;
  if (!refusal.refused())
    refusal = request.source->read(wanted, pass);
  if (!refusal.refused())
    refusal = noteTriggerRows(request, pass, events);
  if (!refusal.refused())
    refusal = finishRun(request, pass, wanted.keepStimuli, events);
  events.trigger = pass.trigger ? pass.trigger : wanted.trigger;
  if (!refusal.refused() && !request.settings->trigger && !pass.triggers.how.empty())
    events.triggerNote = request.name + ": the trigger: " + pass.triggers.how;
  if (refusal.refused()) {
    // The rows read so far index raw texts; the check against the scan says why.
    const std::optional<TriggerSelection> trigger = events.trigger;
    std::optional<ScanCheck> check = std::move(events.scanCheck);
    events = RunEvents();
    events.trigger = trigger;
    events.scanCheck = std::move(check);
  }
  return refusal;
}

namespace {

// The trigger analysis of the report proper, told what the scan check found: its K as the
// skip, and the image's volumes as the volumes (unless given) when the count means something.
TriggerOptions analysisWithScan(const TriggerOptions& given, const BoldRun& bold,
                                const ScanCheck& check) {
  TriggerOptions analysis = given;
  if (!check.dummies.k)
    return analysis;
  analysis.skip = *check.dummies.k;
  const bool onePulse = check.triggers.count == 1;
  // The triggers of volumes not stored at the end (the sidecar said nothing was discarded)
  // are counted with the stored ones.
  if (analysis.volumes == 0 && !onePulse && check.scanCount == 1)
    analysis.volumes = bold.volumes + check.dummies.afterLastVolume;
  if (onePulse)
    analysis.skip = 0;  // K then moves time zero past the trigger, see the scan check
  return analysis;
}

}  // namespace

Refusal checkRunTriggers(const RunRequest& request, bool againstTriggers, RunCheck& check) {
  check = RunCheck();
  const RunSettings& settings = *request.settings;
  SourceRequest wanted;
  wanted.rows = false;
  wanted.keepStimuli = request.bold != nullptr;
  wanted.words = request.words;
  TriggerSelection trigger;
  Refusal refusal = triggerOf(settings, *request.source, *request.words, trigger);
  wanted.trigger = std::move(trigger);
  SourcePass pass;
  if (!refusal.refused())
    refusal = request.source->read(wanted, pass);
  if (refusal.refused())
    return refusal;
  check.trigger = pass.trigger ? *pass.trigger : *wanted.trigger;
  check.triggers = std::move(pass.triggers);
  const bool givenSkip = settings.skip && !settings.skip->automatic;
  TriggerOptions analysis;
  analysis.tr = settings.tr.value_or(0);
  analysis.volumes = settings.volumes.value_or(0);
  analysis.skip = givenSkip ? settings.skip->count : 0;
  if (request.bold != nullptr || againstTriggers) {
    ScanCheckOptions options;
    options.tr = analysis.tr;
    if (givenSkip || request.bold == nullptr)
      options.skip = analysis.skip;
    options.scan = static_cast<size_t>(settings.scan.value_or(0));
    options.volumes = analysis.volumes;
    options.words = request.words;
    std::optional<BoldRun> bold;
    if (request.bold != nullptr)
      bold = *request.bold;
    check.scan = checkLogAgainstScan(check.triggers.times, check.triggers.stimuli, options, bold);
    if (bold)
      analysis = analysisWithScan(analysis, *bold, *check.scan);
  }
  check.report = analyzeTriggers(check.triggers.times, analysis);
  if (check.triggers.times.empty())
    check.advice = request.source->adviseTrigger();
  Tenths end = check.report.scans.empty() ? 0 : check.report.scans.back().end;
  if (pass.partialTriggers && !check.triggers.times.empty()) {
    // The scan went on at least to the last trigger stored, one TR past it when known.
    const Micros last = pass.partialTriggers->sinceFirst.back() + kMicrosPerTenth / 2;
    const Tenths tr = std::llround(check.report.tr.value_or(0.0));
    end = std::max(end, check.triggers.times.front() + last / kMicrosPerTenth + tr);
  }
  check.outside = check.triggers.outside(end);
  if (pass.partialTriggers) {
    check.partialCheck = checkPartialTriggers(
        *pass.partialTriggers, gridTrMs(settings, check.scan ? &*check.scan : nullptr));
    check.partialTriggers = std::move(pass.partialTriggers);
  }
  return Refusal::none();
}

}  // namespace stimforge::kwhost
