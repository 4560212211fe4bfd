// kwhost sessions with the real plug-in, loaded from beside the host as a user runs it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "kwhost/protocol/file_io.h"
#include "kwhost_runner.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using testing::copySample;
using ::testing::ElementsAre;
using testing::kwhostPath;
using testing::runKwhost;
using testing::TempFolder;

const char kMenuScreen[] =
    "? Please select an option:\n"
    "\n"
    "  1 = Create stimulation protocol from Presentation Log file\n"
    "  2 = Change the offset in an existing stimulation protocol\n"
    "  3 = Sort conditions in an existing stimulation protocol\n";

const char kMenuCall[] =
    "kwGetIntegerInput(Please select an option:<P>1 = Create stimulation protocol from "
    "Presentation Log file<BR>2 = Change the offset in an existing stimulation protocol<BR>3 "
    "= Sort conditions in an existing stimulation protocol, 1, 1, 3) -> ";

TEST(KwhostSession, InfoShowsThePluginBesideTheHostUnderEitherName) {
  TempFolder folder;
  const std::string library =
      std::filesystem::canonical(SF_KWHOST_DIR).string() + "/libstimforge.so";
  const std::string expected =
      "Plug-in      " + library + "\n" +
      "Name         stimforge (v0.9.1)\n"
      "Version      v0.9.1\n"
      "Author       stimforge developers, for fMRI laboratories\n"
      "Description  ~~~ stimforge (v0.9) ~~~\n"
      "             Generates a Halden Stimulation Protocol file (*.prt) in milliseconds from a "
      "Presentation Log file (*.log).\n"
      "             Each Picture, Sound, Video or Response event will result in a new "
      "condition.\n"
      "             It is also possible to shift the offset of all intervals by a certain "
      "amount (in milliseconds).\n"
      "             Other functions are sorting the conditions of an existing protocol.\n"
      "             Version: 0.9.1\n";
  for (const char* program : {"kwhost", "HaldenKW.exe"}) {
    const testing::KwhostResult r = runKwhost(folder, {"info"}, "", kwhostPath(program));
    EXPECT_EQ(r.status, 0) << program;
    EXPECT_EQ(r.out, expected) << program;
    EXPECT_EQ(r.err, "") << program;
  }
  const testing::KwhostResult missing = runKwhost(folder, {"--plugin", "none.so", "info"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err,
            "kwhost: cannot load the plug-in none.so: ./none.so: cannot open shared object "
            "file: No such file or directory\n");
}

TEST(KwhostSession, ScriptedMenuAnswerOutsideTheMenuIsReportedAndFails) {
  TempFolder folder;
  const testing::KwhostResult r =
      runKwhost(folder, {"run", "--answer", "0", "--log", "log.txt", "--transcript", "calls.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, std::string("\nstimforge> Started...\n") + kMenuScreen +
                       "  [whole number 1 to 3, default 1] > 0\n"
                       "No valid option selected.\n"
                       "Cancelled further operations.\n"
                       "Finished.\n\n");
  EXPECT_EQ(r.err,
            "kwhost: run: the plug-in did not report \"Plugin operations finished "
            "successfully.\"\n");
  EXPECT_EQ(folder.read("log.txt"),
            "\\nstimforge> Started...\n"
            "No valid option selected.\n"
            "Cancelled further operations.\n"
            "Finished.\\n\n");
  EXPECT_EQ(folder.read("calls.txt"),
            "kwGetVersionOfHaldenKW() -> 2.9.9\n"
            "kwShowLogTab()\n"
            "kwLogText(\\nstimforge> Started...)\n" +
                std::string(kMenuCall) + "0\n" +
                "kwLogText(No valid option selected.)\n"
                "kwLogText(Cancelled further operations.)\n"
                "kwLogText(Finished.\\n)\n");
}

TEST(KwhostSession, TypedMenuIsAskedAgainUntilInRangeAndEmptyCancels) {
  TempFolder folder;
  const testing::KwhostResult r = runKwhost(folder, {"run", "--log", "log.txt"}, "9\n\n");
  EXPECT_EQ(r.status, 1);
  // Input that is not a terminal is repeated after each question.
  EXPECT_EQ(r.out, std::string("\nstimforge> Started...\n") + kMenuScreen +
                       "  [whole number 1 to 3, default 1; empty cancels] > 9\n"
                       "  Please enter a number from 1 to 3.\n"
                       "  [whole number 1 to 3, default 1; empty cancels] > \n"
                       "No valid option selected.\n"
                       "Cancelled further operations.\n"
                       "Finished.\n\n");
  EXPECT_THAT(folder.read("log.txt"), ::testing::HasSubstr("No valid option selected.\n"));
}

TEST(KwhostSession, CancelledOrMissingScriptedAnswersFail) {
  TempFolder folder;
  folder.write("cancel.txt", "<cancel>\r\n");
  folder.write("empty.txt", "");
  testing::KwhostResult r = runKwhost(folder, {"run", "--answers", "cancel.txt", "--log", "l"});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, ::testing::HasSubstr("  [whole number 1 to 3, default 1] > <cancel>\n"
                                          "No valid option selected.\n"));
  EXPECT_EQ(r.err,
            "kwhost: run: the plug-in did not report \"Plugin operations finished "
            "successfully.\"\n");

  r = runKwhost(folder, {"run", "--answers", "empty.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "kwhost: no scripted answer left for the integer dialog \"Please select an "
            "option:\"; it is cancelled\n"
            "kwhost: run: the plug-in did not report \"Plugin operations finished "
            "successfully.\"\n");

  r = runKwhost(folder, {"run", "--answers", "none.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kwhost: cannot read none.txt: No such file or directory\n");
  EXPECT_EQ(r.out, "");
}

TEST(KwhostSession, TooOldHostIsRefusedByThePlugin) {
  TempFolder folder;
  const testing::KwhostResult r = runKwhost(
      folder, {"--host-version", "2.9.8", "run", "--answer", "1", "--transcript", "calls.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "! Can not execute this plugin - Halden version 20.0 or higher required.\n");
  EXPECT_EQ(r.err, "kwhost: the plug-in refused to start (initPlugin returned false)\n");
  EXPECT_EQ(folder.read("calls.txt"),
            "kwGetVersionOfHaldenKW() -> 2.9.8\n"
            "kwMessageBox(Can not execute this plugin - Halden version 20.0 or higher "
            "required.)\n");
}

TEST(KwhostSession, MalformedOrMissingProtocolStopsBeforeAnythingHappens) {
  TempFolder folder;
  folder.write("bad.prt", "kwhost-protocol 1\ntitle \"run1\"\ntime-resolution ms\n");
  testing::KwhostResult r =
      runKwhost(folder, {"run", "bad.prt", "--answer", "0", "--transcript", "calls.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "kwhost: bad.prt:3: time-resolution: \"ms\" is not a whole number from -2147483648 "
            "to 2147483647\n");
  for (const char* command : {"shift", "reorder", "preset"}) {
    r = runKwhost(folder, {command, "bad.prt", "1", command[1] == 'h' ? "--later" : "--"});
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_THAT(r.err, ::testing::StartsWith("kwhost: bad.prt:3: ")) << command;
    EXPECT_EQ(r.out, "") << command;
  }
  r = runKwhost(folder, {"reorder", "gone.prt", "2,0,1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kwhost: cannot read gone.prt: No such file or directory\n");
  r = runKwhost(folder, {"import", "gone.log", "--transcript", "calls.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kwhost: cannot read gone.log: No such file or directory\n");
  EXPECT_THAT(folder.entries(), ElementsAre("bad.prt"));  // no transcript was even begun
}

TEST(KwhostSession, ShowPrintsAProtocolFileAsATable) {
  TempFolder folder;
  copySample(folder, "faces_houses.prt");
  const testing::KwhostResult r = runKwhost(folder, {"show", "faces_houses.prt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "File             faces_houses.prt\n"
            "Title            \"faces_houses\"\n"
            "Time resolution  2 (milliseconds)\n"
            "Colours          colour1 0x000000  colour2 0xFFFFFF  colour3 0xFFFFFF  colour4 "
            "0x3F0007D0\n"
            "Pen thicknesses  thickness3 2  thickness4 2\n"
            "Conditions       3\n"
            "\n"
            "Condition 0: \"Rest\", colour 0x3FCCCCCC, 3 intervals\n"
            "        start          end\n"
            "            0        19998\n"
            "        50000        69998\n"
            "       100000       119998\n"
            "\n"
            "Condition 1: \"Faces\", colour 0x3FFF3399, 2 intervals\n"
            "        start          end\n"
            "        20000        34998\n"
            "        70000        84998\n"
            "\n"
            "Condition 2: \"Houses\", colour 0x3F3366CC, 2 intervals\n"
            "        start          end\n"
            "        35000        49998\n"
            "        85000        99998\n");
}

TEST(KwhostSession, ImportNeedsAVolumeAndSavesBesideTheLog) {
  TempFolder folder;
  const std::string log = copySample(folder, "faces_houses.log");
  testing::KwhostResult r =
      runKwhost(folder, {"import", log, "--no-volume", "--transcript", "calls.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "kwhost: import faces_houses.log: the plug-in ended the run early (execute returned "
            "false)\n");
  EXPECT_EQ(folder.read("calls.txt"),
            "kwGetVersionOfHaldenKW() -> 2.9.9\n"
            "kwShowLogTab()\n"
            "kwLogText(\\nstimforge> Started...)\n" +
                std::string(kMenuCall) + "1\n" +
                "kwMessageBox(This function generates a Halden KW stimulation protocol file "
                "(*.prt),\\nbased on a Presentation Log file (*.log))\n"
                "kwGetCurrentVMR() -> null\n"
                "kwMessageBox(If no project is opened in Halden, the conditions cannot be added "
                "to the protocol.)\n"
                "kwLogText(No VMR present, action canceled.)\n");

  r = runKwhost(folder, {"import", log, "--pictures-only"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "kwhost: saved faces_houses.prt: 3 conditions, 10 intervals, in milliseconds\n");
  Protocol saved;
  std::string error;
  ASSERT_TRUE(readProtocolFile(folder.file("faces_houses.prt"), saved, error)) << error;
  EXPECT_EQ(saved.title, "faces_houses");
  ASSERT_EQ(saved.conditions.size(), 3u);
  EXPECT_EQ(saved.conditions[0].name, "Rest");
  EXPECT_EQ(saved.conditions[1].name, "Faces");
  EXPECT_EQ(saved.conditions[2].name, "Houses");
  EXPECT_THAT(folder.entries(), ElementsAre("calls.txt", "faces_houses.log", "faces_houses.prt"));
}

TEST(KwhostSession, EditingCommandsSaveBesideTheProtocolAndLeaveItUntouched) {
  TempFolder folder;
  const std::string input = copySample(folder, "faces_houses.prt");
  const std::string original = folder.read(input);
  Protocol protocol;
  std::string error;
  ASSERT_TRUE(readProtocolFile(folder.file(input), protocol, error)) << error;

  testing::KwhostResult r = runKwhost(folder, {"shift", input, "--earlier", "500"});
  EXPECT_EQ(r.status, 0) << r.err;
  Protocol expected = protocol;
  expected.fileName = folder.file("faces_houses_min500.prt");
  for (Condition& condition : expected.conditions) {
    // Starts and ends both stop at 0.
    for (int32_t& start : condition.starts)
      start = start < 500 ? 0 : start - 500;
    for (int32_t& end : condition.ends)
      end = end < 500 ? 0 : end - 500;
  }
  Protocol saved;
  ASSERT_TRUE(readProtocolFile(folder.file("faces_houses_min500.prt"), saved, error)) << error;
  EXPECT_EQ(saved, expected);

  r = runKwhost(folder, {"reorder", input, "2,0,1"});
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(readProtocolFile(folder.file("faces_houses_ordered.prt"), saved, error)) << error;
  expected = protocol;
  expected.fileName = folder.file("faces_houses_ordered.prt");
  expected.conditions = {protocol.conditions[2], protocol.conditions[0], protocol.conditions[1]};
  EXPECT_EQ(saved, expected);

  // A type the plug-in does not know reaches it only through a scripted run.
  r = runKwhost(folder, {"run", input, "--answer", "4", "--answer", "9"});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, ::testing::HasSubstr("  [whole number 1 to 7, default 1] > 9\n"));
  EXPECT_EQ(r.err,
            "kwhost: run: the plug-in did not report \"Plugin operations finished "
            "successfully.\"\n");

  EXPECT_EQ(folder.read(input), original);
  EXPECT_THAT(folder.entries(), ElementsAre("faces_houses.prt", "faces_houses_min500.prt",
                                            "faces_houses_ordered.prt"));
}

}  // namespace
}  // namespace stimforge::kwhost
