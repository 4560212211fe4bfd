// The reorder command (menu choice 3), run against the fake host.
#include "editing/reorder_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "editing_test_support.h"
#include "plugin/menu.h"
#include "plugin/plugin_shell.h"

namespace stimforge {
namespace {

using testing::describe;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeCondition;
using testing::FakeHost;
using testing::FakeProtocol;
using ::testing::IsEmpty;
using testing::kMenuCall;
using testing::makeCondition;
using testing::numberedProtocol;

const char kPromptStart[] =
    "Please enter the new order for the conditions, separated by comma's:\n";
const char kPromptEnd[] = "\nExample: 3,4,5,1,6,2,7\n";

std::string line(const std::string& text) {
  return "kwLogText(" + text + ")";
}

std::string textInput(const std::string& listing, const std::string& answer) {
  return "kwGetTextInput(" + std::string(kPromptStart) + listing + kPromptEnd + ", 1,2,3,4) -> 1 " +
         answer;
}

FakeProtocol restFacesHouses() {
  FakeProtocol p;
  p.fileName = "C:\\exp\\run1.prt";
  p.title = "run1";
  p.conditions = {makeCondition("Rest", 0x3F333300, {{0, 998}, {3000, 3998}}),
                  makeCondition("Faces", 0x3F993300, {{1000, 1998}}),
                  makeCondition("Houses", 0x3FFF3399, {})};
  return p;
}

TEST(ReorderCommand, FullRunTranscript) {
  FakeHost host;
  host.protocol.fileName = "C:\\exp\\run1.prt";
  host.protocol.title = "run 1 (50% faces)";
  host.protocol.conditions = {makeCondition("Rest", 0x3F333300, {{0, 10}, {20, 30}}),
                              makeCondition("Faces", 0x3F993300, {{1, 2}, {3, 4}, {5, 6}})};
  host.textAnswers = {"1,0"};
  runReorderCommand();
  EXPECT_THAT(
      host.calls,
      ElementsAre(
          "kwGetProtocol() -> 1", "kwGetProtocolCondition(0)", "kwGetProtocolCondition(1)",
          textInput("0 = Rest\n1 = Faces\n", "1,0"), "kwGetProtocolCondition(1)",
          line("Condition name: Faces\nNumber of intervals: 3"),
          line("New position: 0, previously: 1"), "kwGetProtocolCondition(0)",
          line("Condition name: Rest\nNumber of intervals: 2"),
          line("New position: 1, previously: 0"), "kwClearProtocol()",
          "kwAddProtocolCondition(Faces, 0x3F993300)", "kwAddProtocolConditionInterval(0, 1, 2)",
          "kwAddProtocolConditionInterval(0, 3, 4)", "kwAddProtocolConditionInterval(0, 5, 6)",
          "kwAddProtocolCondition(Rest, 0x3F333300)", "kwAddProtocolConditionInterval(1, 0, 10)",
          "kwAddProtocolConditionInterval(1, 20, 30)",
          "kwSetProtocol(2, C:\\exp\\run1_ordered.prt, run 1 (50% faces), 2)",
          "kwSaveProtocol(C:\\exp\\run1_ordered.prt)", line("Protocol saved with new name:"),
          line("C:\\exp\\run1_ordered.prt"), line("Plugin operations finished successfully.")));
  EXPECT_THAT(host.misuse, IsEmpty());
  // The new header's defaults.
  EXPECT_EQ(host.protocol.colour1, 0);
  EXPECT_EQ(host.protocol.colour2, 0xFFFFFF);
  EXPECT_EQ(host.protocol.colour3, 0xFFFFFF);
  EXPECT_EQ(host.protocol.thickness3, 2);
  EXPECT_EQ(host.protocol.colour4, 0x3F0007D0);
  EXPECT_EQ(host.protocol.thickness4, 2);
}

TEST(ReorderCommand, RestFacesHousesExamples) {
  const std::string rest = "Rest 0x3F333300 [0-998 3000-3998]";
  const std::string faces = "Faces 0x3F993300 [1000-1998]";
  const std::string houses = "Houses 0x3FFF3399 []";
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"2,0,1", {houses, rest, faces}},     {"1", {faces, rest, rest}},
      {"0,1,2,3,4", {rest, faces, houses}}, {",,2,,1,0,", {houses, faces, rest}},
      {" 2 , 1 ,x", {houses, faces, rest}},
  };
  for (const auto& [answer, result] : cases) {
    FakeHost host;
    host.protocol = restFacesHouses();
    host.textAnswers = {answer};
    runReorderCommand();
    ASSERT_EQ(host.saves.size(), 1u) << answer;
    EXPECT_EQ(host.saves[0].first, "C:\\exp\\run1_ordered.prt");
    EXPECT_THAT(describe(host.saves[0].second), ElementsAreArray(result)) << answer;
    EXPECT_THAT(host.misuse, IsEmpty()) << answer;
    EXPECT_EQ(host.log.back(), "Plugin operations finished successfully.");
  }
}

