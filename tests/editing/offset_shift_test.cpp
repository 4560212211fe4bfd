// The offset shift (menu choice 2), run against the fake host.
#include "editing/offset_shift.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "editing_test_support.h"
#include "plugin/menu.h"
#include "plugin/plugin_shell.h"

namespace stimforge {
namespace {

using testing::describe;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeHost;
using testing::FakeProtocol;
using ::testing::IsEmpty;
using testing::kMenuCall;
using testing::makeCondition;

const char kMessage[] = "kwMessageBox(This function changes the offsets from all intervals)";
const char kMillisecondsPrompt[] =
    "kwGetIntegerInput(Please enter the amount of milliseconds that the intervals should shift, "
    "0, 0, 3000000) -> ";
const char kVolumesPrompt[] =
    "kwGetIntegerInput(Please enter the number of volumes that the intervals should shift, 0, 0, "
    "3000000) -> ";
const char kDirection[] =
    "kwYesNoMessageBox(Should the offset be subtracted (yes) or added (no) to the current "
    "intervals?) -> ";
constexpr int32_t kLargest = std::numeric_limits<int32_t>::max();

FakeProtocol twoConditions() {
  FakeProtocol p;
  p.fileName = "C:\\exp\\run1.prt";
  p.conditions = {makeCondition("Rest", 0x3F333300, {{200, 900}, {100, 300}}),
                  makeCondition("Faces", 0x3F993300, {})};
  return p;
}

std::string line(const std::string& text) {
  return "kwLogText(" + text + ")";
}

TEST(OffsetShift, SubtractingWritesEveryIntervalAndSavesUnderTheMinName) {
  FakeHost host;
  host.protocol = twoConditions();
  host.integerAnswers = {500};
  host.yesNoAnswers = {1};
  runOffsetShiftCommand();
  EXPECT_THAT(
      host.calls,
      ElementsAre(kMessage, "kwGetProtocol() -> 1", kMillisecondsPrompt + std::string("500"),
                  kDirection + std::string("1"), "kwGetProtocolCondition(0)",
                  "kwGetProtocolCondition(1)", line("Changing protocol offset with 500..."),
                  line("\nCurrent condition: Rest"), line("Previous interval: 200 - 900"),
                  line("New interval: 0 - 400"), line("Previous interval: 100 - 300"),
                  line("New interval: 0 - 0"), line("\nCurrent condition: Faces"),
                  "kwSaveProtocol(C:\\exp\\run1_min500.prt)", line("Protocol saved with new name:"),
                  line("C:\\exp\\run1_min500.prt"),
                  line("Plugin operations finished successfully.")));
  EXPECT_THAT(describe(host.protocol),
              ElementsAre("Rest 0x3F333300 [0-400 0-0]", "Faces 0x3F993300 []"));
  ASSERT_EQ(host.saves.size(), 1u);
  EXPECT_THAT(describe(host.saves[0].second), ElementsAreArray(describe(host.protocol)));
  EXPECT_THAT(host.misuse, IsEmpty());
}

TEST(OffsetShiftFaults, NegativeIntervalEndsAreClampedAtZero) {
  FakeHost host;
  host.protocol.fileName = "C:\\exp\\run1.prt";
  host.protocol.conditions = {makeCondition(
      "Rest", 0, {{100, 300}, {200, 900}, {-50, -20}, {std::numeric_limits<int32_t>::min(), 5}})};
  host.integerAnswers = {500};
  host.yesNoAnswers = {1};
  runOffsetShiftCommand();
  EXPECT_THAT(describe(host.protocol), ElementsAre("Rest 0x00000000 [0-0 0-400 0-0 0-0]"));
}

TEST(OffsetShift, AddingMovesBothEndsAndSavesUnderThePlusName) {
  for (const auto& [amount, name] :
       {std::pair{500, "C:\\exp\\run1_plus500.prt"}, std::pair{3, "C:\\exp\\run1_plus3.prt"}}) {
    FakeHost host;
    host.protocol = twoConditions();
    host.integerAnswers = {amount};
    host.yesNoAnswers = {0};
    runOffsetShiftCommand();
    ASSERT_EQ(host.saves.size(), 1u);
    EXPECT_EQ(host.saves[0].first, name);
    EXPECT_THAT(describe(host.protocol),
                ElementsAre("Rest 0x3F333300 [" + std::to_string(200 + amount) + "-" +
                                std::to_string(900 + amount) + " " + std::to_string(100 + amount) +
                                "-" + std::to_string(300 + amount) + "]",
                            "Faces 0x3F993300 []"));
    EXPECT_EQ(host.log.back(), "Plugin operations finished successfully.");
  }
}

TEST(OffsetShift, AmountZeroLogsEveryIntervalAndSavesUnderMinZeroOrPlusZero) {
  for (const auto& [yes, name] :
       {std::pair{1, "C:\\exp\\run1_min0.prt"}, std::pair{0, "C:\\exp\\run1_plus0.prt"}}) {
    FakeHost host;
    host.protocol = twoConditions();
    host.integerAnswers = {0};
    host.yesNoAnswers = {yes};
    runOffsetShiftCommand();
    EXPECT_THAT(host.log,
                ElementsAre("Changing protocol offset with 0...", "\nCurrent condition: Rest",
                            "Previous interval: 200 - 900", "New interval: 200 - 900",
                            "Previous interval: 100 - 300", "New interval: 100 - 300",
                            "\nCurrent condition: Faces", "Protocol saved with new name:", name,
                            "Plugin operations finished successfully."));
    EXPECT_THAT(describe(host.protocol), ElementsAreArray(describe(twoConditions())));
  }
}

TEST(OffsetShift, PromptFollowsTheTimeResolution) {
  for (const auto& [resolution, prompt] :
       {std::pair{1, kVolumesPrompt}, std::pair{2, kMillisecondsPrompt},
        std::pair{0, kMillisecondsPrompt}, std::pair{3, kMillisecondsPrompt}}) {
    FakeHost host;
    host.protocol.timeResolution = resolution;
    host.integerAnswers = {-1};
    runOffsetShiftCommand();
    EXPECT_THAT(host.calls,
                ElementsAre(kMessage, "kwGetProtocol() -> 1", prompt + std::string("-1"),
                            line("Cancelled further operations.")))
        << "timeResolution " << resolution;
  }
}

TEST(OffsetShift, WithoutAProtocolNothingIsAsked) {
  for (const std::optional<int> result : {std::optional<int>(0), std::optional<int>(-1)}) {
    FakeHost host;
    host.getProtocolResult = result;
    runOffsetShiftCommand();
    EXPECT_THAT(host.calls,
                ElementsAre(kMessage, "kwGetProtocol() -> " + std::to_string(*result),
                            line("No protocol linked."), line("Cancelled further operations.")));
  }
}

TEST(OffsetShift, AnyGetProtocolResultAboveZeroCountsAsAProtocol) {
  FakeHost host;
  host.protocol = twoConditions();
  host.getProtocolResult = 2;
  host.integerAnswers = {1};
  host.yesNoAnswers = {0};
  runOffsetShiftCommand();
  EXPECT_EQ(host.saves.size(), 1u);
}

TEST(OffsetShift, EmptyProtocolIsStillSavedUnderTheNewName) {
  FakeHost host;
  host.protocol.fileName = "D:\\p.prt";
  host.integerAnswers = {20};
  host.yesNoAnswers = {1};
  runOffsetShiftCommand();
  EXPECT_THAT(host.log, ElementsAre("Changing protocol offset with 20...",
                                    "Protocol saved with new name:", "D:\\p_min20.prt",
                                    "Plugin operations finished successfully."));
}

// The new name is formed before any interval moves (see AllocationFailure), so the empty
// name's complaint comes first.
TEST(OffsetShift, EmptyFileNameGivesTheApostropheName) {
  FakeHost host;
  host.protocol = twoConditions();
  host.protocol.fileName = "";
  host.integerAnswers = {500};
  host.yesNoAnswers = {1};
  runOffsetShiftCommand();
  EXPECT_THAT(
      host.log,
      ElementsAre("Small problem extracting file extension", "Changing protocol offset with 500...",
                  "\nCurrent condition: Rest", "Previous interval: 200 - 900",
                  "New interval: 0 - 400", "Previous interval: 100 - 300", "New interval: 0 - 0",
                  "\nCurrent condition: Faces", "Protocol saved with new name:", "''_min500-1",
                  "Plugin operations finished successfully."));
  ASSERT_EQ(host.saves.size(), 1u);
  EXPECT_EQ(host.saves[0].first, "''_min500-1");
}

// A refused shift, run from the menu: the reason, the cancel line, "Finished.\n", and the
// host's protocol as it was.
void expectRefused(FakeHost& host, const FakeProtocol& before, int amount, int yes,
                   const std::string& reason) {
  const std::vector<std::string> conditionCalls = {"kwGetProtocolCondition(0)",
                                                   "kwGetProtocolCondition(1)"};
  std::vector<std::string> expected = {"kwShowLogTab()",
                                       line("\nstimforge> Started..."),
                                       kMenuCall + std::string("2"),
                                       kMessage,
                                       "kwGetProtocol() -> 1",
                                       kMillisecondsPrompt + std::to_string(amount),
                                       kDirection + std::to_string(yes)};
  // Only a refusal that needs the intervals fetches the conditions.
  if (reason.rfind("Shifting", 0) == 0)
    expected.insert(expected.end(), conditionCalls.begin(), conditionCalls.end());
  expected.insert(expected.end(),
                  {line(reason), line("Cancelled further operations."), line("Finished.\n")});
  EXPECT_THAT(host.calls, ElementsAreArray(expected));
  EXPECT_THAT(describe(host.protocol), ElementsAreArray(describe(before)));
  EXPECT_THAT(host.saves, IsEmpty());
  EXPECT_THAT(host.misuse, IsEmpty());
}

TEST(OffsetShiftFaults, AddingPastTheLargestTimeIsRefused) {
  FakeProtocol before = twoConditions();
  before.conditions[1] = makeCondition("Faces", 1, {{5, kLargest - 10}});
  {
    FakeHost host;
    host.protocol = before;
    host.integerAnswers = {2, 11};
    host.yesNoAnswers = {0};
    runMenu();
    expectRefused(host, before, 11, 0,
                  "Shifting by 11 would take an interval past the largest time a protocol can "
                  "hold.");
  }
  {
    // Exactly up to the largest time is fine.
    FakeHost host;
    host.protocol = before;
    host.integerAnswers = {10};
    host.yesNoAnswers = {0};
    runOffsetShiftCommand();
    EXPECT_THAT(describe(host.protocol),
                ElementsAre("Rest 0x3F333300 [210-910 110-310]",
                            "Faces 0x00000001 [15-" + std::to_string(kLargest) + "]"));
  }
  {
    // A host that does not enforce the maximum amount: subtracting stays at 0, adding is
    // refused.
    FakeHost host;
    host.protocol = before;
    host.integerAnswers = {kLargest};
    host.yesNoAnswers = {1};
    runOffsetShiftCommand();
    EXPECT_THAT(describe(host.protocol),
                ElementsAre("Rest 0x3F333300 [0-0 0-0]", "Faces 0x00000001 [0-0]"));
  }
  {
    FakeHost again;
    again.protocol = before;
    again.integerAnswers = {kLargest};
    again.yesNoAnswers = {0};
    runOffsetShiftCommand();
    EXPECT_THAT(again.saves, IsEmpty());
    EXPECT_THAT(describe(again.protocol), ElementsAreArray(describe(before)));
  }
}

TEST(OffsetShiftFaults, NewNameLongerThan260CharactersIsRefused) {
  // "_min500" adds seven characters.
  const std::string name253 = "C:\\" + std::string(246, 'a') + ".prt";
  const std::string name254 = "C:\\" + std::string(247, 'a') + ".prt";
  {
    FakeHost host;
    host.protocol = twoConditions();
    host.protocol.fileName = name254;
    const FakeProtocol before = host.protocol;
    host.integerAnswers = {2, 500};
    host.yesNoAnswers = {1};
    runMenu();
    expectRefused(host, before, 500, 1,
                  "The new protocol file name would be longer than 260 characters.");
  }
  {
    FakeHost host;
    host.protocol = twoConditions();
    host.protocol.fileName = name253;
    host.integerAnswers = {500};
    host.yesNoAnswers = {1};
    runOffsetShiftCommand();
    ASSERT_EQ(host.saves.size(), 1u);
    EXPECT_EQ(host.saves[0].first.size(), 260u);
  }
}

TEST(OffsetShiftFaults, FileNameFillingItsFieldWithoutNulIsReadWithinTheField) {
  FakeHost host;
  host.fillTextFieldsWithoutNul = true;
  host.protocol = twoConditions();
  host.protocol.fileName = std::string(300, 'n') + ".prt";
  host.protocol.conditions[0].name = std::string(256, 'r');
  host.integerAnswers = {1};
  host.yesNoAnswers = {1};
  runOffsetShiftCommand();
  EXPECT_THAT(host.log, ElementsAre("The new protocol file name would be longer than 260 "
                                    "characters.",
                                    "Cancelled further operations."));
}

TEST(OffsetShift, LongUnterminatedConditionNameIsLoggedWhole) {
  FakeHost host;
  host.fillTextFieldsWithoutNul = true;
  host.protocol = twoConditions();
  host.protocol.conditions[0].name = std::string(256, 'r');
  host.integerAnswers = {1};
  host.yesNoAnswers = {1};
  runOffsetShiftCommand();
  ASSERT_GE(host.log.size(), 2u);
  EXPECT_EQ(host.log[1], "\nCurrent condition: " + std::string(256, 'r'));
}

}  // namespace
}  // namespace stimforge
