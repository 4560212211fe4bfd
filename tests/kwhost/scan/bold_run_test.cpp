#include "kwhost/scan/bold_run.h"

#include <gtest/gtest.h>

#include <ostream>

#include "bold_images.h"

namespace stimforge::kwhost {
namespace {

struct RunRow {
  const char* file;
  double headerTrMs;   // 0: none
  double sidecarTrMs;  // 0: none
  TrSource source;
  const char* finding;  // empty: none
};

void PrintTo(const RunRow& row, std::ostream* out) {
  *out << row.file;
}

class BoldRunImage : public testing::TestWithParam<RunRow> {};

TEST_P(BoldRunImage, UsesTheSidecarsTrWhenBothGiveOne) {
  SF_SKIP_WITHOUT_BOLD_IMAGES();
  const RunRow& row = GetParam();
  BoldRun run;
  std::string message;
  ASSERT_TRUE(readBoldRun(boldImage(row.file), true, run, message)) << message;
  EXPECT_EQ(run.headerTrMs.value_or(0), row.headerTrMs);
  EXPECT_EQ(run.sidecarTrMs.value_or(0), row.sidecarTrMs);
  EXPECT_EQ(run.trSource, row.source);
  EXPECT_EQ(run.trMs.value_or(0), row.sidecarTrMs > 0 ? row.sidecarTrMs : row.headerTrMs);
  EXPECT_EQ(run.findings,
            *row.finding ? std::vector<std::string>{row.finding} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Images, BoldRunImage,
    testing::Values(RunRow{"n1_s.nii", 2000, 0, TrSource::kHeader, ""},
                    RunRow{"tr0_sidecar.nii.gz", 0, 2000, TrSource::kSidecar, ""},
                    RunRow{"disagree.nii.gz", 1000, 2000, TrSource::kSidecar,
                           "the header's TR (pixdim[4], 1000 ms) and the sidecar's "
                           "RepetitionTime (2000 ms, disagree.json) differ by more than 0.1%: "
                           "the sidecar's is used"},
                    RunRow{"no_tr.nii.gz", 0, 0, TrSource::kNone, ""}),
    ByFile());

TEST(BoldRunImage, InheritedSidecarsMergeKeyByKeyTheNearestWinning) {
  SF_SKIP_WITHOUT_BOLD_IMAGES();
  BoldRun run;
  std::string message;
  ASSERT_TRUE(readBoldRun(boldImage("ds/sub-01/func/sub-01_task-x_run-01_bold.nii.gz"), false, run,
                          message))
      << message;
  const std::filesystem::path root = run.sidecar.datasetRoot.value_or("");
  EXPECT_EQ(root.filename(), "ds");
  // The root's task file, the subject's run-1 file (run-01 is run 1), the image's own.
  ASSERT_EQ(run.sidecar.files.size(), 3u);
  EXPECT_EQ(run.sidecar.files[0], root / "task-x_bold.json");
  EXPECT_EQ(run.sidecar.files[1], root / "sub-01/sub-01_task-x_run-1_bold.json");
  EXPECT_EQ(run.sidecar.files[2], root / "sub-01/func/sub-01_task-x_run-01_bold.json");
  EXPECT_EQ(run.trMs, 2000);
  EXPECT_EQ(run.sidecar.repetitionTimeMs->file, run.sidecar.files[2]);
  EXPECT_EQ(run.discardedByScanner, 4);
  EXPECT_EQ(run.sidecar.discardedByScanner->file, run.sidecar.files[0]);
  EXPECT_EQ(run.discardedByUser, 0);
}

struct RefusedRow {
  const char* file;
  const char* sidecar;  // the file the message starts with; empty: the image
  const char* message;  // after "FILE: "
};

void PrintTo(const RefusedRow& row, std::ostream* out) {
  *out << row.file;
}

class BoldRunRefusal : public testing::TestWithParam<RefusedRow> {};

TEST_P(BoldRunRefusal, NamesTheFileAndTheFault) {
  SF_SKIP_WITHOUT_BOLD_IMAGES();
  const RefusedRow& row = GetParam();
  BoldRun run;
  std::string message;
  EXPECT_FALSE(readBoldRun(boldImage(row.file), false, run, message));
  const std::filesystem::path named = *row.sidecar ? boldImage(row.sidecar) : boldImage(row.file);
  EXPECT_EQ(message,
            (*row.sidecar ? std::filesystem::absolute(named).lexically_normal() : named).string() +
                ": " + row.message);
}

INSTANTIATE_TEST_SUITE_P(
    Images, BoldRunRefusal,
    testing::Values(
        RefusedRow{"no_tr.nii.gz", "",
                   "no repetition time: not in the header (pixdim[4] is 0) nor in any sidecar "
                   "(RepetitionTime)"},
        RefusedRow{"bad_json.nii.gz", "bad_json.json",
                   "not JSON: line 3, column 15: syntax error while parsing value - invalid "
                   "literal; last read: '\"TaskName\": x'"}),
    ByFile());

TEST(BoldRunRefusal, TwoSidecarsAtOneLevelAreNamedBoth) {
  SF_SKIP_WITHOUT_BOLD_IMAGES();
  BoldRun run;
  std::string message;
  EXPECT_FALSE(readBoldRun(boldImage("ds/sub-01/func/sub-01_task-x_acq-a_bold.nii.gz"), false, run,
                           message));
  const std::filesystem::path root = std::filesystem::absolute(boldImage("ds")).lexically_normal();
  EXPECT_EQ(message, (root / "task-x_acq-a_bold.json").string() + " and " +
                         (root / "task-x_bold.json").string() +
                         " both apply to sub-01_task-x_acq-a_bold.nii.gz at one level");
}

}  // namespace
}  // namespace stimforge::kwhost
