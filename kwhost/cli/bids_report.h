// The report of `kwhost bids --report FILE`: gathered run by run while the study is
// converted, from what each conversion read (no log is read twice), and saved once at the
// end as `kwhost plot` saves its pictures (never over a file kwhost did not write unless
// --force), its folder made when missing.
#ifndef STIMFORGE_KWHOST_CLI_BIDS_REPORT_H_
#define STIMFORGE_KWHOST_CLI_BIDS_REPORT_H_

#include <iosfwd>
#include <string>

#include "kwhost/report/report_runs.h"

namespace stimforge::kwhost {

class BidsReport {
 public:
  // A report to `path` ("" for none: every call below then does nothing).
  BidsReport(std::string path, const StudyInput& input, const StudyPlan& plan, bool dryRun);

  bool wanted() const { return !path_.empty(); }

  // Adds `run`, converted into `outcome` from `events`, or planned only (both null).
  void add(const StudyRun& run, const StudyRunOutcome* outcome, const RunEvents* events);

  // Saves the page. Returns kSuccess, or kFailure after a message on `err`.
  int save(bool force, std::ostream& err) const;

 private:
  std::string path_;
  StudyReport report_;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_BIDS_REPORT_H_
