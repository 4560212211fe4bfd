// kwhost events run as a process on the shared real logs and on files of its own: exact
// onsets worked out by hand from the logs, and refusals that leave nothing written.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kwhost/protocol/file.h"
#include "kwhost_e2e_support.h"
#include "kwhost_runner.h"

namespace stimforge::kwhost::testing {
namespace {

TEST(KwhostEvents, ExactOnsetsAndDurationsOnTheRealLogs) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  // Worked out from the files: time zero is the first Pulse (idor_sound 173282, idor_two_tables
  // 94239); onset = (Time - zero) / 10000 s; Duration / 10000 s, n/a where the line has none.
  struct Case {
    const char* stem;
    size_t rows;
    std::vector<const char*> lines;  // first, last, a Response or a Sound with no Duration
  };
  const Case cases[] = {
      {"idor_sound",
       48,
       {"0.0197\t0.9998\tREPOUSO\tPicture\tREPOUSO\t1",    // 173479, 9998
        "0.0265\tn/a\tRELAXAR\tSound\tRELAXAR\t1",         // 173547, empty Duration
        "460.0752\tn/a\tEXECUTAR\tSound\tEXECUTAR\t24"}},  // 4774034, the last
      {"idor_two_tables",
       269,
       {"0.0091\t1.5000\tcueNeutro\tPicture\tcueNeutro\t1",  // 94330, 15000
        "6.5392\tn/a\t1\tResponse\t1\t1",                    // 159631, no Duration
        "466.1765\tn/a\t1\tResponse\t1\t45"}},               // 4756004, the last
  };
  for (const Case& c : cases) {
    TempFolder folder;
    const std::string log = copyRealLog(folder, c.stem);
    const KwhostResult result = runKwhost(folder, {"events", log});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> lines =
        linesOf(folder.read(std::string(c.stem) + "_events.tsv"));
    ASSERT_EQ(lines.size(), c.rows + 1) << c.stem;
    EXPECT_EQ(lines[1], c.lines[0]);
    EXPECT_EQ(lines.back(), c.lines.back());
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.lines[1]), lines.end()) << c.lines[1];
    EXPECT_NE(folder.read(std::string(c.stem) + "_events.json").find("Time 9423.9 ms") ==
                  std::string::npos,
              std::string(c.stem) == "idor_two_tables");
  }
}

TEST(KwhostEvents, RefusalsLeaveNothingWritten) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const std::string log =
      "Scenario - S\nLogfile written - x\n\nTrial\tEvent Type\tCode\tTime\tTTime\tUncertainty\t"
      "Duration\n\n1\tPicture\tface\t200\t0\t1\t50\n";
  const Case cases[] = {
      {{"events", "a.log"},
       1,
       "kwhost: no scanner triggers (Pulse events) in a.log; no series of its events beats like "
       "triggers; its event types are Picture; if it logged none, give --zero scenario, --zero "
       "MS or --zero code:NAME\n"},
      {{"events", "a.log", "--zero", "scenario", "--types", "Sound"},
       1,
       "kwhost: no selected events in a.log: nothing written\n"},
      {{"events", "utf16.log", "--zero", "scenario"},
       1,
       "kwhost: utf16.log: the file is UTF-16 text; Presentation logs are read as 8-bit text "
       "(save it as ANSI or UTF-8)\n"},
      {{"events", "a.log", "--zero", "scenario", "--map", "bad.tsv"},
       2,
       "kwhost: --map: bad.tsv:2: expected pattern<TAB>trial_type or "
       "pattern<TAB>trial_type<TAB>event type\n"},
      {{"events", "p.prt"},
       2,
       "kwhost: p.prt is a protocol, which counts from the scenario's start: give --zero MS or "
       "--zero scenario\n"},
      {{"events", "v.prt", "--zero", "0"},
       2,
       "kwhost: v.prt: the protocol counts in volumes: give --tr MS\n"},
      {{"events", "a.log", "--trigger", "Picture"},
       1,
       "kwhost: the events selected in a.log are all 1 trigger rows (Picture events), which are "
       "left out: --keep-triggers writes them\n"},
      {{"events", "sub/a.log", "a.log", "--zero", "scenario", "--columns", "ttime,stim_type"},
       2,
       "kwhost: sub/a.log: --columns stim_type: the log has no such column (it has ttime, "
       "time_uncertainty); nothing written\n"},
      {{"events", "a.log", "--zero", "scenario", "--out-dir", "missing"},
       1,
       "kwhost: --out-dir: missing is not a folder\n"},
      {{"events", "a.log", "sub/a.log", "--zero", "scenario", "--out-dir", "."},
       2,
       "kwhost: a.log and sub/a.log would both write ./a_events.tsv: nothing written\n"},
      {{"events", "a.log", "--zero", "scenario", "-o", "foreign.tsv"},
       1,
       "kwhost: foreign.tsv exists and is not an events file kwhost wrote: give --force to "
       "replace it\n"},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    folder.write("a.log", log);
    std::filesystem::create_directory(folder.path() / "sub");
    folder.write("sub/a.log", log);
    folder.write("utf16.log", std::string("\xFF\xFES\0c\0", 6));
    folder.write("bad.tsv", "face\tF\nno tab here\n");
    Protocol protocol;
    protocol.conditions = {{"rest", 0, {1}, {5}}};
    folder.write("p.prt", formatProtocolText(protocol));
    protocol.timeResolution = kTimeResolutionVolumes;
    folder.write("v.prt", formatProtocolText(protocol));
    folder.write("foreign.tsv", "mine\n");
    const std::vector<std::string> before = folder.entries();
    const KwhostResult result = runKwhost(folder, c.args);
    EXPECT_EQ(result.status, c.status) << c.args[1] << " " << result.err;
    EXPECT_EQ(result.err, c.message);
    EXPECT_EQ(folder.entries(), before) << c.message;
    EXPECT_EQ(folder.read("foreign.tsv"), "mine\n");
  }
}

