// The report of `kwhost bids --report FILE`: gathered run by run while the study is
// converted, from what each conversion read (no log is read twice), and saved once at the
// end as `kwhost plot` saves its pictures (never over a file kwhost did not write unless
// --force), its folder made when missing. Each run's timeline and design check are made on a
// thread of their own while the next runs are converted.
#ifndef STIMFORGE_KWHOST_CLI_BIDS_REPORT_H_
#define STIMFORGE_KWHOST_CLI_BIDS_REPORT_H_

#include <condition_variable>
#include <deque>
#include <iosfwd>
#include <mutex>
#include <string>
#include <thread>

#include "kwhost/report/report_runs.h"

namespace stimforge::kwhost {

class BidsReport {
 public:
  // A report to `path` ("" for none: every call below then does nothing) of `plan`'s runs,
  // which must outlive this object.
  BidsReport(std::string path, const StudyInput& input, const StudyPlan& plan, bool dryRun);
  ~BidsReport();
  BidsReport(const BidsReport&) = delete;
  BidsReport& operator=(const BidsReport&) = delete;

  bool wanted() const { return !path_.empty(); }

  // Adds run `index` of the plan, converted (or checked, in a dry run) into `outcome` from
  // `events` (taken: left empty).
  void add(size_t index, const StudyRunOutcome& outcome, RunEvents& events);

  // Saves the page once every run added is in it. Returns kSuccess, or kFailure after a
  // message on `err`.
  int save(bool force, std::ostream& err);

 private:
  struct Job {
    size_t index = 0;
    StudyRunOutcome outcome;
    RunEvents events;
  };
  void work();
  void finish();

  std::string path_;
  const StudyPlan& plan_;
  StudyReport report_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  bool closed_ = false;
  std::thread worker_;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_BIDS_REPORT_H_
