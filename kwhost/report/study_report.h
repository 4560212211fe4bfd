// The study report of `kwhost bids --report`: one self-contained HTML page (inline CSS and
// SVG, no script, nothing fetched) that a lab opens to see which runs need a look. Its head
// holds the study's totals and a table of every run, the runs that need a look first; then
// the logs that became no run and the scans without a log; then one collapsed section per
// run with its facts, its timeline and its design check. Pure: made in memory from the plain
// data below, which the study's conversion fills (kwhost/report/report_runs.h).
#ifndef STIMFORGE_KWHOST_REPORT_STUDY_REPORT_H_
#define STIMFORGE_KWHOST_REPORT_STUDY_REPORT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stimforge::kwhost {

// What became of a run, as the report groups it.
enum class ReportVerdict {
  kFailed,    // no events file: why in `findings`
  kFindings,  // written; the trigger check found something
  kNoScan,    // written from the log's own triggers: the run has no image
  kConsistent,
};

// One run. Texts are UTF-8 (any bytes are escaped into well-formed HTML).
struct ReportRun {
  std::string subject;  // the entities' values; "" when the run has none
  std::string session;
  std::string task;
  std::string run;
  std::string log;     // relative to the logs' folder
  std::string events;  // the events file, relative to the dataset's root
  std::string bold;    // the run's image, relative to the dataset's root; "" without one
  ReportVerdict verdict = ReportVerdict::kFailed;
  std::vector<std::string> findings;  // the trigger check's, or why the run failed
  std::optional<int64_t> triggers;
  std::optional<int64_t> volumes;
  std::optional<int64_t> skip;  // K
  std::string skipRule;         // how K was chosen ("given with skip = 4: time zero at ...")
  std::string zero;             // how time zero was found
  std::optional<double> trMs;
  std::optional<size_t> before;  // stimulus events before time zero
  std::optional<size_t> after;   // and at or after the scan's end
  size_t rows = 0;               // events written
  // The design check: `designNote` says why there is none ("" when it was made).
  std::string designNote;
  std::vector<std::string> designFindings;
  std::optional<double> worstVif;
  std::string worstVifCondition;
  std::optional<double> worstCorrelation;
  std::string worstPair;  // "A and B"
  // The pictures, whole SVG documents as kwhost's renderers make them; "" for none.
  std::string timelineSvg;
  std::string designSvg;

  // Whether the run needs a look: it failed, has findings of either check, no scan, or its
  // design could not be checked.
  bool needsLook() const;
};

// A log or a scan that became no run, and why.
struct ReportLeftover {
  std::string path;
  std::string reason;
};

struct StudyReport {
  std::string source;    // the logs' folder, as the user named it
  std::string bidsRoot;  // the dataset's root
  bool dryRun = false;   // nothing was written
  std::vector<ReportRun> runs;
  std::vector<ReportLeftover> logsNotConverted;  // unmatched, ambiguous or refused
  std::vector<std::string> excludedLogs;
  std::vector<std::string> scansWithoutLog;
};

// The first line of every report renderStudyReport makes (a line break follows): the
// doctype and the comment by which kwhost knows a file as its own.
constexpr char kStudyReportFirstLine[] =
    "<!DOCTYPE html><!-- kwhost bids: a study report written by kwhost -->";

// The whole page. Its size is that of the runs' pictures plus about a kilobyte per run.
// May throw std::bad_alloc.
std::string renderStudyReport(const StudyReport& report);

// Whether `head`, a file's first line (with or without what follows it), is the first line
// of a report renderStudyReport made.
bool isStudyReport(std::string_view head);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_REPORT_STUDY_REPORT_H_
