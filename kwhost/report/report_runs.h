// The study report's data (kwhost/report/study_report.h) from what the study's conversion
// has at hand: the plan, each run's outcome and the events the pipeline read for it, so that
// no log is read a second time for the report. Each run gets its timeline (as `kwhost plot
// --bold` draws it, narrower) and its design check (as `kwhost design` makes it, with the
// task's design settings from the study file). Host-free.
#ifndef STIMFORGE_KWHOST_REPORT_REPORT_RUNS_H_
#define STIMFORGE_KWHOST_REPORT_REPORT_RUNS_H_

#include "kwhost/report/study_report.h"
#include "kwhost/runs/run_pipeline.h"
#include "kwhost/study/study_conversion.h"
#include "kwhost/study/study_plan.h"

namespace stimforge::kwhost {

// The width of a run's timeline in the report, in pixels: small, for a thousand runs.
inline constexpr int kReportTimelineWidth = 900;
// The rows of a run's design matrix in the report (`kwhost design` draws up to 180).
inline constexpr size_t kReportMatrixRows = 60;

// The report's run for `run` of a study: `outcome` what its conversion gave, `events` what
// the pipeline read (null, or empty, when it read nothing: a failed run). The
// design is checked over the scan's volumes and TR with the task's design settings; a run
// without them, without stimulus events or whose settings do not fit its conditions (a
// contrast naming a condition it does not model: the study file's place is named) has a
// note instead. May throw std::bad_alloc.
ReportRun reportRunOf(const StudyRun& run, const StudyRunOutcome& outcome, const RunEvents* events);

// The report's head from the plan: where the study is, the logs that became no run and the
// scans without a log; its runs are the caller's to add.
StudyReport studyReportOf(const StudyInput& input, const StudyPlan& plan, bool dryRun);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_REPORT_REPORT_RUNS_H_