// Triggers logged as key presses: the advice names the series and the setting that takes it,
// not a time zero from the scenario's start, which would put every onset 9.4 s off.
TEST(KwhostEvents, TriggersLoggedAsKeyPressesAreNamedInTheAdvice) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  TempFolder folder;
  std::string text = folder.read(copyRealLog(folder, "idor_two_tables"));
  for (size_t at = 0; (at = text.find("\tPulse\t53\t", at)) != std::string::npos;)
    text.replace(at, 10, "\tResponse\t5\t");
  folder.write("keys.log", text);
  const KwhostResult result = runKwhost(folder, {"events", "keys.log"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "kwhost: no scanner triggers (Pulse events) in keys.log; these events beat like "
            "triggers: 240 Response events with code 5, every 1998.6 ms (--trigger "
            "Response:5)\n");
  const KwhostResult report = runKwhost(folder, {"triggers", "keys.log"});
  EXPECT_NE(report.out.find("(--trigger Response:5)"), std::string::npos) << report.out;
  EXPECT_EQ(runKwhost(folder, {"events", "keys.log", "--trigger", "Response:5"}).status, 0);
}

TEST(KwhostEvents, ReplacesItsOwnFilesOnlyAndNamesThemByBidsName) {
  TempFolder folder;
  folder.write("a.log",
               "Scenario - S\nLogfile written - x\n\nTrial\tEvent Type\tCode\tTime\n\n"
               "1\tPulse\t53\t100\n1\tPicture\tface\t200\n");
  const std::vector<std::string> args = {"events", "a.log", "--bids-name", "sub-01_task-x_run-1"};
  ASSERT_EQ(runKwhost(folder, args).status, 0);
  EXPECT_EQ(folder.read("sub-01_task-x_run-1_events.tsv"),
            "onset\tduration\ttrial_type\tevent_type\tcode\ttrial\n"
            "0.0100\tn/a\tface\tPicture\tface\t1\n");
  EXPECT_EQ(runKwhost(folder, args).status, 0) << "its own files are replaced";
  folder.write("sub-01_task-x_run-1_events.json", "{}\n");
  EXPECT_EQ(runKwhost(folder, args).status, 1);
  EXPECT_EQ(folder.read("sub-01_task-x_run-1_events.json"), "{}\n");
  std::vector<std::string> forced = args;
  forced.push_back("--force");
  EXPECT_EQ(runKwhost(folder, forced).status, 0);
  EXPECT_EQ(runKwhost(folder, {"events", "a.log", "--bids-name", "sub-01_run-1"}).status, 2);

  // A byte changed since kwhost wrote a file, in the table, the sidecar or a picture, keeps
  // it; --force replaces it.
  ASSERT_EQ(runKwhost(folder, {"plot", "a.log"}).status, 0);
  const struct {
    const char* file;
    std::vector<std::string> args;
  } edits[] = {{"sub-01_task-x_run-1_events.tsv", args},
               {"sub-01_task-x_run-1_events.json", args},
               {"a.log.svg", {"plot", "a.log"}}};
  for (const auto& edit : edits) {
    const std::string edited = folder.read(edit.file) + " ";
    folder.write(edit.file, edited);
    const KwhostResult kept = runKwhost(folder, edit.args);
    EXPECT_EQ(kept.status, 1) << edit.file;
    EXPECT_NE(kept.err.find(edit.file), std::string::npos) << kept.err;
    EXPECT_NE(kept.err.find("changed since kwhost wrote it"), std::string::npos) << kept.err;
    EXPECT_EQ(folder.read(edit.file), edited);
    std::vector<std::string> force = edit.args;
    force.push_back("--force");
    EXPECT_EQ(runKwhost(folder, force).status, 0) << edit.file;
    EXPECT_NE(folder.read(edit.file), edited);
  }
}

}  // namespace
}  // namespace stimforge::kwhost::testing
