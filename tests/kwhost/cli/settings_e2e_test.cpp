// A run's settings are one value for every command: the same text is accepted or refused
// alike, with the same bounds and words, by each command that takes the setting and by the
// study file of kwhost bids.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kwhost_runner.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::runKwhost;
using testing::TempFolder;

const char kLog[] =
    "Scenario - S\nLogfile written - 01/02/2020 10:00:00\n\n"
    "Trial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\n\n"
    "1\tPulse\t53\t10000\t0\t1\n1\tPicture\tface\t10005\t0\t1\t5000\n"
    "1\tPulse\t53\t30000\t0\t1\n1\tPulse\t53\t50000\t0\t1\n1\tResponse\t1\t52000\t0\t1\n";

struct Front {
  const char* name;
  std::vector<std::string> args;  // before the setting
};

// Every front end that takes each setting; the study file names it `key`.
std::vector<Front> frontsOf(const std::string& option) {
  std::vector<Front> fronts = {{"events", {"events", "run.log", "-o", "x.tsv", "--force"}},
                               {"plot", {"plot", "run.log", "-o", "x.svg", "--force"}}};
  if (option != "--duration" && option != "--zero")
    fronts.push_back({"triggers", {"triggers", "run.log", "--bold", "missing.nii"}});
  if (option == "--skip" || option == "--trigger" || option == "--scan")
    fronts.push_back({"import", {"import", "run.log", "--align", "--out-dir", "out"}});
  return fronts;
}

TEST(KwhostSettings, OneValueAcceptedOrRefusedAlikeEverywhere) {
  const struct {
    const char* option;
    const char* key;      // in the study file; null: the study takes it from the scan
    const char* value;    // as typed on the command line
    const char* toml;     // as written in the study file
    const char* problem;  // "" when accepted
  } cases[] = {
      {"--skip", "skip", "1000000", "1000000", ""},
      {"--skip", "skip", "2000000000", "2000000000",
       "2000000000 is more than the 1,000,000 triggers a run may have"},
      {"--scan", "scan", "2", "2", ""},
      {"--scan", "scan", "0", "0", "0 is no scan: the scans of a log count from 1"},
      {"--trigger", "trigger", "Response:5", "\"Response:5\"", ""},
      {"--trigger", "trigger", ":5", "\":5\"",
       "\":5\" is not TYPE or TYPE:CODE (neither may be empty)"},
      {"--duration", "duration", "onset", "\"onset\"",
       "\"onset\" is neither column (the Duration column) nor next (the time to the next row)"},
      {"--zero", "zero", "first", "\"first\"",
       "\"first\" is none of auto, scenario, a time in ms (at most one decimal) or code:NAME"},
      {"--tr", nullptr, "1000000.1", nullptr, ""},
      {"--tr", nullptr, "3600000.1", nullptr,
       "3600000.1 ms is more than an hour, the longest TR kwhost takes"},
      {"--tr", nullptr, "2s", nullptr,
       "\"2s\" is not a time in milliseconds with at most one decimal"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + c.value);
    TempFolder folder;
    folder.write("run.log", kLog);
    folder.write("out/.keep", "");
    const std::string refusal = std::string("kwhost: ") + c.option + ": " + c.problem + "\n";
    for (const Front& front : frontsOf(c.option)) {
      std::vector<std::string> args = front.args;
      args.insert(args.end(), {c.option, c.value});
      const testing::KwhostResult r = runKwhost(folder, args);
      if (*c.problem == '\0') {
        EXPECT_THAT(r.err, Not(HasSubstr(std::string(c.option) + ": "))) << front.name;
      } else {
        EXPECT_EQ(r.status, 2) << front.name;
        EXPECT_THAT(r.err, HasSubstr(refusal)) << front.name;
      }
    }
    if (c.key == nullptr)
      continue;
    folder.write("logs/sub01_faces.log", kLog);
    folder.write("ds/dataset_description.json", "{}");
    folder.write("study.toml", "match = [\"sub{sub}_{task}.log\"]\n[defaults]\n" +
                                   std::string(c.key) + " = " + c.toml + "\n");
    const testing::KwhostResult r =
        runKwhost(folder, {"bids", "logs", "ds", "--study", "study.toml", "--dry-run"});
    const std::string place = std::string("study.toml:3: defaults.") + c.key + ": ";
    if (*c.problem == '\0') {
      EXPECT_THAT(r.err, Not(HasSubstr(place)));
    } else {
      EXPECT_EQ(r.status, 2);
      EXPECT_THAT(r.err, HasSubstr(place + c.problem + "\n"));
    }
  }
}

}  // namespace
}  // namespace stimforge::kwhost
