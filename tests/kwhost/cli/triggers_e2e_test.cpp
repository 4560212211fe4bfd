// `kwhost triggers` run as a process on the real logs and on files that are no logs: the
// exit statuses, the messages, and the JSON on standard output.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "kwhost_e2e_support.h"
#include "kwhost_runner.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using testing::runKwhost;
using testing::TempFolder;

struct Session {
  std::vector<std::string> args;  // after "triggers"; real logs by name
  int status;
  const char* outStart;  // the start of standard output ("" for any)
  const char* err;       // standard error, whole
};

TEST(KwhostTriggers, ExitStatusesAndMessages) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  TempFolder folder;
  for (const char* stem : {"idor_sound", "idor_two_tables", "oxa_ep_negtime"})
    testing::copyRealLog(folder, stem);
  folder.write("utf16.log", std::string("\xFF\xFES\0c\0e\0n\0", 10));
  folder.write("notes.txt", "Scenario notes\n");
  const Session sessions[] = {
      {{"idor_sound.log", "idor_two_tables.log", "--tr", "2000"},
       0,
       "idor_sound.log: 240 Pulse events (with a Subject column)\n  TR 2000.0 ms (--tr)\n",
       ""},
      {{"idor_two_tables.log", "--volumes", "240", "--tr", "1000"}, 1, "idor_two_tables.log", ""},
      {{"oxa_ep_negtime.log"},
       1,
       "oxa_ep_negtime.log: 0 Pulse events (with a Subject column)\n  verdict: findings: no "
       "Pulse events in oxa_ep_negtime.log; no series of its events beats like triggers; its "
       "event types are Picture, Nothing, Response; give --trigger TYPE[:CODE] if the "
       "scanner's triggers were logged as another type\n",
       ""},
      {{"idor_sound.log", "utf16.log"},
       2,
       "idor_sound.log",
       "kwhost: utf16.log: the file is UTF-16 text; Presentation logs are read as 8-bit text "
       "(save it as ANSI or UTF-8)\n"},
      {{"notes.txt"},
       2,
       "",
       "kwhost: notes.txt: not a Presentation log: its first line does not begin with "
       "\"Scenario -\"\n"},
      {{"absent.log"}, 2, "", "kwhost: absent.log: cannot be opened\n"},
      {{"idor_sound.log", "--tr", "2s"},
       2,
       "",
       "kwhost: --tr: \"2s\" is not a time in milliseconds with at most one decimal\n"
       "Run with --help for more information.\n"},
  };
  for (const Session& s : sessions) {
    std::vector<std::string> args = {"triggers"};
    args.insert(args.end(), s.args.begin(), s.args.end());
    SCOPED_TRACE(args[1]);
    const testing::KwhostResult r = runKwhost(folder, args);
    EXPECT_EQ(r.status, s.status);
    EXPECT_EQ(r.out.rfind(s.outStart, 0), 0u) << r.out;
    EXPECT_EQ(r.err, s.err);
  }
}

TEST(KwhostTriggers, JsonOnStandardOutput) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  TempFolder folder;
  testing::copyRealLog(folder, "idor_two_tables");
  const testing::KwhostResult r = runKwhost(
      folder, {"triggers", "idor_two_tables.log", "--json", "--tr", "2000", "--skip", "5"});
  EXPECT_EQ(r.status, 0);
  const nlohmann::json logs = nlohmann::json::parse(r.out);
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0]["consistent"], true);
  EXPECT_EQ(logs[0]["median_interval_ms"], 1998.6);
  const nlohmann::json& scan = logs[0]["scans"][0];
  EXPECT_EQ(scan["time_zero_trigger"], 6);
  EXPECT_EQ(scan["time_zero_ms"], 19416.7);
  EXPECT_NEAR(scan["drift_ppm"].get<double>(), -31.7, 0.1);
  EXPECT_EQ(logs[0]["property_columns"], nlohmann::json::array());

  // Stimulus-property columns are named; the Pulse's Time is read after them.
  testing::copySample(folder, "stimulus_properties.log");
  const nlohmann::json properties = nlohmann::json::parse(
      runKwhost(folder, {"triggers", "stimulus_properties.log", "--json"}).out);
  EXPECT_EQ(properties[0]["property_columns"],
            (nlohmann::json{"configuration(num)", "conditionid(str)", "form(str)"}));
  EXPECT_EQ(properties[0]["trigger_count"], 1);
  EXPECT_EQ(properties[0]["scans"][0]["first_time_ms"], 1000.0);
}

