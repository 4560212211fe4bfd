#include "kwhost/cli/bids_report.h"

#include <filesystem>
#include <ostream>
#include <system_error>

#include "kwhost/cli/exit_status.h"
#include "kwhost/cli/setting_options.h"
#include "kwhost/common/safe_save.h"
#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace fs = std::filesystem;

BidsReport::BidsReport(std::string path, const StudyInput& input, const StudyPlan& plan,
                       bool dryRun)
    : path_(std::move(path)) {
  if (wanted())
    report_ = studyReportOf(input, plan, dryRun);
}

void BidsReport::add(const StudyRun& run, const StudyRunOutcome* outcome, const RunEvents* events) {
  if (wanted())
    report_.runs.push_back(reportRunOf(run, outcome, events));
}

int BidsReport::save(bool force, std::ostream& err) const {
  if (!wanted())
    return kSuccess;
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
