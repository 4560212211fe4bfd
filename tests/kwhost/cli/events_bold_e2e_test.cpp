// kwhost events --bold: time zero from the run's image, on the shared real logs of 240 Pulses
// against images nibabel wrote (the fixture of tests/kwhost/scan).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kwhost_e2e_support.h"
#include "kwhost_runner.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using ::testing::HasSubstr;
using testing::runKwhost;
using testing::TempFolder;

TEST(KwhostEventsBold, OnsetsFromTheFirstStoredVolume) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const std::filesystem::path runs = std::filesystem::path(SF_BOLD_IMAGES) / "runs";
  if (!std::filesystem::exists(runs / "run_240.nii.gz"))
    GTEST_SKIP() << "no BOLD images (python3-nibabel)";
  const TempFolder folder;
  const std::string log = testing::copyRealLog(folder, "idor_two_tables");
  const struct {
    std::vector<std::string> args;
    int status;
    const char* zeroMs;  // the same rows as --zero MS; "" when nothing is written
    const char* err;     // a part of standard error
  } cases[] = {
      {{"--bold", (runs / "run_240.nii.gz").string()}, 0, "9423.9", ""},
      {{"--bold", (runs / "run_236.nii.gz").string()}, 0, "17418.1", ""},  // 4 dummies stated
      // One or four triggers more than volumes: K only from the sidecar or the user.
      {{"--bold", (runs / "run_239_unstated.nii.gz").string()}, 1, "",
       "read two ways: a dummy volume at the start (time zero at trigger 2) or a volume lost at "
       "the end (time zero at trigger 1)"},
      {{"--bold", (runs / "run_239_scanner_1.nii.gz").string()}, 0, "11422.5", ""},
      {{"--bold", (runs / "run_239_zero.nii.gz").string()}, 0, "9423.9", ""},
      {{"--bold", (runs / "run_239_unstated.nii.gz").string(), "--skip", "1"}, 0, "11422.5", ""},
      {{"--bold", (runs / "run_239_unstated.nii.gz").string(), "--skip", "0"},
       0,
       "9423.9",
       "the image has 239 volumes"},
      {{"--bold", (runs / "run_236_unstated.nii.gz").string()}, 1, "",
       "between them the onsets move 8.0 s (with K = 4: time zero at 17418.1 ms, 5 stimulus "
       "event(s) before it and 0 after the stored scan; with K = 0: time zero at 9423.9 ms, 0 "
       "stimulus event(s) before it and 0 after the stored scan)"},
      {{"--bold", (runs / "run_236_zero.nii.gz").string()}, 0, "9423.9", ""},
      {{"--bold", (runs / "run_236_unstated.nii.gz").string(), "--skip", "4"}, 0, "17418.1", ""},
      {{"--bold", (runs / "run_244.nii.gz").string()}, 1, "", "give --skip K"},
      {{"--bold", (runs / "run_244.nii.gz").string(), "--skip", "4"},
       0,
       "17418.1",
       "the image has 244 volumes"},
      {{"--bold", (runs / "run_240.nii.gz").string(), log}, 2, "", "--bold takes a single log"},
      {{"--bold", (runs / "run_240.nii.gz").string(), "--zero", "scenario"},
       2,
       "",
       "work with --zero auto only"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + std::to_string(c.args.size()));
    std::vector<std::string> args = {"events", log, "-o", "bold.tsv", "--force"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::filesystem::remove(folder.path() / "bold.tsv");
    const auto bold = runKwhost(folder, args);
    EXPECT_EQ(bold.status, c.status) << bold.err;
    EXPECT_THAT(bold.err, HasSubstr(c.err));
    if (*c.zeroMs == '\0') {
      EXPECT_FALSE(std::filesystem::exists(folder.path() / "bold.tsv"));
      continue;
    }
    const auto given =
        runKwhost(folder, {"events", log, "-o", "given.tsv", "--force", "--zero", c.zeroMs});
    ASSERT_EQ(given.status, 0) << given.err;
    EXPECT_EQ(folder.read("bold.tsv"), folder.read("given.tsv"));
    EXPECT_THAT(folder.read("bold.json"), HasSubstr("the first stored volume of run_2"));
  }
}