// A copy of the real log `stem` with every Pulse line but the first removed: a scenario that
// waits for the first pulse and logs only that one.
std::string firstPulseOnly(const TempFolder& folder, const std::string& stem) {
  std::ifstream in(testing::realLogsFolder() + "/" + stem + ".log", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string kept;
  std::string line;
  bool seen = false;
  while (std::getline(text, line)) {
    const bool pulse = line.find("\tPulse\t") != std::string::npos;
    if (!pulse || !seen)
      kept += line + "\n";
    seen = seen || pulse;
  }
  const std::string name = stem + "_first_pulse.log";
  folder.write(name, kept);
  return name;
}

struct BoldSession {
  std::vector<std::string> args;  // after "triggers LOG --json"
  const char* log;                // a real log's stem, or "first_pulse" for the copy
  int status;
  nlohmann::json k;            // "skip"; null when unknown
  nlohmann::json zeroTrigger;  // "time_zero_trigger"
  nlohmann::json zeroMs;       // "time_zero_ms"
};

// The shared real logs of 240 Pulses every 2000 ms against images nibabel wrote; the rows of
// the README's table of runs.
TEST(KwhostTriggers, AgainstTheBoldRun) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const std::filesystem::path runs = std::filesystem::path(SF_BOLD_IMAGES) / "runs";
  if (!std::filesystem::exists(runs / "run_240.nii.gz"))
    GTEST_SKIP() << "no BOLD images (python3-nibabel)";
  TempFolder folder;
  testing::copyRealLog(folder, "idor_two_tables");
  testing::copyRealLog(folder, "idor_sound");
  const std::string first = firstPulseOnly(folder, "idor_two_tables");
  const auto image = [&](const char* name) { return (runs / name).string(); };
  using nlohmann::json;
  // clang-format off
  const BoldSession sessions[] = {
      {{"--bold", image("run_240.nii.gz")}, "idor_two_tables", 0, 0, 1, 9423.9},
      {{"--bold", image("run_236.nii.gz")}, "idor_two_tables", 0, 4, 5, 17418.1},
      {{"--bold", image("run_236.nii.gz"), "--tr", "2000"}, "idor_sound", 0, 4, 5, 25327.7},
      {{"--bold", image("run_244.nii.gz")}, "idor_two_tables", 1, nullptr, nullptr, nullptr},
      {{"--bold", image("run_244.nii.gz"), "--skip", "4"}, "idor_two_tables", 1, 4, 5, 17418.1},
      {{"--bold", image("run_236_sidecar_2.nii.gz")}, "idor_two_tables", 1, nullptr, nullptr,
       nullptr},
      {{"--bold", image("first_pulse.nii.gz")}, "first_pulse", 0, 0, 1, 9423.9},
      {{"--bold", image("first_pulse_dummies.nii.gz")}, "first_pulse", 1, nullptr, nullptr,
       nullptr},
      {{"--bold", image("first_pulse_dummies.nii.gz"), "--skip", "4"}, "first_pulse", 0, 4, 1,
       17423.9},
  };
  // clang-format on
  for (const BoldSession& s : sessions) {
    const std::string log =
        std::string(s.log) == "first_pulse" ? first : std::string(s.log) + ".log";
    std::vector<std::string> args = {"triggers", log, "--json"};
    args.insert(args.end(), s.args.begin(), s.args.end());
    SCOPED_TRACE(log + " " + s.args[1]);
    const testing::KwhostResult r = runKwhost(folder, args);
    EXPECT_EQ(r.status, s.status) << r.out << r.err;
    const json report = json::parse(r.out)[0];
    EXPECT_EQ(report["skip"], s.k);
    EXPECT_EQ(report["time_zero_trigger"], s.zeroTrigger);
    EXPECT_EQ(report["time_zero_ms"], s.zeroMs);
    EXPECT_EQ(report["consistent"], s.status == 0);
    if (s.k.is_null()) {
      EXPECT_FALSE(report["skip_unknown_reason"].get<std::string>().empty());
    }
  }
}

TEST(KwhostTriggers, BoldInputThatCannotBeUsed) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const std::filesystem::path images(SF_BOLD_IMAGES);
  if (!std::filesystem::exists(images / "n1_s.nii"))
    GTEST_SKIP() << "no BOLD images (python3-nibabel)";
  TempFolder folder;
  testing::copyRealLog(folder, "idor_sound");
  const struct {
    const char* image;
    std::vector<std::string> extra;
    int status;
    const char* errPart;
  } cases[] = {
      {"not_nifti.nii", {}, 2, "not a NIfTI file"},
      {"three_d.nii.gz", {}, 2, "fewer than 4 dimensions"},
      {"zero_volumes.nii", {}, 2, "0 volumes"},
      {"truncated.nii.gz", {}, 2, "damaged"},
      {"no_tr.nii.gz", {}, 2, "no repetition time"},
      {"bad_json.nii.gz", {}, 2, "not JSON: line 3"},
      {"n1_s.nii", {"idor_sound.log"}, 2, "--bold checks one LOG"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.image);
    std::vector<std::string> args = {"triggers", "idor_sound.log", "--bold",
                                     (images / c.image).string()};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const testing::KwhostResult r = runKwhost(folder, args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.errPart), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  // No TR in the image, but --tr: checked against --tr.
  const testing::KwhostResult r =
      runKwhost(folder, {"triggers", "idor_sound.log", "--bold", (images / "no_tr.nii.gz").string(),
                         "--tr", "2000", "--volumes", "240"});
  EXPECT_NE(r.out.find("BOLD run:"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace stimforge::kwhost
