// The preset orders (menu answer 4) and their colour schemes, run against the fake host.
#include "editing/preset_orders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

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
using testing::numberedProtocol;

const char kTypePrompt[] =
    "kwGetIntegerInput(What is the type of analysis?\n\n1 = GLM (14 pred.)\n2 = GLM 5x2 (18 "
    "pred.)\n3 = GLM match (16 pred.)\n4 = GLM offerA+playertype (23 pred.)\n5 = GLM "
    "exp+playertype (20 pred.)\n6= GLM earn+playertype (20 pred.)\n7= GLM expExp hpc (15 "
    "pred.)\n, 1, 1, 7) -> ";

// The scheme table by position (rows) and analysis type 1 to 7 (columns).
const char* const kSchemeRows[] = {
    "333300 333300 333300 333300 333300 333300 333300",  // 0
    "993300 993300 993300 993300 993300 993300 993300",  // 1
    "FF3399 FF3399 FF3399 FF3399 FF3399 FF3399 FF3399",  // 2
    "0000FF 0000FF 0000FF 0000FF 0000FF 0000FF CC6600",  // 3
    "CCCCCC CCCCCC CCCCCC CCCCCC CCCCCC CCCCCC CC6666",  // 4
    "990066 990066 990066 990066 990066 990066 CCCCCC",  // 5
    "660000 660000 660000 660000 660000 3366CC 990066",  // 6
    "CCCCCC FF0000 CCCCCC FF0000 FF9900 CCCCCC 3366CC",  // 7
    "00FF00 FF9900 FF9900 FF9900 FFFF00 00FF00 CCCCCC",  // 8
    "CCCCCC FFFF99 CCCCCC FFFF99 0099FF CCCCCC 00FF00",  // 9
    "009900 FFFF00 009900 FFFF00 FFCCFF 009900 CCCCCC",  // 10
    "CCCCCC CCCCCC CCCCCC 0099FF 9900FF CCCCCC 009900",  // 11
    "3366CC 00FF00 6600FF 33CCFF CCCCCC 660000 CCCCCC",  // 12
    "999933 CCCCCC 9900FF FFCCFF 00FF00 FF9900 660000",  // 13
    "000000 009900 CC00FF CC00FF CCCCCC FFFF00 999933",  // 14
    "000000 CCCCCC 999933 9900FF 009900 0099FF 000000",  // 15
    "000000 3366CC 000000 CCCCCC CCCCCC FFCCFF 000000",  // 16
    "000000 999933 000000 00FF00 3366CC 9900FF 000000",  // 17
    "000000 000000 000000 CCCCCC 999933 000000 000000",  // 18
    "000000 000000 000000 009900 000000 999933 000000",  // 19
    "000000 000000 000000 CCCCCC 000000 000000 000000",  // 20
    "000000 000000 000000 3366CC 000000 000000 000000",  // 21
    "000000 000000 000000 999933 000000 000000 000000",  // 22
};

std::string line(const std::string& text) {
  return "kwLogText(" + text + ")";
}

// Runs the preset command for `type` on `protocol` and returns the saved protocol's
// description; expects exactly one save under the "_ordered_colored" name.
std::vector<std::string> runPreset(const FakeProtocol& protocol, int type) {
  FakeHost host;
  host.protocol = protocol;
  host.integerAnswers = {type};
  runPresetOrderCommand();
  EXPECT_THAT(host.misuse, IsEmpty());
  EXPECT_EQ(host.log.back(), "Plugin operations finished successfully.");
  if (host.saves.size() != 1u) {
    ADD_FAILURE() << "type " << type << ": " << host.saves.size() << " saves";
    return {};
  }
  EXPECT_EQ(host.saves[0].first, "C:\\exp\\run1_ordered_colored.prt");
  return describe(host.saves[0].second);
}

// The description of old condition `old` of numberedProtocol, coloured 0x3F<colour>.
std::string moved(int old, const std::string& colour) {
  std::string text = describe(numberedProtocol(old + 1)).back();
  return text.replace(text.find(" 0x") + 1, 10, "0x3F" + colour);
}

TEST(SchemeColour, FollowsTheTableAndIsZeroOutsideIt) {
  for (size_t position = 0; position < 23; ++position) {
    std::istringstream row(kSchemeRows[position]);
    for (int type = 1; type <= 7; ++type) {
      std::string colour;
      row >> colour;
      EXPECT_EQ(schemeColour(position, type), std::strtol(colour.c_str(), nullptr, 16))
          << "type " << type << " position " << position;
    }
  }
  for (int type : {0, -1, 8, 1000})
    for (size_t position : {0, 1, 13})
      EXPECT_EQ(schemeColour(position, type), 0);
  for (int type = 1; type <= 7; ++type)
    EXPECT_EQ(schemeColour(23, type), 0);
}