// A log of two scans: the header and event table of idor_two_tables.log, the same table 600 s
// later, then the rest of the log.
std::string twoScans(const std::string& text) {
  std::vector<std::string> lines = testing::linesOf(text);
  std::string log;
  size_t i = 0;
  for (; i < lines.size() && i < 5; ++i)
    log += lines[i] + "\n";
  std::vector<std::string> table;
  for (; i < lines.size() && !lines[i].empty(); ++i)
    table.push_back(lines[i]);
  for (int copy = 0; copy < 2; ++copy) {
    for (const std::string& line : table) {
      std::vector<std::string> cells;
      for (size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1) {
        tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
      }
      if (copy == 1 && cells.size() > 4)
        cells[4] = std::to_string(std::stoll(cells[4]) + 6000000);
      for (size_t c = 0; c < cells.size(); ++c)
        log += (c == 0 ? "" : "\t") + cells[c];
      log += "\n";
    }
  }
  for (; i < lines.size(); ++i)
    log += lines[i] + "\n";
  return log;
}

// Scan 2 of a log of two: the same rows from --skip 4 as from the image of its 236 stored
// volumes, and none of scan 1's: the rows of the log of that one scan.
TEST(KwhostEventsBold, TheSecondScanOfALogGivesTheSameRowsWithSkipAndWithTheImage) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const std::filesystem::path runs = std::filesystem::path(SF_BOLD_IMAGES) / "runs";
  if (!std::filesystem::exists(runs / "run_236.nii.gz"))
    GTEST_SKIP() << "no BOLD images (python3-nibabel)";
  const TempFolder folder;
  const std::string one = testing::copyRealLog(folder, "idor_two_tables");
  folder.write("two_scans.log", twoScans(folder.read(one)));
  const std::vector<std::vector<std::string>> runsOf = {
      {"two_scans.log", "--scan", "2", "--skip", "4", "-o", "skip.tsv"},
      {"two_scans.log", "--scan", "2", "--bold", (runs / "run_236.nii.gz").string(), "-o",
       "bold.tsv"},
      {one, "--skip", "4", "-o", "one.tsv"}};
  for (std::vector<std::string> args : runsOf) {
    args.insert(args.begin(), "events");
    const testing::KwhostResult r = runKwhost(folder, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("(269 events)"));
  }
  EXPECT_EQ(folder.read("skip.tsv"), folder.read("one.tsv"));
  EXPECT_EQ(folder.read("bold.tsv"), folder.read("one.tsv"));
}

// plot --bold draws the rows from the same time zero and shades the time outside the stored
// scan; a run whose K cannot be worked out is drawn from the scenario's origin, saying why.
TEST(KwhostEventsBold, PlotDrawsTheStoredScan) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const std::filesystem::path runs = std::filesystem::path(SF_BOLD_IMAGES) / "runs";
  if (!std::filesystem::exists(runs / "run_236.nii.gz"))
    GTEST_SKIP() << "no BOLD images (python3-nibabel)";
  const TempFolder folder;
  const std::string log = testing::copyRealLog(folder, "idor_sound");
  const auto k4 = runKwhost(
      folder, {"plot", log, "--bold", (runs / "run_236.nii.gz").string(), "-o", "k4.svg"});
  ASSERT_EQ(k4.status, 0) << k4.err;
  EXPECT_THAT(folder.read("k4.svg"), HasSubstr("outside the stored scan: 2 stimulus events"));
  EXPECT_THAT(folder.read("k4.svg"), HasSubstr("at Time 25327.7 ms in the log: K = 4"));
  const auto unknown =
      runKwhost(folder, {"plot", log, "--bold", (runs / "run_244.nii.gz").string(), "-o", "k.svg"});
  ASSERT_EQ(unknown.status, 0) << unknown.err;
  EXPECT_THAT(folder.read("k.svg"), HasSubstr("drawn from the scenario&apos;s origin"));
  // The events' settings come from one place: a map names the rows, and an events file
  // is drawn over its stored scan.
  folder.write("names.tsv", "REPOUSO\trest\nTAREFA\ttask\n");
  const auto mapped = runKwhost(
      folder, {"plot", log, "--map", "names.tsv", "--unmapped", "drop", "-o", "mapped.svg"});
  ASSERT_EQ(mapped.status, 0) << mapped.err;
  EXPECT_THAT(mapped.err, HasSubstr(": 2 rows, "));
  ASSERT_EQ(runKwhost(folder, {"events", log, "-o", "e.tsv"}).status, 0);
  const auto events =
      runKwhost(folder, {"plot", "e.tsv", "--bold", (runs / "run_236.nii.gz").string()});
  ASSERT_EQ(events.status, 0) << events.err;
  EXPECT_THAT(folder.read("e.tsv.svg"), HasSubstr("outside the stored scan: "));
}

}  // namespace
}  // namespace stimforge::kwhost
