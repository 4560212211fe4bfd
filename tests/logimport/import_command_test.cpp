// The import dialogue through the menu, against the fake host with logs in memory: whole
// transcripts of prompts, log lines and protocol calls.
#include "logimport/import_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logimport/log_test_support.h"
#include "plugin/menu.h"
#include "plugin/plugin_shell.h"
#include "support/fake_host.h"

namespace stimforge {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeHost;
using testing::logHeader;
using testing::MemoryLogFiles;
using Calls = std::vector<std::string>;

const char kLogPath[] = "C:\\exp\\run1.log";
const char kStart[] = "kwLogText(\nstimforge> Started...)";
const char kMenuOne[] =
    "kwGetIntegerInput(Please select an option:<P>1 = Create stimulation protocol from "
    "Presentation Log file<BR>2 = Change the offset in an existing stimulation protocol<BR>3 "
    "= Sort conditions in an existing stimulation protocol, 1, 1, 3) -> 1";
const char kIntro[] =
    "kwMessageBox(This function generates a Halden KW stimulation protocol file (*.prt),\nbased "
    "on a Presentation Log file (*.log))";
const char kVolume[] = "kwGetCurrentVMR() -> volume";
const char kFileDialog[] =
    "kwGetOpenFileName(Please select the Presentation Log file, , Presentation log file "
    "(*.log)) -> ";
const char kLayoutPrompt[] =
    "kwGetIntegerInput(Which fields are in the log file?<P>1 = Trial, EventType, Code, Time, "
    "TTime, Uncertainty, Duration<BR>2 = Subject, Trial, EventType, Code, Time, TTime, "
    "Uncertainty, Duration<BR>, 1, 1, 2) -> ";
const char kPictureQuestion[] =
    "kwYesNoMessageBox(Select 'Picture' events only?<BR>(Otherwise, Response events can result "
    "in '1', '2', '3' etc. condition names of button box numbers)) -> ";
const char kTrPrompt[] = "kwGetIntegerInput(What is the TR in milliseconds?, 2000, 1, 100000) -> ";
const char kModePrompt[] =
    "kwGetIntegerInput(Please select the computation of event duration:\n\n1 = Based on time "
    "until next event (Picture, Sound, Video, Response)\n2 = Based on Duration parameter in "
    "Presentation log file, 1, 1, 2) -> ";
const char kFinished[] = "kwLogText(Finished.\n)";

// The calls up to the layout question, for a file dialog that returns `path`.
Calls dialogueUpToTheFile(const std::string& path) {
  return {"kwShowLogTab()", kStart, kMenuOne, kIntro, kVolume, kFileDialog + ("1 " + path)};
}

Calls concat(Calls calls, const Calls& more) {
  calls.insert(calls.end(), more.begin(), more.end());
  return calls;
}

void keepACurrentProtocol(FakeHost& host) {
  host.protocol.fileName = "C:\\exp\\before.prt";
  host.protocol.conditions.push_back({"before", 7, {10}, {20}});
}

TEST(ImportCommand, WholeDialogueBuildsAndSavesTheProtocol) {
  FakeHost host;
  MemoryLogFiles files({{kLogPath, logHeader(true) + "S1\t1\tPicture\tface\t12345\t0\t1\t15000\n"
                                                     "S1\t1\tResponse\t1\t22345\t0\t1\n"
                                                     "S1\t2\tPulse\t53\t30000\t0\t1\n"}});
  host.integerAnswers = {1, 2, 2000, 1};
  host.fileAnswers = {kLogPath};
  host.yesNoAnswers = {0};
  EXPECT_TRUE(runMenu(files.opener()));
  EXPECT_THAT(host.calls,
              ElementsAreArray(
                  concat(dialogueUpToTheFile(kLogPath),
                         {kLayoutPrompt + std::string("2"),
                          kPictureQuestion + std::string("0"),
                          "kwLogText(Read Presentation log file...)",
                          "kwLogText(Trial: 1 EventType: Picture Code: face)",
                          "kwLogText(Trial: 1 EventType: Response Code: 1)",
                          "kwLogText(Trial: 2 EventType: Pulse Code: 53)",
                          "kwLogText(Number of trials: 2, Picture/Sound/Video/Response events: 2)",
                          "kwLogText(Number of lines in first part of file: 8)",
                          "kwLogText(Trial: 1, code: face, duration:            1500)",
                          "kwLogText(Trial: 1, code: 1, duration:               0)",
                          "kwLogText(Converting to Halden stimulation protocol...)",
                          kTrPrompt + std::string("2000"),
                          kModePrompt + std::string("1"),
                          "kwClearProtocol()",
                          "kwLogText(Creating new protocol...)",
                          "kwLogText(Creating protocol name:\n\n\tC:\\exp\\run1_MSEC.prt\n)",
                          "kwLogText(Creating and preparing conditions and intervals lists...)",
                          "kwLogText(Searching condition names...)",
                          "kwAddProtocolCondition(face, 0x3F00C355)",
                          "kwAddProtocolCondition(1, 0x3F0186AA)",
                          "kwAddProtocolConditionInterval(0, 1234, 2232)",
                          "kwLogText(Added interval: 1234 - 2232, for condition: face)",
                          "kwLogText(Last interval(s), computation based on Duration in protocol.)",
                          "kwAddProtocolConditionInterval(1, 2234, 2234)",
                          "kwLogText(Added interval: 2234 - 2234, for condition: 1)",
                          "kwLogText(Setting colors and pen thickness...)",
                          "kwSetProtocol(2, C:\\exp\\run1.prt, run1, 2)",
                          "kwSaveProtocol(C:\\exp\\run1.prt)",
                          "kwLogText(Protocol generated from Presentation Log file.)",
                          "kwLogText(Plugin operations finished successfully.)",
                          kFinished})));
  EXPECT_FALSE(host.answersRanOut);
  EXPECT_TRUE(host.misuse.empty());
}

TEST(ImportCommand, WithoutAVolumeDocumentNothingIsAskedAndExecuteFails) {
  FakeHost host;
  host.volumeOpen = false;
  host.integerAnswers = {1};
  EXPECT_FALSE(runMenu());
  EXPECT_THAT(host.calls,
              ElementsAre("kwShowLogTab()", kStart, kMenuOne, kIntro, "kwGetCurrentVMR() -> null",
                          "kwMessageBox(If no project is opened in Halden, the conditions cannot "
                          "be added to the protocol.)",
                          "kwLogText(No VMR present, action canceled.)"));
}

TEST(ImportCommand, CancelledFileDialogLeavesTheProtocolAlone) {
  FakeHost host;
  keepACurrentProtocol(host);
  host.integerAnswers = {1};
  host.fileAnswers = {std::nullopt};
  EXPECT_TRUE(runMenu());
  EXPECT_THAT(host.calls, ElementsAre("kwShowLogTab()", kStart, kMenuOne, kIntro, kVolume,
                                      kFileDialog + std::string("0"),
                                      "kwLogText(Cancelled further operations.)", kFinished));
  EXPECT_THAT(host.conditionNames(), ElementsAre("before"));
}

// A log that could not be opened or read was reported as read; the import then emptied the
// host's protocol and saved an empty one over the ".prt" file.
TEST(ImportCommand, RegressionFailureReportedAsSuccess) {
  for (const bool onDisk : {false, true}) {
    FakeHost host;
    keepACurrentProtocol(host);
    // On disk: the ordinary file opener, on a file that does not exist.
    const std::string path = onDisk ? "/nonexistent-stimforge-folder/run1.log" : kLogPath;
    std::optional<MemoryLogFiles> files;
    if (!onDisk)
      files.emplace(std::map<std::string, std::string>{});
    host.integerAnswers = {1, 1};
    host.fileAnswers = {path};
    host.yesNoAnswers = {1};
    EXPECT_TRUE(runMenu(files ? files->opener() : LogOpener(openLogFile)));
    EXPECT_THAT(host.calls,
                ElementsAreArray(
                    concat(dialogueUpToTheFile(path),
                           {kLayoutPrompt + std::string("1"), kPictureQuestion + std::string("1"),
                            "kwLogText(Read Presentation log file...)",
                            "kwLogText(Error while reading Presentation file)",
                            "kwLogText(Cancelled further operations.)", kFinished})));
    EXPECT_THAT(host.conditionNames(), ElementsAre("before"));
    EXPECT_TRUE(host.saves.empty());
  }
}

// A path whose protocol names did not fit the 260 characters of a protocol file name.
TEST(ImportCommand, RegressionNamesThatDoNotFit) {
  FakeHost host;
  keepACurrentProtocol(host);
  const std::string path = "C:\\" + std::string(252, 'n');  // 255 characters, no extension
  host.integerAnswers = {1};
  host.fileAnswers = {path};
  EXPECT_TRUE(runMenu());
  EXPECT_THAT(host.calls,
              ElementsAreArray(
                  concat(dialogueUpToTheFile(path),
                         {"kwLogText(The protocol file name would be longer than 260 characters.)",
                          "kwLogText(Cancelled further operations.)", kFinished})));
  EXPECT_THAT(host.conditionNames(), ElementsAre("before"));

  // The longest path the dialog returns, with its extension, still fits.
  FakeHost fits;
  const std::string longest = "C:\\" + std::string(248, 'n') + ".log";
  MemoryLogFiles files(
      std::map<std::string, std::string>{{longest, logHeader(false) + "1 Picture a 10 0 0 10\n"}});
  fits.integerAnswers = {1, 1, 2000, 2};
  fits.fileAnswers = {longest};
  fits.yesNoAnswers = {1};
  EXPECT_TRUE(runMenu(files.opener()));
  ASSERT_EQ(fits.saves.size(), 1u);
  EXPECT_EQ(fits.saves[0].first, "C:\\" + std::string(248, 'n') + ".prt");
  EXPECT_EQ(fits.log.at(fits.log.size() - 2), "Plugin operations finished successfully.");
}

// The log lines from the layout question up to "Read Presentation log file...".
std::vector<std::string> linesBeforeReading(const std::string& text, int layout) {
  FakeHost host;
  MemoryLogFiles files({{kLogPath, text}});
  host.integerAnswers = {1, layout, 2000, 1};
  host.fileAnswers = {kLogPath};
  host.yesNoAnswers = {0};
  EXPECT_TRUE(runMenu(files.opener()));
  std::vector<std::string> lines;
  for (const std::string& line : host.log) {
    if (line == "Read Presentation log file...")
      break;
    lines.push_back(line);
  }
  return lines;
}

TEST(ImportCommand, WarnsWhenTheChosenLayoutContradictsTheColumnNames) {
  const std::string subject = logHeader(true) + "S1\t1\tPicture\tface\t10\t0\t1\t5\n";
  const std::string plain = logHeader(false) + "1\tPicture\tface\t10\t0\t1\t5\n";
  const char kStarted[] = "\nstimforge> Started...";
  EXPECT_THAT(linesBeforeReading(subject, 1),
              ElementsAre(kStarted,
                          "Warning: the log's columns begin with Subject, but the layout without "
                          "Subject was chosen."));
  EXPECT_THAT(linesBeforeReading(plain, 2),
              ElementsAre(kStarted,
                          "Warning: the log's columns do not begin with Subject, but the layout "
                          "with Subject was chosen."));
  EXPECT_THAT(linesBeforeReading(subject, 2), ElementsAre(kStarted));
  EXPECT_THAT(linesBeforeReading(plain, 1), ElementsAre(kStarted));
  EXPECT_THAT(linesBeforeReading(plain, 3), ElementsAre(kStarted));  // any answer but 2
  // Fewer than four lines: no column names to go by.
  EXPECT_THAT(linesBeforeReading("a\r\nb\r\nc\r\n", 2), ElementsAre(kStarted));
  EXPECT_THAT(linesBeforeReading("a\nb\nc\nSubj", 1), ElementsAre(kStarted));
  EXPECT_THAT(linesBeforeReading("a\nb\nc\nS", 2),
              ElementsAre(kStarted,
                          "Warning: the log's columns do not begin with Subject, but the layout "
                          "with Subject was chosen."));
}

TEST(ImportCommand, AnyLayoutAnswerButTwoReadsWithoutSubject) {
  FakeHost host;
  MemoryLogFiles files({{kLogPath, logHeader(false) + "1 Picture a 10 0 0 10\n"}});
  host.integerAnswers = {1, 7, 2000, 2};
  host.fileAnswers = {kLogPath};
  host.yesNoAnswers = {1};
  EXPECT_TRUE(runMenu(files.opener()));
  EXPECT_THAT(host.conditionNames(), ElementsAre("a"));
}

TEST(ImportCommand, DurationModeOutsideTheBoundsBuildsNothing) {
  FakeHost host;
  keepACurrentProtocol(host);
  MemoryLogFiles files({{kLogPath, logHeader(false) + "1 Picture a 10 0 0 10\n"}});
  host.integerAnswers = {1, 1, 2000, 3};
  host.fileAnswers = {kLogPath};
  host.yesNoAnswers = {1};
  EXPECT_TRUE(runMenu(files.opener()));
  ASSERT_GE(host.calls.size(), 2u);
  EXPECT_EQ(host.calls[host.calls.size() - 2], kModePrompt + std::string("3"));
  EXPECT_EQ(host.calls.back(), kFinished);
  EXPECT_THAT(host.conditionNames(), ElementsAre("before"));
  EXPECT_TRUE(host.saves.empty());
}

TEST(ImportCommand, LogWithoutSelectedEventsSavesAnEmptyProtocol) {
  FakeHost host;
  keepACurrentProtocol(host);
  MemoryLogFiles files({{kLogPath, logHeader(false) + "1 Pulse 53 10 0 0\n"}});
  host.integerAnswers = {1, 1, 2000, 1};
  host.fileAnswers = {kLogPath};
  host.yesNoAnswers = {0};
  EXPECT_TRUE(runMenu(files.opener()));
  ASSERT_EQ(host.saves.size(), 1u);
  EXPECT_EQ(host.saves[0].first, "C:\\exp\\run1.prt");
  EXPECT_TRUE(host.saves[0].second.conditions.empty());
  EXPECT_EQ(host.log.at(host.log.size() - 2), "Plugin operations finished successfully.");
}

}  // namespace
}  // namespace stimforge