TEST(ReorderCommand, LogsEachPositionWithItsPreviousIndex) {
  FakeHost host;
  host.protocol = restFacesHouses();
  host.textAnswers = {"2,0,1"};
  runReorderCommand();
  EXPECT_THAT(
      host.log,
      ElementsAre("Condition name: Houses\nNumber of intervals: 0",
                  "New position: 0, previously: 2", "Condition name: Rest\nNumber of intervals: 2",
                  "New position: 1, previously: 0", "Condition name: Faces\nNumber of intervals: 1",
                  "New position: 2, previously: 1", "Protocol saved with new name:",
                  "C:\\exp\\run1_ordered.prt", "Plugin operations finished successfully."));
}

TEST(ReorderCommand, DefaultAnswerRotatesFiveConditions) {
  FakeHost host;
  host.protocol = numberedProtocol(5);
  host.textAnswers = {"1,2,3,4"};
  runReorderCommand();
  EXPECT_THAT(host.conditionNames(), ElementsAre("C1", "C2", "C3", "C4", "C0"));
  const FakeProtocol original = numberedProtocol(5);
  EXPECT_THAT(describe(host.protocol),
              ElementsAre(describe(original)[1], describe(original)[2], describe(original)[3],
                          describe(original)[4], describe(original)[0]));
}

TEST(ReorderCommand, RebuildNeverHandsTheHostAValueReadAfterTheClear) {
  // Every position that takes the same condition gets that condition's intervals, although
  // the host overwrote its arrays on the clear.
  FakeHost host;
  host.protocol = numberedProtocol(6);
  host.textAnswers = {"5,2,5"};
  runReorderCommand();
  EXPECT_THAT(host.misuse, IsEmpty());
  const std::vector<std::string> original = describe(numberedProtocol(6));
  EXPECT_THAT(describe(host.protocol), ElementsAre(original[5], original[2], original[5],
                                                   original[0], original[0], original[0]));
  for (const std::string& call : host.calls)
    EXPECT_EQ(call.find(std::to_string(testing::kReleasedIntervalValue)), std::string::npos);
}

TEST(ReorderCommand, NewHeaderKeepsTheTimeUnitAndTitle) {
  FakeHost host;
  host.protocol = restFacesHouses();
  host.protocol.timeResolution = kTimeResolutionVolumes;
  host.protocol.title = "%s %d 100%";
  host.textAnswers = {"0,1,2"};
  runReorderCommand();
  EXPECT_EQ(host.protocol.timeResolution, kTimeResolutionVolumes);
  EXPECT_EQ(host.protocol.title, "%s %d 100%");
  EXPECT_EQ(host.protocol.fileName, "C:\\exp\\run1_ordered.prt");
}

TEST(ReorderCommand, ListingHoldsEveryConditionWhateverItsLength) {
  FakeHost host;
  host.fillTextFieldsWithoutNul = true;
  host.protocol = numberedProtocol(400);
  host.protocol.title = std::string(301, 't');
  for (FakeCondition& c : host.protocol.conditions)
    c.name = std::string(300, 'a') + c.name;  // too long: fills all 256 bytes, no NUL
  host.protocol.conditions[0].name = "Rest";
  host.textAnswers = {"1,0"};
  runReorderCommand();
  std::string listing = "0 = Rest\n";
  for (int i = 1; i < 400; ++i)
    listing += std::to_string(i) + " = " + std::string(256, 'a') + "\n";
  ASSERT_GE(host.calls.size(), 402u);
  EXPECT_EQ(host.calls[401], textInput(listing, "1,0"));
  EXPECT_EQ(host.log[0], "Condition name: " + std::string(256, 'a') + "\nNumber of intervals: 1");
  // Handed back with a NUL, so cut by one character; the title is cut to its 300.
  EXPECT_EQ(host.protocol.conditions[0].name, std::string(255, 'a'));
  EXPECT_EQ(host.protocol.title, std::string(300, 't'));
  EXPECT_THAT(host.misuse, IsEmpty());
}

TEST(ReorderCommand, ProtocolWithoutConditionsIsSavedEmpty) {
  for (const char* answer : {"1,2,3,4", "", ","}) {
    FakeHost host;
    host.protocol.fileName = "C:\\exp\\none.prt";
    host.protocol.title = "none";
    host.textAnswers = {answer};
    runReorderCommand();
    EXPECT_THAT(
        host.calls,
        ElementsAre("kwGetProtocol() -> 1", textInput("", answer), "kwClearProtocol()",
                    "kwSetProtocol(0, C:\\exp\\none_ordered.prt, none, 2)",
                    "kwSaveProtocol(C:\\exp\\none_ordered.prt)",
                    line("Protocol saved with new name:"), line("C:\\exp\\none_ordered.prt"),
                    line("Plugin operations finished successfully.")))
        << answer;
  }
}

