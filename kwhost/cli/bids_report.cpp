#include "kwhost/cli/bids_report.h"

#include <exception>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "kwhost/cli/exit_status.h"
#include "kwhost/cli/setting_options.h"
#include "kwhost/common/safe_save.h"
#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace fs = std::filesystem;
namespace {

// The runs waiting for the thread at most: each holds its events.
constexpr size_t kMostWaiting = 4;

}  // namespace

BidsReport::BidsReport(std::string path, const StudyInput& input, const StudyPlan& plan,
                       bool dryRun)
    : path_(std::move(path)), plan_(plan) {
  if (!wanted())
    return;
  report_ = studyReportOf(input, plan, dryRun);
  report_.runs.resize(plan.runs.size());
  worker_ = std::thread([this] { work(); });
}

BidsReport::~BidsReport() {
  finish();
}

void BidsReport::add(size_t index, const StudyRunOutcome& outcome, RunEvents& events) {
  if (!wanted())
    return;
  Job job;
  job.index = index;
  job.outcome = outcome;
  job.events = std::move(events);
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return jobs_.size() < kMostWaiting; });
  jobs_.push_back(std::move(job));
  changed_.notify_all();
}

void BidsReport::work() {
  while (true) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return closed_ || !jobs_.empty(); });
      if (jobs_.empty())
        return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      changed_.notify_all();
    }
    const StudyRun& run = plan_.runs[job.index];
    try {
      report_.runs[job.index] = reportRunOf(run, job.outcome, &job.events);
    } catch (const std::exception&) {  // out of memory: the run's line without its pictures
      try {
        ReportRun lean = reportRunOf(run, job.outcome, nullptr);
        lean.designNote = "not drawn: out of memory";
        report_.runs[job.index] = std::move(lean);
      } catch (const std::exception&) {
        report_.runs[job.index] = ReportRun();
      }
    }
  }
}

void BidsReport::finish() {
  if (!worker_.joinable())
    return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

int BidsReport::save(bool force, std::ostream& err) {
  if (!wanted())
    return kSuccess;
  finish();
  const std::string page = renderStudyReport(report_);
  const fs::path folder = fs::u8path(path_).parent_path();
  std::error_code error;
  if (!folder.empty() && !fs::is_directory(folder, error))
    fs::create_directories(folder, error);  // a failure is the save's to report
  ReplacePolicy policy;
  policy.isOwn = [](const std::string& firstLine) { return isStudyReport(firstLine); };
  policy.force = force;
  policy.what = "report";
  policy.forceHint = kForceHint;
  std::string problem;
  if (!saveFileSafely(
          path_, [&page](const PieceWriter& write) { return write(page); }, policy, problem)) {
    err << "kwhost: bids: --report: " << escapeLine(problem) << '\n';
    return kFailure;
  }
  err << "kwhost: saved " << escapeLine(path_) << ": the report of " << report_.runs.size()
      << (report_.runs.size() == 1 ? " run, " : " runs, ") << page.size() << " bytes\n";
  return kSuccess;
}

}  // namespace stimforge::kwhost
