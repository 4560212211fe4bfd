// kwhost events on logs as labs write them, made from a shared real log: key presses as the
// scanner's triggers, a code shared by a picture and a key press, a Quit line; and the
// protocol, name and column options that go with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kwhost/protocol/file.h"
#include "kwhost_e2e_support.h"
#include "kwhost_runner.h"

namespace stimforge::kwhost::testing {
namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
}

size_t countOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
    ++count;
  return count;
}

// idor_sound.log with its 240 Port Input lines (53, with every Pulse) logged as the key
// presses "5" that many trigger boxes send, the Picture REPOUSO coded "5" too, and a Quit
// line at the end.
std::string keyPressLog(const TempFolder& folder) {
  std::string log = folder.read(copyRealLog(folder, "idor_sound"));
  replaceAll(log, "\tPort Input\t53\t", "\tResponse\t5\t");
  replaceAll(log, "\tPicture\tREPOUSO\t", "\tPicture\t5\t");
  log += "SUBJ007\t24\tQuit\t\t4960000\t0\t1\n";
  return log;
}

TEST(KwhostEventsRows, KeyPressTriggersSharedCodesAndQuitOnARealLog) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const std::string left =
      "kwhost: left out 240 trigger rows (Response events with code 5) of run1.log; "
      "--keep-triggers keeps them\n";
  const std::string shared =
      "kwhost: warning: the trial_type \"5\" is written for events of 2 types in run1.log "
      "(Picture and Response): a --map line with an event type as its third field tells them "
      "apart\n";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;  // what standard error holds
    std::string row;  // a row the events file holds
    size_t rows;      // its rows
  } cases[] = {
      {{"--trigger", "Response:5"}, 0, left, "0.0197\t0.9998\t5\tPicture\t5\t1", 48},
      {{"--trigger", "Response:5", "--keep-triggers"},
       0,
       shared,
       "0.0000\tn/a\t5\tResponse\t5\t0",
       288},
      {{"--trigger", "Response:5", "--keep-triggers", "--map", "map.tsv"},
       0,
       "",
       "0.0197\t0.9998\trest\tPicture\t5\t1",
       288},
      {{"--types", "Quit"}, 0, "", "478.6718\tn/a\tQuit\tQuit\tn/a\t24", 1},
      {{"--types", "Response", "--trigger", "Response:5"},
       1,
       "kwhost: the events selected in run1.log are all 240 trigger rows (Response events with "
       "code 5), which are left out: --keep-triggers writes them\n",
       "",
       0},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    folder.write("run1.log", keyPressLog(folder));
    folder.write("map.tsv", "5\trest\tPicture\n");
    std::vector<std::string> args = {"events", "run1.log"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const KwhostResult result = runKwhost(folder, args);
    SCOPED_TRACE(c.args.back());
    ASSERT_EQ(result.status, c.status) << result.err;
    EXPECT_EQ(result.err, c.err);
    if (c.status != 0) {
      EXPECT_FALSE(std::filesystem::exists(folder.path() / "run1_events.tsv"));
      continue;
    }
    const std::vector<std::string> lines = linesOf(folder.read("run1_events.tsv"));
    EXPECT_EQ(lines.size(), c.rows + 1);
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.row), lines.end()) << lines[1];
  }
  // plot draws the rows events writes.
  TempFolder folder;
  folder.write("run1.log", keyPressLog(folder));
  const KwhostResult plot = runKwhost(folder, {"plot", "run1.log", "--trigger", "Response:5"});
  ASSERT_EQ(plot.status, 0) << plot.err;
  EXPECT_EQ(countOf(plot.err, "warning: left out 240 trigger rows"), 1u) << plot.err;
}

TEST(KwhostEventsRows, ProtocolZeroNamesAndColumns) {
  TempFolder folder;
  Protocol protocol;
  protocol.timeResolution = kTimeResolutionVolumes;
  protocol.conditions = {{"rest", 0, {1, 11}, {5, 15}}, {"task", 0, {6}, {10}}};
  folder.write("v.prt", formatProtocolText(protocol));
  copySample(folder, "stimulus_properties.log");
  const std::string all = "sub-01_ses-1_task-x_acq-fast_ce-g_rec-n_dir-AP_run-1_echo-2_part-mag";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string file;  // written
    std::string text;  // its second line, or the message on standard error
  } cases[] = {
      // --zero is milliseconds on a protocol in volumes too.
      {{"v.prt", "--zero", "4000", "--tr", "2000"}, 0, "v_events.tsv", "-4.0000\t10.0000\trest"},
      {{"v.prt", "--zero", "scenario", "--tr", "2000", "--bids-name", all},
       0,
       all + "_events.tsv",
       "0.0000\t10.0000\trest"},
      {{"v.prt", "--zero", "0", "--bids-name", "sub-01_task-x_run-1_acq-fast"},
       2,
       "",
       "kwhost: --bids-name: \"sub-01_task-x_run-1_acq-fast\": \"acq-fast\" is out of order; "
       "expected the entities sub, ses, task, acq, ce, rec, dir, run, echo, part in that order, "
       "each at most once, sub and task required\nRun with --help for more information.\n"},
      {{"stimulus_properties.log", "--columns", "stim_type,ttime"},
       0,
       "stimulus_properties_events.tsv",
       "1.0000\t3.0000\tflower\tPicture\tflower\t1\t1\tc1\tflower\tother\t0.0000"},
      {{"stimulus_properties.log", "v.prt", "--zero", "0", "--columns", "ttime"},
       2,
       "",
       "kwhost: v.prt is a protocol: --columns takes a log's columns; nothing written\n"},
      {{"v.prt", "stimulus_properties.log", "--zero", "0", "--columns", "ttime,pair_index"},
       2,
       "",
       "kwhost: v.prt is a protocol: --columns takes a log's columns; nothing written\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const std::vector<std::string> before = folder.entries();
    std::vector<std::string> args = {"events"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const KwhostResult result = runKwhost(folder, args);
    ASSERT_EQ(result.status, c.status) << result.err;
    if (c.status != 0) {
      EXPECT_EQ(result.err, c.text);
      EXPECT_EQ(folder.entries(), before);
      continue;
    }
    const std::vector<std::string> lines = linesOf(folder.read(c.file));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], c.text);
  }
}

}  // namespace
}  // namespace stimforge::kwhost::testing
