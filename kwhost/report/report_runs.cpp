#include "kwhost/report/report_runs.h"

#include "kwhost/design/design_runs.h"
#include "kwhost/design/design_svg.h"
#include "kwhost/timeline/from_log.h"

namespace stimforge::kwhost {
namespace {

ReportVerdict verdictOf(StudyRunOutcome::Status status) {
  switch (status) {
    case StudyRunOutcome::Status::kWritten:
      return ReportVerdict::kConsistent;
    case StudyRunOutcome::Status::kFindings:
      return ReportVerdict::kFindings;
    case StudyRunOutcome::Status::kNoScan:
      return ReportVerdict::kNoScan;
    case StudyRunOutcome::Status::kFailed:
      break;
  }
  return ReportVerdict::kFailed;
}

void takeEntities(const StudyRun& run, ReportRun& report) {
  for (const BidsEntity& entity : run.values) {
    if (entity.key == "sub")
      report.subject = entity.value;
    else if (entity.key == "ses")
      report.session = entity.value;
    else if (entity.key == "task")
      report.task = entity.value;
    else if (entity.key == "run")
      report.run = entity.value;
  }
}

// The design check of the run's events over its scan, into `report`.
void checkDesignOf(const StudyRun& run, const RunEvents& events, ReportRun& report) {
  if (!events.scanCheck || events.scanCheck->volumes <= 0 || !events.scanCheck->trMs) {
    report.designNote = "not checked: the design needs the run's scan (its volumes and TR)";
    return;
  }
  const ScanCheck& scan = *events.scanCheck;
  const DesignChoices& choices = run.settings.design;
  const std::vector<DesignEvent> designEvents =
      designEventsOfTable(events.table, !choices.conditions.empty());
  DesignCheck check;
  std::string message;
  const DesignRefusal refusal =
      checkRunDesign(designEvents, choices, *scan.trMs / 1000.0, scan.volumes, check, message);
  if (refusal == DesignRefusal::kEvents) {
    report.designNote = "not checked: no stimulus events to model";
  } else if (refusal == DesignRefusal::kContrasts) {
    report.designNote = "not checked: " + run.settings.contrastsPlace + message;
  } else if (refusal != DesignRefusal::kNone) {
    report.designNote = "not checked: " + message;
  } else {
    report.designFindings = check.findings;
    const DesignWorst worst = worstOf(check);
    report.worstVif = worst.vif;
    report.worstVifCondition = worst.vifCondition;
    report.worstCorrelation = worst.correlation;
    if (worst.correlation)
      report.worstPair = worst.firstCondition + " and " + worst.secondCondition;
    report.designSvg = renderDesignSvg(check, "design: " + run.log, kReportMatrixRows);
  }
}

}  // namespace

ReportRun reportRunOf(const StudyRun& run, const StudyRunOutcome& outcome,
                      const RunEvents* events) {
  ReportRun report;
  takeEntities(run, report);
  report.log = run.log;
  report.events = run.eventsTsv;
  report.bold = run.bold.empty() ? "" : run.bold.front();
  report.verdict = verdictOf(outcome.status);
  report.findings = outcome.findings;
  report.triggers = outcome.triggers;
  report.volumes = outcome.volumes;
  report.skip = outcome.skip;
  report.trMs = outcome.trMs;
  report.zero = outcome.zero;
  report.rows = outcome.rows;
  if (events == nullptr || events->facts.zero.empty()) {
    report.designNote = "not checked: the run's events could not be read";
    return report;
  }
  if (events->scanCheck) {
    // A run that failed only at writing was read and checked all the same.
    const ScanCheck& scan = *events->scanCheck;
    report.skipRule = scan.dummies.k ? scan.dummies.rule : scan.dummies.unknownReason;
    report.before = scan.outside.before;
    report.after = scan.outside.after;
    if (!report.triggers)
      report.triggers = static_cast<int64_t>(scan.triggers.count);
    if (!report.volumes && scan.volumes > 0)
      report.volumes = scan.volumes;
    if (!report.skip)
      report.skip = scan.dummies.k;
    if (!report.trMs)
      report.trMs = scan.trMs;
    if (report.zero.empty())
      report.zero = events->facts.zero;
  }
  TimelineView view;
  view.width = kReportTimelineWidth;
  report.timelineSvg =
      renderTimelineSvg(runEventsTimeline(*events, run.settings.run, run.log), view);
  checkDesignOf(run, *events, report);
  return report;
}

StudyReport studyReportOf(const StudyInput& input, const StudyPlan& plan, bool dryRun) {
  StudyReport report;
  report.source = input.source.u8string();
  report.bidsRoot = input.bidsRoot.u8string();
  report.dryRun = dryRun;
  for (const std::string& log : plan.unmatchedLogs)
    report.logsNotConverted.push_back({log, "matches no pattern"});
  for (const AmbiguousLog& log : plan.ambiguousLogs)
    report.logsNotConverted.push_back(
        {log.log, "the pattern \"" + plan.patterns[log.pattern] + "\" reads it in two ways"});
  for (const RefusedLog& log : plan.refusedLogs)
    report.logsNotConverted.push_back({log.log, log.reason});
  report.excludedLogs = plan.excludedLogs;
  for (const DatasetRun& run : plan.scansWithoutLog)
    report.scansWithoutLog.push_back(run.folder + "/" + run.name);
  return report;
}

}  // namespace stimforge::kwhost
