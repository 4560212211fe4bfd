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
#include "support/real_logs.h"

namespace stimforge {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeHost;

using testing::RealLogImport;

class RealLogs : public ::testing::TestWithParam<RealLogImport> {};

TEST_P(RealLogs, ImportGivesTheProtocolItsEventsDescribe) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const RealLogImport& expected = GetParam();
  const std::string path = testing::realLogsFolder() + "/" + expected.stem + ".log";
  const bool durationColumn =
      expected.duration != nullptr && expected.duration == std::string("column");
  FakeHost host;
  host.integerAnswers = {1, expected.subjectColumn ? 2 : 1, expected.tr != 0 ? expected.tr : 2000,
                         durationColumn ? 2 : 1};
  host.fileAnswers = {path};
  host.yesNoAnswers = {expected.picturesOnly ? 1 : 0};
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
  EXPECT_EQ(host.saves[0].first, testing::realLogsFolder() + "/" + expected.stem + ".prt");
  const testing::FakeProtocol& saved = host.saves[0].second;
  EXPECT_EQ(saved.title, expected.stem);
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

INSTANTIATE_TEST_SUITE_P(PresentationLogs, RealLogs, ::testing::ValuesIn(testing::realLogImports()),
                         [](const ::testing::TestParamInfo<RealLogImport>& info) {
                           return testing::realLogImportName(info.param);
                         });

TEST(RealLogs, SmallLogIsLoggedLineByLine) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  FakeHost host;
  host.integerAnswers = {1, 1, 2000, 1};
  host.fileAnswers = {testing::realLogsFolder() + "/bsb_invest_nosubj.log"};
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
