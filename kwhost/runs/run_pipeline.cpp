#include "kwhost/runs/run_pipeline.h"

#include <utility>

#include "kwhost/runs/run_rows.h"
#include "kwhost/runs/time_zero.h"

namespace stimforge::kwhost {
namespace {

SourceRequest rowsRequest(const RunRequest& request) {
  const RunSettings& settings = *request.settings;
  SourceRequest wanted;
  wanted.types = typesOf(settings, *request.source);
  wanted.trigger = triggerOf(settings, *request.source);
  wanted.keepStimuli = request.bold != nullptr && settings.zero.kind == ZeroRule::Kind::kAuto;
  wanted.keepTriggers = settings.keepTriggers;
  wanted.propertyColumns = request.propertyColumns;
  wanted.columns = settings.columns;
  wanted.typedKeys = request.map != nullptr && request.map->hasTypedLines();
  if (settings.zero.kind == ZeroRule::Kind::kCode)
    wanted.zeroCode = settings.zero.code;
  wanted.bytes = request.bytes;
  return wanted;
}

// The trigger rows left out: a note, or a refusal when they are all the selection holds.
Refusal noteTriggerRows(const RunRequest& request, const SourcePass& pass,
                        const TriggerSelection& trigger, RunEvents& events) {
  const std::string keep = request.words->given(Setting::kKeepTriggers, "");
  if (pass.triggerRows > 0) {
    const std::string rows =
        std::to_string(pass.triggerRows) + " trigger rows (" + triggerText(trigger) + ")";
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

// The steps after the pass: time zero, the names through the map, the rows, the Levels and
// the sidecar's facts.
Refusal finishRun(const RunRequest& request, SourcePass& pass, const TriggerSelection& trigger,
                  bool againstScan, RunEvents& events) {
  const RunSettings& settings = *request.settings;
  // A log without triggers of the type: what could be them, for the advice.
  TriggerAdvice advice;
  const bool lacking = pass.triggers.times.empty() && settings.zero.kind == ZeroRule::Kind::kAuto;
  if (lacking)
    advice = request.source->adviseTrigger();
  const ZeroInput zeroInput{request.name,  settings,      trigger,
                            pass.triggers, pass.codeZero, againstScan ? request.bold : nullptr,
                            *request.words, lacking ? &advice : nullptr};
  ZeroChoice zero;
  Refusal refusal = chooseTimeZero(zeroInput, zero);
  events.scanCheck = zero.scanCheck;
  if (refusal.refused())
    return refusal;
  events.zero = zero.time;
  events.facts.zero = std::move(zero.description);
  events.warnings.insert(zero.warnings.begin(), zero.warnings.end());
  events.triggerFindings = std::move(zero.triggerFindings);
  EventsTable& table = events.table;
  table.decimals = request.source->decimals();
  RowTexts texts;
  refusal = nameRows(pass, request.map, settings.unmapped, table, texts, events.warnings);
  if (refusal.refused())
    return refusal;
  table.rows = std::move(pass.rows);
  request.source->finishColumns(table, events.warnings);
  finishRows(texts, events.zero, zero.window, settings.duration, table);
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

}  // namespace

std::vector<std::string> typesOf(const RunSettings& settings, const StimulusSource& source) {
  return settings.types ? *settings.types : source.defaultTypes();
}

TriggerSelection triggerOf(const RunSettings& settings, const StimulusSource& source) {
  return settings.trigger ? *settings.trigger : source.defaultTrigger();
}

Refusal readRunEvents(const RunRequest& request, RunEvents& events) {
  events = RunEvents();
  Refusal refusal = columnsFit(request);
  const SourceRequest wanted = rowsRequest(request);
  SourcePass pass;
  if (!refusal.refused())
    refusal = request.source->read(wanted, pass);
  if (!refusal.refused())
    refusal = noteTriggerRows(request, pass, wanted.trigger, events);
  if (!refusal.refused())
    refusal = finishRun(request, pass, wanted.trigger, wanted.keepStimuli, events);
  events.trigger = wanted.trigger;
  if (refusal.refused()) {
    // The rows read so far index raw texts; the check against the scan says why.
    std::optional<ScanCheck> check = std::move(events.scanCheck);
    events = RunEvents();
    events.trigger = wanted.trigger;
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
  wanted.trigger = triggerOf(settings, *request.source);
  wanted.keepStimuli = request.bold != nullptr;
  SourcePass pass;
  const Refusal refusal = request.source->read(wanted, pass);
  if (refusal.refused())
    return refusal;
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
  const Tenths end = check.report.scans.empty() ? 0 : check.report.scans.back().end;
  check.outside = check.triggers.outside(end);
  return Refusal::none();
}

}  // namespace stimforge::kwhost
