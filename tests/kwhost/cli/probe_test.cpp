// kwhost sessions with the probe plug-in (probe_plugin.cpp): each command's answers reach
// the dialogs in order, and the current protocol and its files behave across the real
// boundary as the plug-in expects.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kwhost/protocol/file.h"
#include "kwhost/protocol/file_io.h"
#include "kwhost_runner.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using testing::copySample;
using ::testing::ElementsAre;
using testing::KwhostResult;
using testing::TempFolder;

const char kFailed[] =
    ": the plug-in did not report \"Plugin operations finished successfully.\"\n";

KwhostResult probe(const TempFolder& folder, std::vector<std::string> args,
                   const std::string& input = "") {
  args.insert(args.begin(), {"--plugin", SF_PROBE_PLUGIN, "--transcript", "calls.txt"});
  return testing::runKwhost(folder, args, input);
}

Protocol readBack(const TempFolder& folder, const std::string& name) {
  Protocol protocol;
  std::string error;
  EXPECT_TRUE(readProtocolFile(folder.file(name), protocol, error)) << error;
  return protocol;
}

TEST(KwhostProbe, ImportAnswersEachQuestionOnceForEveryLog) {
  TempFolder folder;
  folder.write("a.log", "Scenario - probe\n");
  folder.write("b.log", "Scenario - probe\n");
  const KwhostResult r = probe(folder, {"import", "a.log", "b.log", "--subject-column",
                                        "--pictures-only", "--duration", "column", "--tr", "1500"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err,
            "kwhost: saved a.log.prt: 1 condition, 1 interval, in milliseconds\n"
            "kwhost: saved b.log.prt: 1 condition, 1 interval, in milliseconds\n");
  std::string expected = "kwGetVersionOfHaldenKW() -> 2.9.9\n";
  for (const char* log : {"a.log", "b.log"}) {
    const std::string name = log;
    expected +=
        "kwShowLogTab()\n"
        "kwGetIntegerInput(probe: menu, 1, 1, 3) -> 1\n"
        "kwMessageBox(probe: import)\n"
        "kwGetCurrentVMR() -> volume\n"
        "kwGetOpenFileName(probe: log file, , probe (*.log)) -> 1 " +
        name + "\n" +
        "kwGetIntegerInput(probe: layout, 1, 1, 2) -> 2\n"
        "kwYesNoMessageBox(probe: pictures only?) -> 1\n"
        "kwGetIntegerInput(probe: TR, 2000, 1, 100000) -> 1500\n"
        "kwGetIntegerInput(probe: duration, 1, 1, 2) -> 2\n"
        "kwLogText(probe: " +
        name + " layout 2 pictures 1 TR 1500 duration 2)\n" +
        "kwClearProtocol()\n"
        "kwAddProtocolCondition(layout 2, 0x3F000002)\n"
        "kwAddProtocolConditionInterval(0, 1500, 1501)\n"
        "kwSetProtocol(1, " +
        name + ".prt, probe, 2)\n" + "kwSaveProtocol(" + name + ".prt) -> saved\n" +
        "kwLogText(Plugin operations finished successfully.)\n"
        "kwLogText(Finished.\\n)\n";
  }
  EXPECT_EQ(folder.read("calls.txt"), expected);
  const Protocol a = readBack(folder, "a.log.prt");
  EXPECT_EQ(a.title, "probe");
  EXPECT_EQ(a.conditions, (std::vector<Condition>{{"layout 2", 0x3F000002, {1500}, {1501}}}));
  EXPECT_EQ(readBack(folder, "b.log.prt").conditions, a.conditions);
}

TEST(KwhostProbe, ImportDefaultsAndNoVolume) {
  TempFolder folder;
  folder.write("a.log", "Scenario - probe\n");
  KwhostResult r = probe(folder, {"import", "a.log"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(folder.read("calls.txt"),
              ::testing::HasSubstr("kwLogText(probe: a.log layout 1 pictures 0 TR 2000 "
                                   "duration 1)\n"));
  r = probe(folder, {"import", "a.log", "--no-volume"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "kwhost: import a.log: the plug-in ended the run early (execute returned "
            "false)\n");
  EXPECT_EQ(folder.read("calls.txt"),
            "kwGetVersionOfHaldenKW() -> 2.9.9\n"
            "kwShowLogTab()\n"
            "kwGetIntegerInput(probe: menu, 1, 1, 3) -> 1\n"
            "kwMessageBox(probe: import)\n"
            "kwGetCurrentVMR() -> null\n"
            "kwLogText(probe: no volume)\n");
}

TEST(KwhostProbe, ShiftChangesTheHostsArraysInPlaceAndSavesWithoutTouchingTheInput) {
  TempFolder folder;
  const std::string input = copySample(folder, "faces_houses.prt");
  const std::string original = folder.read(input);
  const KwhostResult r = probe(folder, {"shift", input, "--earlier", "500"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(folder.read("calls.txt"),
            "kwGetVersionOfHaldenKW() -> 2.9.9\n"
            "kwShowLogTab()\n"
            "kwGetIntegerInput(probe: menu, 1, 1, 3) -> 2\n"
            "kwMessageBox(probe: shift)\n"
            "kwGetProtocol() -> 1\n"
            "kwGetIntegerInput(probe: amount, 0, 0, 3000000) -> 500\n"
            "kwYesNoMessageBox(probe: subtract?) -> 1\n"
            "kwGetProtocolCondition(0)\n"
            "kwGetProtocolCondition(1)\n"
            "kwGetProtocolCondition(2)\n"
            "kwSaveProtocol(faces_houses.prt.shifted) -> saved\n"
            "kwLogText(Plugin operations finished successfully.)\n"
            "kwLogText(Finished.\\n)\n");
  Protocol expected = readBack(folder, input);
  for (Condition& condition : expected.conditions) {
    for (int32_t& start : condition.starts)
      start -= 500;
    for (int32_t& end : condition.ends)
      end -= 500;
  }
  expected.fileName = folder.file("faces_houses.prt.shifted");
  EXPECT_EQ(readBack(folder, "faces_houses.prt.shifted"), expected);
  EXPECT_EQ(folder.read(input), original);

  // A scripted run hands over what the shift refuses (the probe then cancels).
  EXPECT_EQ(probe(folder, {"run", input, "--answer", "2", "--answer", "-3"}).status, 1);
  EXPECT_THAT(folder.read("calls.txt"),
              ::testing::HasSubstr("kwGetIntegerInput(probe: amount, 0, 0, 3000000) -> -3\n"
                                   "kwLogText(probe: cancelled)\n"));
}

TEST(KwhostProbe, ReorderRebuildsTheProtocolAfterAClear) {
  TempFolder folder;
  const std::string input = copySample(folder, "faces_houses.prt");
  const KwhostResult r = probe(folder, {"reorder", input, "2,0,1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(folder.read("calls.txt"),
            "kwGetVersionOfHaldenKW() -> 2.9.9\n"
            "kwShowLogTab()\n"
            "kwGetIntegerInput(probe: menu, 1, 1, 3) -> 3\n"
            "kwGetProtocol() -> 1\n"
            "kwGetProtocolCondition(0)\n"
            "kwGetProtocolCondition(1)\n"
            "kwGetProtocolCondition(2)\n"
            "kwGetTextInput(probe: order of Rest Faces Houses, 1,2,3,4) -> 1 2,0,1\n"
            "kwGetProtocolCondition(2)\n"
            "kwGetProtocolCondition(0)\n"
            "kwGetProtocolCondition(1)\n"
            "kwClearProtocol()\n"
            "kwAddProtocolCondition(Houses, 0x3F3366CC)\n"
            "kwAddProtocolConditionInterval(0, 35000, 49998)\n"
            "kwAddProtocolConditionInterval(0, 85000, 99998)\n"
            "kwAddProtocolCondition(Rest, 0x3FCCCCCC)\n"
            "kwAddProtocolConditionInterval(1, 0, 19998)\n"
            "kwAddProtocolConditionInterval(1, 50000, 69998)\n"
            "kwAddProtocolConditionInterval(1, 100000, 119998)\n"
            "kwAddProtocolCondition(Faces, 0x3FFF3399)\n"
            "kwAddProtocolConditionInterval(2, 20000, 34998)\n"
            "kwAddProtocolConditionInterval(2, 70000, 84998)\n"
            "kwSetProtocol(3, faces_houses.prt, faces_houses, 2)\n"
            "kwSaveProtocol(faces_houses.prt.ordered) -> saved\n"
            "kwLogText(Plugin operations finished successfully.)\n"
            "kwLogText(Finished.\\n)\n");
  const Protocol original = readBack(folder, input);
  Protocol expected = original;
  expected.fileName = folder.file("faces_houses.prt.ordered");
  expected.conditions = {original.conditions[2], original.conditions[0], original.conditions[1]};
  EXPECT_EQ(readBack(folder, "faces_houses.prt.ordered"), expected);
}

TEST(KwhostProbe, ValuesReachThePluginAsGivenAndCancelIsLiteralInCommands) {
  TempFolder folder;
  const std::string input = copySample(folder, "faces_houses.prt");
  KwhostResult r = probe(folder, {"run", input, "--answer", "4", "--answer", "9"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(folder.read("calls.txt"),
              ::testing::HasSubstr("kwGetIntegerInput(probe: menu, 1, 1, 3) -> 4\n"
                                   "kwGetProtocol() -> 1\n"
                                   "kwGetIntegerInput(probe: type, 1, 1, 7) -> 9\n"
                                   "kwLogText(probe: type 9)\n"));
  // "<cancel>" cancels scripted run answers only; a command's ORDER is taken literally.
  r = probe(folder, {"reorder", input, "<cancel>", "--partial"});
  EXPECT_THAT(folder.read("calls.txt"), ::testing::HasSubstr("-> 1 <cancel>\n"));
  r = probe(folder, {"run", input, "--answer", "3", "--answer", "<cancel>"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string("kwhost: run") + kFailed);
  EXPECT_THAT(folder.read("calls.txt"),
              ::testing::HasSubstr("kwGetTextInput(probe: order of Rest Faces Houses, "
                                   "1,2,3,4) -> 0\nkwLogText(probe: cancelled)\n"));
}

TEST(KwhostProbe, SaveThatCannotBeWrittenFailsTheRunAndLeavesNothingBehind) {
  TempFolder folder;
  const std::string input = copySample(folder, "faces_houses.prt");
  folder.write("plain.txt", "keep");
  std::filesystem::create_directory(folder.path() / "folder.prt");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"missing/x.prt", "No such file or directory"},
      {"plain.txt/x.prt", "Not a directory"},
      {"folder.prt", "it is a folder"}};
  for (const auto& [target, reason] : cases) {
    const KwhostResult r = probe(folder, {"run", input, "--answer", "6", "--answer", target});
    EXPECT_EQ(r.status, 1) << target;
    EXPECT_EQ(r.err, "kwhost: cannot save the protocol to " + target + ": " + reason + "\n");
    EXPECT_THAT(folder.read("calls.txt"),
                ::testing::HasSubstr("kwSaveProtocol(" + target + ") -> failed\n"));
  }
  EXPECT_THAT(folder.entries(),
              ElementsAre("calls.txt", "faces_houses.prt", "folder.prt", "plain.txt"));
  EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "folder.prt"));
  EXPECT_EQ(folder.read("plain.txt"), "keep");
}

TEST(KwhostProbe, ProtocolPassesThroughTheHostUnchanged) {
  TempFolder folder;
  const std::string input = copySample(folder, "faces_houses.prt");
  const KwhostResult r = probe(folder, {"run", input, "--answer", "6", "--answer", "copy.prt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(folder.read("copy.prt"), folder.read(input));  // byte for byte
}

TEST(KwhostProbe, IndexOutOfRangeIsReportedAndChangesNothing) {
  TempFolder folder;
  const std::string input = copySample(folder, "faces_houses.prt");
  const KwhostResult r =
      probe(folder, {"run", input, "--answer", "5", "--answer", "6", "--answer", "unused"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "kwhost: kwGetProtocolCondition: index 99 is out of range (the protocol has 3 "
            "conditions); the record is left unchanged\n"
            "kwhost: kwAddProtocolConditionInterval: index 99 is out of range (the protocol "
            "has 3 conditions); the interval is not added\n"
            "kwhost: 2 scripted answers were not used\n");
  EXPECT_THAT(r.out, ::testing::HasSubstr("probe: 0 intervals\n"));
}

}  // namespace
}  // namespace stimforge::kwhost