TEST(PresetOrders, TypeOneOnFourteenConditionsTranscript) {
  FakeHost host;
  host.protocol = numberedProtocol(14);
  host.integerAnswers = {1};
  runPresetOrderCommand();
  const int order[] = {0, 1, 13, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const char* colours[] = {"333300", "993300", "FF3399", "0000FF", "CCCCCC", "990066", "660000",
                           "CCCCCC", "00FF00", "CCCCCC", "009900", "CCCCCC", "3366CC", "999933"};
  std::vector<std::string> expected = {"kwGetProtocol() -> 1", kTypePrompt + std::string("1")};
  for (int k = 0; k < 14; ++k) {
    const std::string old = std::to_string(order[k]);
    expected.push_back("kwGetProtocolCondition(" + old + ")");
    expected.push_back(
        line("Condition name: C" + old + "\nNumber of intervals: " + std::to_string(order[k] % 3)));
    expected.push_back(line("New position: " + std::to_string(k) + ", previously: " + old));
  }
  expected.push_back("kwClearProtocol()");
  for (int k = 0; k < 14; ++k) {
    expected.push_back("kwAddProtocolCondition(C" + std::to_string(order[k]) + ", 0x3F" +
                       colours[k] + ")");
    for (int j = 0; j < order[k] % 3; ++j)
      expected.push_back("kwAddProtocolConditionInterval(" + std::to_string(k) + ", " +
                         std::to_string(order[k] * 1000 + 10 * j) + ", " +
                         std::to_string(order[k] * 1000 + 10 * j + 5) + ")");
  }
  expected.insert(expected.end(),
                  {"kwSetProtocol(14, C:\\exp\\run1_ordered_colored.prt, run1, 2)",
                   "kwSaveProtocol(C:\\exp\\run1_ordered_colored.prt)",
                   line("Protocol saved with new name:"), line("C:\\exp\\run1_ordered_colored.prt"),
                   line("Plugin operations finished successfully.")});
  EXPECT_THAT(host.calls, ElementsAreArray(expected));
  EXPECT_THAT(host.misuse, IsEmpty());
  EXPECT_EQ(describe(host.protocol)[2], moved(13, "FF3399"));
  EXPECT_EQ(describe(host.protocol)[13], moved(12, "999933"));
}

TEST(PresetOrders, TypesThreeFiveAndSixShareTheOrderButNotTheColours) {
  const FakeProtocol protocol = numberedProtocol(16);
  const std::vector<std::string> type3 = runPreset(protocol, 3);
  const std::vector<std::string> type5 = runPreset(protocol, 5);
  const std::vector<std::string> type6 = runPreset(protocol, 6);
  const int order[] = {0, 1, 13, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15, 12};
  ASSERT_EQ(type3.size(), 16u);
  for (int k = 0; k < 16; ++k) {
    const std::string name = "C" + std::to_string(order[k]) + " ";
    EXPECT_EQ(type3[k].rfind(name, 0), 0u) << k;
    EXPECT_EQ(type5[k].rfind(name, 0), 0u) << k;
    EXPECT_EQ(type6[k].rfind(name, 0), 0u) << k;
  }
  EXPECT_EQ(type3[6], moved(5, "660000"));
  EXPECT_EQ(type6[6], moved(5, "3366CC"));
  EXPECT_EQ(type3[7], moved(6, "CCCCCC"));
  EXPECT_EQ(type5[7], moved(6, "FF9900"));
}

TEST(PresetOrders, LargerProtocolsFillTheRestWithConditionZero) {
  const std::vector<std::string> type6 = runPreset(numberedProtocol(20), 6);
  ASSERT_EQ(type6.size(), 20u);
  EXPECT_EQ(type6[15], moved(12, "0099FF"));
  EXPECT_EQ(type6[16], moved(0, "FFCCFF"));
  EXPECT_EQ(type6[17], moved(0, "9900FF"));
  EXPECT_EQ(type6[18], moved(0, "000000"));
  EXPECT_EQ(type6[19], moved(0, "999933"));

  const std::vector<std::string> type1 = runPreset(numberedProtocol(16), 1);
  ASSERT_EQ(type1.size(), 16u);
  EXPECT_EQ(type1[13], moved(12, "999933"));
  EXPECT_EQ(type1[14], moved(0, "000000"));
  EXPECT_EQ(type1[15], moved(0, "000000"));
}

TEST(PresetOrders, EveryTypeKeepsEachConditionsIntervals) {
  for (int type = 1; type <= 7; ++type) {
    const std::vector<std::string> saved = runPreset(numberedProtocol(23), type);
    ASSERT_EQ(saved.size(), 23u);
    for (size_t k = 0; k < saved.size(); ++k) {
      const int old = std::atoi(saved[k].c_str() + 1);
      std::string expected = moved(old, "000000");
      char colour[16];
      std::snprintf(colour, sizeof colour, "0x%08X", 0x3F000000 + schemeColour(k, type));
      expected.replace(expected.find(" 0x") + 1, 10, colour);
      EXPECT_EQ(saved[k], expected) << "type " << type << " position " << k;
    }
  }
}

TEST(PresetOrders, NoTypeChosenIsASuccessThatChangesNothing) {
  for (int type : {0, -1}) {
    FakeHost host;
    host.protocol = numberedProtocol(14);
    host.integerAnswers = {4, type};
    runMenu();
    EXPECT_THAT(
        host.calls,
        ElementsAre("kwShowLogTab()", line("\nstimforge> Started..."), kMenuCall + std::string("4"),
                    "kwGetProtocol() -> 1", kTypePrompt + std::to_string(type),
                    line("Plugin operations finished successfully."), line("Finished.\n")));
  }
}

TEST(PresetOrders, OnlyGetProtocolResultOneCountsAsAProtocol) {
  for (int result : {0, 2}) {
    FakeHost host;
    host.protocol = numberedProtocol(14);
    host.getProtocolResult = result;
    runPresetOrderCommand();
    EXPECT_THAT(host.calls, ElementsAre("kwGetProtocol() -> " + std::to_string(result),
                                        line("Protocol header could not be retrieved.")));
  }
}

// A refused preset, run from the menu: the reason right after the extra calls, the cancel
// line, "Finished.\n", and the host's protocol as it was.
void expectRefused(const FakeProtocol& protocol, int type, const std::string& reason) {
  FakeHost host;
  host.protocol = protocol;
  host.integerAnswers = {4, type};
  runMenu();
  EXPECT_THAT(host.calls, ElementsAre("kwShowLogTab()", line("\nstimforge> Started..."),
                                      kMenuCall + std::string("4"), "kwGetProtocol() -> 1",
                                      kTypePrompt + std::to_string(type), line(reason),
                                      line("Cancelled further operations."), line("Finished.\n")));
  EXPECT_THAT(describe(host.protocol), ElementsAreArray(describe(protocol)));
  EXPECT_THAT(host.saves, IsEmpty());
  EXPECT_THAT(host.misuse, IsEmpty());
}

TEST(PresetOrdersFaults, TypeAboveSevenIsRefused) {
  expectRefused(numberedProtocol(14), 8, "There is no preset order for analysis type 8.");
  EXPECT_EQ(presetOrderText(8), nullptr);
  EXPECT_EQ(presetOrderText(0), nullptr);
}

TEST(PresetOrdersFaults, PresetForMoreConditionsThanTheProtocolHasIsRefused) {
  expectRefused(numberedProtocol(10), 1,
                "Condition index 13 does not exist; the protocol has conditions 0 to 9.");
  expectRefused(numberedProtocol(13), 1,
                "Condition index 13 does not exist; the protocol has conditions 0 to 12.");
  expectRefused(numberedProtocol(4), 7,
                "Condition index 13 does not exist; the protocol has conditions 0 to 3.");
}

TEST(PresetOrdersFaults, NewNameLongerThan260CharactersIsRefused) {
  // "_ordered_colored" adds sixteen characters.
  expectRefused(numberedProtocol(14, "C:\\" + std::string(238, 'a') + ".prt"), 1,
                "The new protocol file name would be longer than 260 characters.");
}

TEST(PresetOrders, ProtocolWithoutConditionsIsSavedEmpty) {
  FakeHost host;
  host.protocol = numberedProtocol(0);
  host.integerAnswers = {2};
  runPresetOrderCommand();
  EXPECT_THAT(
      host.calls,
      ElementsAre("kwGetProtocol() -> 1", kTypePrompt + std::string("2"), "kwClearProtocol()",
                  "kwSetProtocol(0, C:\\exp\\run1_ordered_colored.prt, run1, 2)",
                  "kwSaveProtocol(C:\\exp\\run1_ordered_colored.prt)",
                  line("Protocol saved with new name:"), line("C:\\exp\\run1_ordered_colored.prt"),
                  line("Plugin operations finished successfully.")));
}

}  // namespace
}  // namespace stimforge