TEST(ReorderCommand, EmptyFileNameGivesTheApostropheName) {
  FakeHost host;
  host.protocol = restFacesHouses();
  host.protocol.fileName = "";
  host.textAnswers = {"0,1,2"};
  runReorderCommand();
  ASSERT_EQ(host.saves.size(), 1u);
  EXPECT_EQ(host.saves[0].first, "''_ordered-1");
  EXPECT_THAT(std::vector<std::string>(host.log.end() - 4, host.log.end()),
              ElementsAre("Small problem extracting file extension",
                          "Protocol saved with new name:", "''_ordered-1",
                          "Plugin operations finished successfully."));
}

TEST(ReorderCommand, CancelledPromptChangesNothing) {
  FakeHost host;
  host.protocol = restFacesHouses();
  host.integerAnswers = {3};
  host.textAnswers = {std::nullopt};
  runMenu();
  EXPECT_THAT(
      host.calls,
      ElementsAre("kwShowLogTab()", line("\nstimforge> Started..."), kMenuCall + std::string("3"),
                  "kwGetProtocol() -> 1", "kwGetProtocolCondition(0)", "kwGetProtocolCondition(1)",
                  "kwGetProtocolCondition(2)",
                  "kwGetTextInput(" + std::string(kPromptStart) +
                      "0 = Rest\n1 = Faces\n2 = Houses\n" + kPromptEnd + ", 1,2,3,4) -> 0",
                  line("User canceled protocol sorting."), line("Finished.\n")));
}

TEST(ReorderCommand, OnlyGetProtocolResultOneCountsAsAProtocol) {
  for (int result : {0, 2, -1}) {
    FakeHost host;
    host.protocol = restFacesHouses();
    host.getProtocolResult = result;
    runReorderCommand();
    EXPECT_THAT(host.calls, ElementsAre("kwGetProtocol() -> " + std::to_string(result),
                                        line("Protocol header could not be retrieved.")));
  }
}

// A refused order, run from the menu: the listing, the reason, the cancel line,
// "Finished.\n", and the host's protocol as it was.
void expectRefused(const FakeProtocol& protocol, const std::string& answer,
                   const std::string& reason) {
  FakeHost host;
  host.protocol = protocol;
  host.integerAnswers = {3};
  host.textAnswers = {answer};
  runMenu();
  std::vector<std::string> expected = {"kwShowLogTab()", line("\nstimforge> Started..."),
                                       kMenuCall + std::string("3"), "kwGetProtocol() -> 1"};
  std::string listing;
  for (size_t i = 0; i < protocol.conditions.size(); ++i) {
    expected.push_back("kwGetProtocolCondition(" + std::to_string(i) + ")");
    listing += std::to_string(i) + " = " + protocol.conditions[i].name + "\n";
  }
  expected.insert(expected.end(), {textInput(listing, answer), line(reason),
                                   line("Cancelled further operations."), line("Finished.\n")});
  EXPECT_THAT(host.calls, ElementsAreArray(expected)) << answer;
  EXPECT_THAT(describe(host.protocol), ElementsAreArray(describe(protocol)));
  EXPECT_THAT(host.saves, IsEmpty());
  EXPECT_THAT(host.misuse, IsEmpty());
}

TEST(ReorderCommandFaults, IndexTheProtocolDoesNotHaveIsRefused) {
  expectRefused(numberedProtocol(4), "1,2,3,4",
                "Condition index 4 does not exist; the protocol has conditions 0 to 3.");
  expectRefused(restFacesHouses(), "0,-1,7",
                "Condition index -1 does not exist; the protocol has conditions 0 to 2.");
  expectRefused(restFacesHouses(), "2,1,3",
                "Condition index 3 does not exist; the protocol has conditions 0 to 2.");
}

TEST(ReorderCommandFaults, AnswerWithoutANumberIsRefused) {
  for (const char* answer : {"", ",", ",,,"})
    expectRefused(restFacesHouses(), answer, "No condition order was given.");
}

TEST(ReorderCommandFaults, NewNameLongerThan260CharactersIsRefused) {
  // "_ordered" adds eight characters.
  FakeProtocol protocol = restFacesHouses();
  protocol.fileName = "C:\\" + std::string(246, 'a') + ".prt";
  expectRefused(protocol, "2,1,0",
                "The new protocol file name would be longer than 260 characters.");
  FakeHost host;
  host.protocol = protocol;
  host.protocol.fileName.erase(3, 1);
  host.textAnswers = {"2,1,0"};
  runReorderCommand();
  ASSERT_EQ(host.saves.size(), 1u);
  EXPECT_EQ(host.saves[0].first.size(), 260u);
}

}  // namespace
}  // namespace stimforge
