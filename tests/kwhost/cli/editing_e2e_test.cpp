// The editing commands through kwhost with the real plug-in, on protocol files written in
// kwhost's format and on protocols kwhost saved from real Presentation logs: each result is
// read back from the file kwhost saved, and every refusal leaves the files as they were.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "kwhost_e2e_support.h"
#include "kwhost_runner.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::linesOf;
using testing::readBack;
using testing::runKwhost;
using testing::TempFolder;

constexpr int32_t kConditionColour = 0x3F000000;

// A protocol file of `count` conditions "C0", "C1", ... in volumes, with header colours of
// its own: condition k has the colour 0x3F000000 + k and the intervals k*10 .. k*10+4 and
// 1000+k .. 1002+k.
std::string conditionsFile(int count) {
  std::string text =
      "kwhost-protocol 1\ntitle \"design\"\ntime-resolution 1\ncolour1 0x123456\n"
      "colour2 0x654321\ncolour3 0x0000FF\nthickness3 5\ncolour4 0x3F00FF00\nthickness4 7\n"
      "conditions " +
      std::to_string(count) + "\n";
  for (int k = 0; k < count; ++k) {
    char condition[160];
    std::snprintf(condition, sizeof condition,
                  "\ncondition \"C%d\"\ncolour 0x%08X\nintervals 2\n%d %d\n%d %d\n", k,
                  static_cast<unsigned>(kConditionColour + k), k * 10, k * 10 + 4, 1000 + k,
                  1002 + k);
    text += condition;
  }
  return text;
}

// `input` rebuilt by the plug-in in `order` and saved as `savedAs`: the header takes the
// default colours and pen thicknesses and keeps its title and time unit; with `colours`, the
// condition at position k is coloured 0x3F000000 + colours[k].
Protocol rebuilt(const Protocol& input, const std::vector<int>& order, const std::string& savedAs,
                 const std::vector<int32_t>& colours = {}) {
  Protocol expected = input;
  expected.fileName = savedAs;
  expected.colour1 = 0x000000;
  expected.colour2 = 0xFFFFFF;
  expected.colour3 = 0xFFFFFF;
  expected.thickness3 = 2;
  expected.colour4 = 0x3F0007D0;
  expected.thickness4 = 2;
  expected.conditions.clear();
  for (size_t k = 0; k < order.size(); ++k) {
    expected.conditions.push_back(input.conditions.at(static_cast<size_t>(order[k])));
    if (!colours.empty())
      expected.conditions.back().colour = kConditionColour + colours.at(k);
  }
  return expected;
}

// The raw log of a run whose command logged `lines` (texts as kwhost escapes them).
std::string runLog(const std::vector<std::string>& lines) {
  std::string log = "\\nstimforge> Started...\n";
  for (const std::string& line : lines)
    log += line + "\n";
  return log + "Finished.\\n\n";
}

