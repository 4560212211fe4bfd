// `kwhost triggers` run as a process on the real logs and on files that are no logs: the
// exit statuses, the messages, and the JSON on standard output.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
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
       "Pulse events in oxa_ep_negtime.log; give --trigger TYPE[:CODE] if the scanner's triggers "
       "were logged as another type\n",
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
       "kwhost: --tr: \"2s\" is not a positive time in milliseconds with at most one decimal\n"
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

}  // namespace
}  // namespace stimforge::kwhost
