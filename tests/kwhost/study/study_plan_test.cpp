#include "kwhost/study/study_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "study_test_folder.h"

namespace stimforge::kwhost {
namespace {

const char* const kLabPattern = "sub{sub}/ses{ses}/sub{sub}_{task}_run{run}.log";

// The plan as lines, so that a test compares all of it.
std::vector<std::string> describe(const StudyPlan& plan) {
  std::vector<std::string> lines;
  for (const std::string& refusal : plan.refusals)
    lines.push_back("refused: " + refusal);
  for (const StudyRun& run : plan.runs) {
    std::string line = run.log + " -> " + run.eventsTsv + " (";
    for (const std::string& image : run.bold)
      line += (line.back() == '(' ? "" : " ") + image;
    line += run.bold.empty() ? "no scan)" : ")";
    const std::optional<SkipSetting>& skip = run.settings.run.skip;
    if (skip)
      line += skip->automatic ? " skip auto" : " skip " + std::to_string(skip->count);
    if (!run.problem.empty())
      line += " failed: " + run.problem;
    lines.push_back(line);
  }
  for (const std::string& log : plan.unmatchedLogs)
    lines.push_back("unmatched: " + log);
  for (const AmbiguousLog& log : plan.ambiguousLogs) {
    std::string ways;
    for (const PatternValues* values : {&log.one, &log.other}) {
      ways += " |";
      for (const BidsEntity& entity : *values)
        ways += " " + entity.key + "=" + entity.value;
    }
    lines.push_back("ambiguous: " + log.log + ways);
  }
  for (const RefusedLog& log : plan.refusedLogs)
    lines.push_back("refused log: " + log.log + ": " + log.reason);
  for (const DatasetRun& run : plan.scansWithoutLog)
    lines.push_back("no log: " + run.folder + "/" + run.name);
  for (const SkippedImage& image : plan.skippedImages)
    lines.push_back("skipped: " + image.path + ": " + image.reason);
  for (const std::string& log : plan.excludedLogs)
    lines.push_back("excluded: " + log);
  return lines;
}

// A dataset of empty images with one case in each folder, and the lab's logs beside it.
void makeStudy(const TestFolder& folder) {
  const char* const files[] = {
      "bids/dataset_description.json",
      // run1 finds run-01, and the dataset's spelling is kept.
      "bids/sub-01/ses-1/func/sub-01_ses-1_task-faces_run-01_bold.nii.gz",
      "logs/sub01/ses1/sub01_faces1_run1.log",
      "logs/sub01/ses1/sub01_faces1_run1.txt",
      // A scan without a log.
      "bids/sub-01/ses-1/func/sub-01_ses-1_task-rest_bold.nii.gz",
      // An entity the pattern does not capture, with one image that fits ...
      "bids/sub-01/ses-2/func/sub-01_ses-2_task-faces_acq-fast_run-01_bold.nii.gz",
      "logs/sub01/ses2/sub01_faces1_run1.log",
      // ... and with two.
      "bids/sub-02/ses-1/func/sub-02_ses-1_task-faces_acq-a_run-01_bold.nii.gz",
      "bids/sub-02/ses-1/func/sub-02_ses-1_task-faces_acq-b_run-01_bold.nii.gz",
      "logs/sub02/ses1/sub02_faces1_run1.log",
      // Echoes of one run: one events file, named without echo.
      "bids/sub-02/ses-1/func/sub-02_ses-1_task-nback_run-1_echo-1_bold.nii.gz",
      "bids/sub-02/ses-1/func/sub-02_ses-1_task-nback_run-1_echo-2_bold.nii.gz",
      "logs/sub02/ses1/sub02_nback_run01.log",
      // One image both as .nii and .nii.gz: that run fails.
      "bids/sub-02/ses-2/func/sub-02_ses-2_task-faces_run-1_bold.nii",
      "bids/sub-02/ses-2/func/sub-02_ses-2_task-faces_run-1_bold.nii.gz",
      "logs/sub02/ses2/sub02_faces1_run1.log",
      // A log without a scan: its events go where the image would be.
      "logs/sub02/ses2/sub02_faces1_run2.log",
      // A log no pattern matches.
      "logs/sub02/calibration.log",
      // Images the dataset does not hold as runs.
      "bids/sub-01/ses-1/func/sub-02_ses-1_task-faces_bold.nii.gz",
      "bids/derivatives/sub-03/func/sub-03_task-faces_bold.nii.gz",
      "bids/sourcedata/sub-03/func/sub-03_task-faces_bold.nii.gz",
      "bids/sub-01/ses-1/func/sub-01_ses-1_task-faces_run-01_events.tsv",
  };
  for (const char* file : files)
    folder.write(file);
  folder.write("study.toml",
               "match = [\"sub{sub}/ses{ses}/sub{sub}_{task}_run{run}.log\"]\n"
               "exclude = [\"*calibration*\"]\n"
               "[rename.task]\nfaces1 = \"faces\"\n"
               "[defaults]\nskip = \"auto\"\n"
               "[task.nback]\nskip = 4\n"
               "[task.houses]\nskip = 0\n");
}

TEST(StudyPlan, PlansEveryLogAndScan) {
  TestFolder folder;
  makeStudy(folder);
  StudyInput input{
      folder.path() / "logs", folder.path() / "bids", folder.path() / "study.toml", {}, {}};
  StudyPlan plan;
  planStudy(input, plan);
  const std::vector<std::string> expected = {
      // A task table that nothing in the study has refuses the study, naming its line.
      "refused: " + (folder.path() / "study.toml").u8string() +
          ":9: task.houses: no log and no BOLD run of the study has the task houses; the "
          "tasks are faces, nback, rest",
      "sub01/ses1/sub01_faces1_run1.log -> sub-01/ses-1/func/sub-01_ses-1_task-faces_run-01_"
      "events.tsv (sub-01/ses-1/func/sub-01_ses-1_task-faces_run-01_bold.nii.gz) skip auto",
      "sub01/ses2/sub01_faces1_run1.log -> sub-01/ses-2/func/sub-01_ses-2_task-faces_acq-fast_"
      "run-01_events.tsv (sub-01/ses-2/func/sub-01_ses-2_task-faces_acq-fast_run-01_bold.nii.gz)"
      " skip auto",
      "sub02/ses1/sub02_nback_run01.log -> sub-02/ses-1/func/sub-02_ses-1_task-nback_run-1_"
      "events.tsv (sub-02/ses-1/func/sub-02_ses-1_task-nback_run-1_echo-1_bold.nii.gz "
      "sub-02/ses-1/func/sub-02_ses-1_task-nback_run-1_echo-2_bold.nii.gz) skip 4",
      "sub02/ses2/sub02_faces1_run1.log -> sub-02/ses-2/func/sub-02_ses-2_task-faces_run-1_"
      "events.tsv (sub-02/ses-2/func/sub-02_ses-2_task-faces_run-1_bold.nii "
      "sub-02/ses-2/func/sub-02_ses-2_task-faces_run-1_bold.nii.gz) skip auto failed: both "
      "sub-02/ses-2/func/sub-02_ses-2_task-faces_run-1_bold.nii and "
      "sub-02/ses-2/func/sub-02_ses-2_task-faces_run-1_bold.nii.gz are there",
      "sub02/ses2/sub02_faces1_run2.log -> sub-02/ses-2/func/sub-02_ses-2_task-faces_run-2_"
      "events.tsv (no scan) skip auto",
      "refused log: sub02/ses1/sub02_faces1_run1.log: 2 BOLD runs fit its sub=02 ses=1 "
      "task=faces run=1: sub-02_ses-1_task-faces_acq-a_run-01, "
      "sub-02_ses-1_task-faces_acq-b_run-01; capture the entity that tells them apart",
      "no log: sub-01/ses-1/func/sub-01_ses-1_task-rest",
      "no log: sub-02/ses-1/func/sub-02_ses-1_task-faces_acq-a_run-01",
      "no log: sub-02/ses-1/func/sub-02_ses-1_task-faces_acq-b_run-01",
      "skipped: sub-01/ses-1/func/sub-02_ses-1_task-faces_bold.nii.gz: its sub- and ses- "
      "entities are not those of its folder",
      "excluded: sub02/calibration.log",
  };
  EXPECT_EQ(describe(plan), expected);
  ASSERT_EQ(plan.runs.size(), 5u);
  EXPECT_EQ(plan.runs[0].eventsJson,
            "sub-01/ses-1/func/sub-01_ses-1_task-faces_run-01_events.json");
  EXPECT_EQ(plan.runs[0].name, "sub-01_ses-1_task-faces_run-01");
  EXPECT_EQ(plan.runs[4].values[3].value, "2");
}

TEST(StudyPlan, RefusesTheWholeStudy) {
  const struct {
    const char* extraLog;  // under logs/, or null
    std::vector<std::string> patterns;
    bool studyFile;
    bool removeDescription;
    std::string refusal;  // after "refused: "; ROOT for the dataset's root
  } cases[] = {
      {"sub01/ses1/sub01_faces1_run01.log",
       {},
       true,
       false,
       "sub01/ses1/sub01_faces1_run01.log and sub01/ses1/sub01_faces1_run1.log are both logs "
       "of sub-01/ses-1/func/sub-01_ses-1_task-faces_run-01_events.tsv"},
      {"sub01/ses1/sub01_face-s_run1.log",
       {},
       true,
       false,
       "sub01/ses1/sub01_face-s_run1.log: sub=01 ses=1 task=face-s run=1 is no BIDS run name: "
       "task- must be followed by a label of letters and digits"},
      {nullptr,
       {"{sub}/{task"},
       true,
       false,
       "the pattern \"{sub}/{task\": an unclosed \"{\" at column 7; write \"{{\" for a literal "
       "brace"},
      {nullptr, {}, false, false, "no pattern tells which log is which run"},
      {nullptr,
       {kLabPattern},
       false,
       true,
       "ROOT holds no dataset_description.json, so it is no BIDS dataset"},
  };
  for (const auto& c : cases) {
    TestFolder folder;
    makeStudy(folder);
    if (c.extraLog != nullptr)
      folder.write(std::string("logs/") + c.extraLog);
    if (c.removeDescription)
      std::filesystem::remove(folder.path() / "bids" / "dataset_description.json");
    StudyInput input{folder.path() / "logs", folder.path() / "bids", std::nullopt, c.patterns, {}};
    if (c.studyFile)
      input.studyFile = folder.path() / "study.toml";
    StudyPlan plan;
    planStudy(input, plan);
    std::string refusal = c.refusal;
    if (refusal.rfind("ROOT", 0) == 0)
      refusal.replace(0, 4, input.bidsRoot.u8string());
    // The study file's task table of no task may be refused beside it.
    EXPECT_NE(std::find(plan.refusals.begin(), plan.refusals.end(), refusal), plan.refusals.end())
        << refusal << "\n"
        << ::testing::PrintToString(plan.refusals);
  }
}

TEST(StudyPlan, ListsAmbiguousLogs) {
  TestFolder folder;
  folder.write("bids/dataset_description.json");
  folder.write("logs/sub01_faces_a_1.log");
  StudyInput input{folder.path() / "logs",
                   folder.path() / "bids",
                   std::nullopt,
                   {"sub{sub}_{task}_{run}.log"},
                   {}};
  StudyPlan plan;
  planStudy(input, plan);
  EXPECT_EQ(describe(plan),
            (std::vector<std::string>{"ambiguous: sub01_faces_a_1.log | sub=01 task=faces "
                                      "run=a_1 | sub=01 task=faces_a run=1"}));
}

}  // namespace
}  // namespace stimforge::kwhost