TEST(KwhostEditing, ReorderAnswersOnRestFacesHouses) {
  TempFolder folder;
  const std::string input = testing::copySample(folder, "faces_houses.prt");
  const std::string original = folder.read(input);
  const Protocol protocol = readBack(folder, input);
  const std::string savedAs = folder.file("faces_houses_ordered.prt");

  testing::KwhostResult r = runKwhost(folder, {"reorder", input, "2,0,1", "--log", "log.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(
      folder.read("log.txt"),
      runLog({"Condition name: Houses\\nNumber of intervals: 2", "New position: 0, previously: 2",
              "Condition name: Rest\\nNumber of intervals: 3", "New position: 1, previously: 0",
              "Condition name: Faces\\nNumber of intervals: 2", "New position: 2, previously: 1",
              "Protocol saved with new name:", "faces_houses_ordered.prt",
              "Plugin operations finished successfully."}));

  // Handed over as given (--partial): a condition named at several positions is saved at each
  // with its own intervals; numbers beyond the conditions have no effect; empty tokens vanish.
  const struct {
    const char* answer;
    std::vector<int> order;
  } cases[] = {{"1", {1, 0, 0}}, {"0,1,2,3,4", {0, 1, 2}}, {",,2,,1,0,", {2, 1, 0}}};
  for (const auto& c : cases) {
    r = runKwhost(folder, {"reorder", input, c.answer, "--partial"});
    EXPECT_EQ(r.status, 0) << c.answer << ": " << r.err;
    EXPECT_EQ(readBack(folder, "faces_houses_ordered.prt"), rebuilt(protocol, c.order, savedAs))
        << c.answer;
  }
  EXPECT_EQ(folder.read(input), original);
  EXPECT_THAT(folder.entries(),
              ElementsAre("faces_houses.prt", "faces_houses_ordered.prt", "log.txt"));
}

TEST(KwhostEditing, ShiftClampsAtZeroEarlierAndNamesTheAmount) {
  TempFolder folder;
  const std::string original =
      "kwhost-protocol 1\ntitle \"run1\"\ntime-resolution 2\ncolour1 0x000000\n"
      "colour2 0xFFFFFF\ncolour3 0xFFFFFF\nthickness3 2\ncolour4 0x3F0007D0\nthickness4 2\n"
      "conditions 1\n\ncondition \"Stim\"\ncolour 0x3F00C355\nintervals 2\n200 900\n100 300\n";
  folder.write("run1.prt", original);
  const Protocol protocol = readBack(folder, "run1.prt");

  testing::KwhostResult r =
      runKwhost(folder, {"shift", "run1.prt", "--earlier", "500", "--log", "log.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(folder.read("log.txt"),
            runLog({"Changing protocol offset with 500...", "\\nCurrent condition: Stim",
                    "Previous interval: 200 - 900", "New interval: 0 - 400",
                    "Previous interval: 100 - 300", "New interval: 0 - 0",
                    "Protocol saved with new name:", "run1_min500.prt",
                    "Plugin operations finished successfully."}));
  Protocol expected = protocol;
  expected.fileName = folder.file("run1_min500.prt");
  expected.conditions[0].starts = {0, 0};
  expected.conditions[0].ends = {400, 0};
  EXPECT_EQ(readBack(folder, "run1_min500.prt"), expected);

  r = runKwhost(folder, {"shift", "run1.prt", "--later", "500"});
  EXPECT_EQ(r.status, 0);
  expected.fileName = folder.file("run1_plus500.prt");
  expected.conditions[0].starts = {700, 600};
  expected.conditions[0].ends = {1400, 800};
  EXPECT_EQ(readBack(folder, "run1_plus500.prt"), expected);

  EXPECT_EQ(folder.read("run1.prt"), original);
  EXPECT_THAT(folder.entries(),
              ElementsAre("log.txt", "run1.prt", "run1_min500.prt", "run1_plus500.prt"));
}

// The header of the file reaches the plug-in: volumes get their own prompt, any other unit
// the milliseconds prompt, and the shift changes nothing but the intervals.
TEST(KwhostEditing, ShiftAsksInTheProtocolsUnitAndKeepsItsHeader) {
  TempFolder folder;
  folder.write("volumes.prt", conditionsFile(2));
  const Protocol protocol = readBack(folder, "volumes.prt");
  testing::KwhostResult r =
      runKwhost(folder, {"shift", "volumes.prt", "--later", "3", "--transcript", "calls.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(folder.read("calls.txt"),
              HasSubstr("kwGetIntegerInput(Please enter the number of volumes that the intervals "
                        "should shift, 0, 0, 3000000) -> 3\n"));
  Protocol expected = protocol;
  expected.fileName = folder.file("volumes_plus3.prt");
  expected.conditions[0].starts = {3, 1003};
  expected.conditions[0].ends = {7, 1005};
  expected.conditions[1].starts = {13, 1004};
  expected.conditions[1].ends = {17, 1006};
  EXPECT_EQ(readBack(folder, "volumes_plus3.prt"), expected);

  std::string otherUnit = conditionsFile(1);
  otherUnit.replace(otherUnit.find("time-resolution 1"), 17, "time-resolution 7");
  folder.write("other.prt", otherUnit);
  r = runKwhost(folder, {"shift", "other.prt", "--earlier", "1", "--transcript", "calls.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(folder.read("calls.txt"),
              HasSubstr("kwGetIntegerInput(Please enter the amount of milliseconds that the "
                        "intervals should shift, 0, 0, 3000000) -> 1\n"));
  EXPECT_EQ(readBack(folder, "other_min1.prt").timeResolution, 7);
}

TEST(KwhostEditing, PresetsOrderAndColourByPosition) {
  TempFolder folder;
  folder.write("design14.prt", conditionsFile(14));
  folder.write("design20.prt", conditionsFile(20));
  const Protocol design14 = readBack(folder, "design14.prt");
  const Protocol design20 = readBack(folder, "design20.prt");

  testing::KwhostResult r = runKwhost(folder, {"preset", "design14.prt", "1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readBack(folder, "design14_ordered_colored.prt"),
            rebuilt(design14, {0, 1, 13, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                    folder.file("design14_ordered_colored.prt"),
                    {0x333300, 0x993300, 0xFF3399, 0x0000FF, 0xCCCCCC, 0x990066, 0x660000, 0xCCCCCC,
                     0x00FF00, 0xCCCCCC, 0x009900, 0xCCCCCC, 0x3366CC, 0x999933}));

  // Type 6 orders 16 conditions; the four positions after them take condition 0, and
  // position 18 has no colour of its own.
  r = runKwhost(folder, {"preset", "design20.prt", "6"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readBack(folder, "design20_ordered_colored.prt"),
            rebuilt(design20, {0, 1, 13, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15, 12, 0, 0, 0, 0},
                    folder.file("design20_ordered_colored.prt"),
                    {0x333300, 0x993300, 0xFF3399, 0x0000FF, 0xCCCCCC, 0x990066, 0x3366CC,
                     0xCCCCCC, 0x00FF00, 0xCCCCCC, 0x009900, 0xCCCCCC, 0x660000, 0xFF9900,
                     0xFFFF00, 0x0099FF, 0xFFCCFF, 0x9900FF, 0x000000, 0x999933}));

  // No analysis type: a success with nothing saved.
  r = runKwhost(folder,
                {"run", "design14.prt", "--answer", "4", "--answer", "0", "--log", "log.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(folder.read("log.txt"), runLog({"Plugin operations finished successfully."}));
  EXPECT_THAT(folder.entries(),
              ElementsAre("design14.prt", "design14_ordered_colored.prt", "design20.prt",
                          "design20_ordered_colored.prt", "log.txt"));
}

// Protocols kwhost saved from real logs, edited in turn: the shift on a negative first time,
// a preset on more conditions than it orders, and a preset on fewer.
TEST(KwhostEditing, EditsOfProtocolsImportedFromRealLogs) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  TempFolder folder;
  const std::string oxa = testing::copyRealLog(folder, "oxa_ep_negtime");
  const std::string idor = testing::copyRealLog(folder, "idor_two_tables");
  ASSERT_EQ(runKwhost(folder, {"import", oxa, idor, "--subject-column"}).status, 0);
  const Protocol imported = readBack(folder, "oxa_ep_negtime.prt");
  ASSERT_EQ(imported.conditions.size(), 12u);
  ASSERT_EQ(imported.conditions[0].starts.front(), -983);

  testing::KwhostResult r = runKwhost(folder, {"shift", "oxa_ep_negtime.prt", "--earlier", "500"});
  EXPECT_EQ(r.status, 0) << r.err;
  Protocol expected = imported;
  expected.fileName = folder.file("oxa_ep_negtime_min500.prt");
  for (Condition& condition : expected.conditions) {
    for (std::vector<int32_t>* values : {&condition.starts, &condition.ends}) {
      for (int32_t& value : *values)
        value = std::max(value - 500, 0);
    }
  }
  const Protocol shifted = readBack(folder, "oxa_ep_negtime_min500.prt");
  EXPECT_EQ(shifted, expected);
  EXPECT_EQ(shifted.conditions[0].starts.front(), 0);
  EXPECT_EQ(shifted.conditions[0].ends.front(), 2546);

  // Type 4 orders 23 of the 35 conditions; the other positions hold condition 0 in black.
  const Protocol idorProtocol = readBack(folder, "idor_two_tables.prt");
  ASSERT_EQ(idorProtocol.conditions.size(), 35u);
  r = runKwhost(folder, {"preset", "idor_two_tables.prt", "4"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<int> order = {0,  1,  13, 2,  3, 4, 5, 14, 15, 16, 17, 18,
                            19, 20, 21, 22, 6, 7, 8, 9,  10, 11, 12};
  std::vector<int32_t> colours = {0x333300, 0x993300, 0xFF3399, 0x0000FF, 0xCCCCCC, 0x990066,
                                  0x660000, 0xFF0000, 0xFF9900, 0xFFFF99, 0xFFFF00, 0x0099FF,
                                  0x33CCFF, 0xFFCCFF, 0xCC00FF, 0x9900FF, 0xCCCCCC, 0x00FF00,
                                  0xCCCCCC, 0x009900, 0xCCCCCC, 0x3366CC, 0x999933};
  order.resize(35, 0);
  colours.resize(35, 0x000000);
  EXPECT_EQ(
      readBack(folder, "idor_two_tables_ordered_colored.prt"),
      rebuilt(idorProtocol, order, folder.file("idor_two_tables_ordered_colored.prt"), colours));

  // Type 1 names condition 13 of a protocol of 12.
  const std::string before = folder.read("oxa_ep_negtime.prt");
  r = runKwhost(folder, {"preset", "oxa_ep_negtime.prt", "1", "--log", "log.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(folder.read("log.txt"),
            runLog({"Condition index 13 does not exist; the protocol has conditions 0 to 11.",
                    "Cancelled further operations."}));
  EXPECT_EQ(folder.read("oxa_ep_negtime.prt"), before);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "oxa_ep_negtime_ordered_colored.prt"));
}

// The largest time a protocol holds and the longest file name are reached, not passed.
TEST(KwhostEditing, LargestTimeAndLongestNameStillFit) {
  TempFolder folder;
  std::string edge = conditionsFile(1);
  edge.replace(edge.find("1000 1002"), 9, "1000 2144483647");
  folder.write("edge.prt", edge);
  testing::KwhostResult r = runKwhost(folder, {"shift", "edge.prt", "--later", "3000000"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(readBack(folder, "edge_plus3000000.prt").conditions[0].ends,
              ElementsAre(3000004, 2147483647));

  // 255 characters: with "_min5" the new name has the 260 a protocol's file name holds.
  const std::string name = std::string(100, 'd') + "/" + std::string(150, 'p');
  std::filesystem::create_directory(folder.path() / std::string(100, 'd'));
  folder.write(name + ".prt", conditionsFile(1));
  r = runKwhost(folder, {"shift", name + ".prt", "--earlier", "5"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readBack(folder, name + "_min5.prt").conditions[0].starts,
            std::vector<int32_t>({0, 995}));
}

// Texts that fill their fields (a 300-byte title, a 255-byte name with escaped bytes and
// UTF-8) pass through the plug-in's records and come back from the file whole.
TEST(KwhostEditing, FullLengthTextsSurviveAReorder) {
  TempFolder folder;
  std::string text = conditionsFile(2);
  text.replace(text.find("\"design\""), 8, "\"" + std::string(299, 'T') + "\\\"\"");
  text.replace(text.find("\"C0\""), 4, "\"" + std::string(250, 'N') + "\\t\\\"\\\\\xC3\xA9\"");
  text.replace(text.find("\"C1\""), 4, "\"x\\x01y\"");
  folder.write("texts.prt", text);
  const Protocol protocol = readBack(folder, "texts.prt");
  ASSERT_EQ(protocol.title.size(), 300u);
  ASSERT_EQ(protocol.conditions[0].name.size(), 255u);

  const testing::KwhostResult r = runKwhost(folder, {"reorder", "texts.prt", "1,0"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readBack(folder, "texts_ordered.prt"),
            rebuilt(protocol, {1, 0}, folder.file("texts_ordered.prt")));
}

struct Refusal {
  std::vector<std::string> args;  // the command, the protocol file and what it is given
  const char* reason;             // the plug-in's log line
};

// Every refusal is logged, then "Cancelled further operations."; the run fails, the protocol
// file stays byte for byte as it was, nothing is saved and the host's protocol is never
// changed (no protocol-changing call).
TEST(KwhostEditing, RefusalsLeaveTheProtocolFileAsItWasAndSaveNothing) {
  TempFolder folder;
  testing::copySample(folder, "faces_houses.prt");
  folder.write("four.prt", conditionsFile(4));
  std::string big = conditionsFile(2);
  big.replace(big.find("1000 1002"), 9, "1000 2144483648");
  folder.write("big.prt", big);
  const std::string folderName(100, 'd');
  const std::string longName = folderName + "/" + std::string(151, 'p') + ".prt";  // 256
  std::filesystem::create_directory(folder.path() / folderName);
  folder.write(longName, conditionsFile(14));

  const Refusal refusals[] = {
      {{"reorder", "faces_houses.prt", "1,2,3", "--partial"},
       "Condition index 3 does not exist; the protocol has conditions 0 to 2."},
      {{"reorder", "faces_houses.prt", "2,-1,0", "--partial"},
       "Condition index -1 does not exist; the protocol has conditions 0 to 2."},
      {{"reorder", "four.prt", "1,2,3,4", "--partial"},  // the prompt's default answer
       "Condition index 4 does not exist; the protocol has conditions 0 to 3."},
      {{"reorder", "faces_houses.prt", "", "--partial"}, "No condition order was given."},
      {{"reorder", "faces_houses.prt", ",,,", "--partial"}, "No condition order was given."},
      {{"run", "faces_houses.prt", "--answer", "4", "--answer", "9"},
       "There is no preset order for analysis type 9."},
      {{"preset", "faces_houses.prt", "1"},
       "Condition index 13 does not exist; the protocol has conditions 0 to 2."},
      {{"shift", "big.prt", "--later", "3000000"},
       "Shifting by 3000000 would take an interval past the largest time a protocol can hold."},
      {{"shift", longName, "--earlier", "5"},
       "The new protocol file name would be longer than 260 characters."},
      {{"reorder", longName, "0,1,2", "--partial"},
       "The new protocol file name would be longer than 260 characters."},
      {{"preset", longName, "1"},
       "The new protocol file name would be longer than 260 characters."},
  };
  const std::vector<std::string> entries = folder.entries();
  const std::vector<std::string> longFolderEntries = {std::string(151, 'p') + ".prt"};
  for (const Refusal& refusal : refusals) {
    const std::string& command = refusal.args[0];
    const std::string& protocol = refusal.args[1];
    const std::string label = command + " " + protocol + " " + refusal.args.back();
    const std::string original = folder.read(protocol);
    std::vector<std::string> args = refusal.args;
    args.insert(args.end(), {"--log", "log.txt", "--transcript", "calls.txt"});

    const testing::KwhostResult r = runKwhost(folder, args);
    EXPECT_EQ(r.status, 1) << label;
    EXPECT_EQ(r.err, "kwhost: " + (command == "run" ? command : command + " " + protocol) +
                         ": the plug-in did not report \"Plugin operations finished "
                         "successfully.\"\n")
        << label;
    EXPECT_EQ(folder.read("log.txt"), runLog({refusal.reason, "Cancelled further operations."}))
        << label;
    EXPECT_EQ(folder.read(protocol), original) << label;
    for (const std::string& call : linesOf(folder.read("calls.txt"))) {
      for (const char* changing :
           {"kwClearProtocol", "kwAddProtocolCondition", "kwSetProtocol", "kwSaveProtocol"})
        EXPECT_EQ(call.rfind(changing, 0), std::string::npos) << label << ": " << call;
    }
    std::vector<std::string> after = folder.entries();
    after.erase(
        std::remove_if(after.begin(), after.end(),
                       [](const std::string& e) { return e == "log.txt" || e == "calls.txt"; }),
        after.end());
    EXPECT_EQ(after, entries) << label;
    std::vector<std::string> inLongFolder;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path() / folderName))
      inLongFolder.push_back(entry.path().filename().string());
    EXPECT_EQ(inLongFolder, longFolderEntries) << label;
  }
}

}  // namespace
}  // namespace stimforge::kwhost
