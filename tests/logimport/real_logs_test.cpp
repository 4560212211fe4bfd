// Whole imports of real Presentation logs, read in place (the reader only reads; the fake
// host records the save and writes nothing). Expected values are what the files say.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "plugin/menu.h"
#include "plugin/plugin_shell.h"
#include "support/fake_host.h"

namespace stimforge {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeHost;

struct Interval {
  int start;
  int end;
};

struct RealLog {
  const char* file;
  int layout;
  bool pictureOnly;
  int durationMode;
  int eventLines;  // "Trial: ... EventType: ..." lines
  const char* summary;
  const char* partLines;
  std::vector<std::string> firstConditions;  // the first of them, in order
  size_t conditionCount;
  Interval first;
  std::string lastCode;
  Interval last;
};

void PrintTo(const RealLog& log, std::ostream* out) {
  *out << log.file << " layout " << log.layout << (log.pictureOnly ? ", pictures" : ", all")
       << ", mode " << log.durationMode;
}

std::string logsFolder() {
  return SF_PRESENTATION_LOGS_DIR;
}

bool logsPresent() {
  std::FILE* f = std::fopen((logsFolder() + "/README.md").c_str(), "rb");
  if (f == nullptr)
    return false;
  std::fclose(f);
  return true;
}

class RealLogs : public ::testing::TestWithParam<RealLog> {};

TEST_P(RealLogs, ImportGivesTheProtocolItsEventsDescribe) {
  if (!logsPresent())
    GTEST_SKIP() << "no real logs in " << logsFolder();
  const RealLog& expected = GetParam();
  const std::string path = logsFolder() + "/" + expected.file + ".log";
  FakeHost host;
  host.integerAnswers = {1, expected.layout, 2000, expected.durationMode};
  host.fileAnswers = {path};
  host.yesNoAnswers = {expected.pictureOnly ? 1 : 0};
  EXPECT_TRUE(runMenu());

  EXPECT_THAT(host.log, ::testing::Contains(expected.summary));
  EXPECT_THAT(host.log, ::testing::Contains(expected.partLines));
  EXPECT_EQ(std::count_if(host.log.begin(), host.log.end(),
                          [](const std::string& line) {
                            return line.rfind("Trial: ", 0) == 0 &&
                                   line.find(" EventType: ") != std::string::npos;
                          }),
            expected.eventLines);
  EXPECT_THAT(host.log, ::testing::Not(::testing::Contains(::testing::StartsWith("Warning"))));
  EXPECT_EQ(host.log.at(host.log.size() - 2), "Plugin operations finished successfully.");

  ASSERT_EQ(host.saves.size(), 1u);
  EXPECT_EQ(host.saves[0].first, logsFolder() + "/" + expected.file + ".prt");
  const testing::FakeProtocol& saved = host.saves[0].second;
  EXPECT_EQ(saved.title, expected.file);
  ASSERT_EQ(saved.conditions.size(), expected.conditionCount);
  std::vector<std::string> names;
  for (size_t i = 0; i < expected.firstConditions.size() && i < saved.conditions.size(); ++i)
    names.push_back(saved.conditions[i].name);
  EXPECT_THAT(names, ElementsAreArray(expected.firstConditions));
  if (expected.conditionCount == 0)
    return;
  EXPECT_EQ(saved.conditions[0].starts.at(0), expected.first.start);
  EXPECT_EQ(saved.conditions[0].ends.at(0), expected.first.end);
  const auto last = std::find_if(saved.conditions.begin(), saved.conditions.end(),
                                 [&](const auto& c) { return c.name == expected.lastCode; });
  ASSERT_NE(last, saved.conditions.end());
  EXPECT_EQ(last->starts.back(), expected.last.start);
  EXPECT_EQ(last->ends.back(), expected.last.end);
  EXPECT_TRUE(host.misuse.empty());
}

INSTANTIATE_TEST_SUITE_P(
    PresentationLogs, RealLogs,
    ::testing::Values(
        // Subject column; the table ends with two empty lines before a second table; codes
        // with blanks and colons (Manual lines, not selected); the last event a Response.
        RealLog{"idor_two_tables",
                2,
                false,
                1,
                512,
                "Number of trials: 46, Picture/Sound/Video/Response events: 269",
                "Number of lines in first part of file: 518",
                {"cueNeutro", "fixAfterCue", "rewNeutro1", "press", "1", "fix2"},
                35,
                {9433, 10930},
                "1",
                {475600, 475600}},
        RealLog{"idor_two_tables",
                2,
                true,
                1,
                512,
                "Number of trials: 46, Picture/Sound/Video/Response events: 225",
                "Number of lines in first part of file: 518",
                {"cueNeutro", "fixAfterCue", "rewNeutro1", "press", "fix2"},
                34,
                {9433, 10930},
                "fix2",
                {475501, 482850}},
        // Sound events with an empty Duration; Port Input lines; the file has no repeat.
        RealLog{"idor_sound",
                2,
                false,
                2,
                528,
                "Number of trials: 24, Picture/Sound/Video/Response events: 48",
                "Number of lines in first part of file: 533",
                {"REPOUSO", "RELAXAR", "TAREFA", "EXECUTAR"},
                4,
                {17347, 18346},
                "EXECUTAR",
                {477403, 477403}},
        RealLog{"idor_sound",
                2,
                false,
                1,
                528,
                "Number of trials: 24, Picture/Sound/Video/Response events: 48",
                "Number of lines in first part of file: 533",
                {"REPOUSO", "RELAXAR", "TAREFA", "EXECUTAR"},
                4,
                {17347, 17351},
                "EXECUTAR",
                {477403, 477403}},
        // A first event with a negative Time; Nothing lines with empty fields.
        RealLog{"oxa_ep_negtime",
                2,
                false,
                1,
                301,
                "Number of trials: 141, Picture/Sound/Video/Response events: 261",
                "Number of lines in first part of file: 306",
                {"fixation_cross", "self_low", "shockpic", "2", "5", "3", "notrial", "other_high",
                 "self_high", "other_low", "1", "4"},
                12,
                {-983, 3046},
                "fixation_cross",
                {535467, 539481}},
        // No Subject column; CR LF line ends; a two-word event type.
        RealLog{"bsb_invest_nosubj",
                1,
                true,
                1,
                8,
                "Number of trials: 6, Picture/Sound/Video/Response events: 4",
                "Number of lines in first part of file: 14",
                {"TGinvestment", "E4_application", "pic"},
                3,
                {5, 23549},
                "pic",
                {31537, 33882}},
        RealLog{"atwm_header_only",
                2,
                false,
                1,
                0,
                "Number of trials: 0, Picture/Sound/Video/Response events: 0",
                "Number of lines in first part of file: 5",
                {},
                0,
                {0, 0},
                "",
                {0, 0}}),
    [](const ::testing::TestParamInfo<RealLog>& info) {
      return std::string(info.param.file) + "_layout" + std::to_string(info.param.layout) +
             (info.param.pictureOnly ? "_pictures" : "_all") + "_mode" +
             std::to_string(info.param.durationMode);
    });

TEST(RealLogs, SmallLogIsLoggedLineByLine) {
  if (!logsPresent())
    GTEST_SKIP() << "no real logs in " << logsFolder();
  FakeHost host;
  host.integerAnswers = {1, 1, 2000, 1};
  host.fileAnswers = {logsFolder() + "/bsb_invest_nosubj.log"};
  host.yesNoAnswers = {0};
  EXPECT_TRUE(runMenu());
  const auto from = std::find(host.log.begin(), host.log.end(), "Read Presentation log file...");
  const auto to =
      std::find(host.log.begin(), host.log.end(), "Converting to Halden stimulation protocol...");
  ASSERT_TRUE(from != host.log.end() && to != host.log.end());
  EXPECT_THAT(
      std::vector<std::string>(from + 1, to),
      ElementsAre("Trial: 1 EventType: Nothing Code: CurrentTotal:62",
                  "Trial: 2 EventType: Picture Code: TGinvestment",
                  "Trial: 2 EventType: Text Input Code: 31", "Trial: 2 EventType: Response Code: 1",
                  "Trial: 3 EventType: Picture Code: E4_application",
                  "Trial: 4 EventType: Response Code: 2",
                  "Trial: 5 EventType: Picture Code: E4_application",
                  "Trial: 6 EventType: Picture Code: pic",
                  "Number of trials: 6, Picture/Sound/Video/Response events: 6",
                  "Number of lines in first part of file: 14",
                  "Trial: 2, code: TGinvestment, duration:           23547",
                  "Trial: 2, code: 1, duration:               0",
                  "Trial: 3, code: E4_application, duration:             516",
                  "Trial: 4, code: 2, duration:               0",
                  "Trial: 5, code: E4_application, duration:             516",
                  "Trial: 6, code: pic, duration:            2346"));
  EXPECT_THAT(host.conditionNames(),
              ElementsAre("TGinvestment", "1", "E4_application", "2", "pic"));
  EXPECT_THAT(host.protocol.conditions[0].starts, ElementsAre(5));
  EXPECT_THAT(host.protocol.conditions[0].ends, ElementsAre(23534));
}

}  // namespace
}  // namespace stimforge
