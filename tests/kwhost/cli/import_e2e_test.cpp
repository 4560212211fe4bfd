// Imports through kwhost with the real plug-in, followed call by call: the smallest real
// log with every host call and the saved file byte for byte, and a log path whose protocol
// name would not fit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kwhost_e2e_support.h"
#include "kwhost_runner.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using ::testing::Contains;
using testing::linesOf;
using testing::readBack;
using testing::runKwhost;
using testing::TempFolder;

// The smallest real log, all event types: every host call of the import and the saved file
// byte for byte.
TEST(KwhostRealLogs, SmallLogTranscriptAndFileAreExact) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  TempFolder folder;
  const std::string log = testing::copyRealLog(folder, "bsb_invest_nosubj");
  const testing::KwhostResult r = runKwhost(folder, {"import", log, "--transcript", "calls.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "kwhost: saved bsb_invest_nosubj.prt: 5 conditions, 6 intervals, in milliseconds\n");
  EXPECT_EQ(
      folder.read("calls.txt"),
      "kwGetVersionOfHaldenKW() -> 2.9.9\n"
      "kwShowLogTab()\n"
      "kwLogText(\\nstimforge> Started...)\n"
      "kwGetIntegerInput(Please select an option:<P>1 = Create stimulation protocol from "
      "Presentation Log file<BR>2 = Change the offset in an existing stimulation protocol<BR>3 = "
      "Sort conditions in an existing stimulation protocol, 1, 1, 3) -> 1\n"
      "kwMessageBox(This function generates a Halden KW stimulation protocol file "
      "(*.prt),\\nbased on a Presentation Log file (*.log))\n"
      "kwGetCurrentVMR() -> volume\n"
      "kwGetOpenFileName(Please select the Presentation Log file, , Presentation log file "
      "(*.log)) -> 1 bsb_invest_nosubj.log\n"
      "kwGetIntegerInput(Which fields are in the log file?<P>1 = Trial, EventType, Code, Time, "
      "TTime, Uncertainty, Duration<BR>2 = Subject, Trial, EventType, Code, Time, TTime, "
      "Uncertainty, Duration<BR>, 1, 1, 2) -> 1\n"
      "kwYesNoMessageBox(Select 'Picture' events only?<BR>(Otherwise, Response events can result "
      "in '1', '2', '3' etc. condition names of button box numbers)) -> 0\n"
      "kwLogText(Read Presentation log file...)\n"
      "kwLogText(Trial: 1 EventType: Nothing Code: CurrentTotal:62)\n"
      "kwLogText(Trial: 2 EventType: Picture Code: TGinvestment)\n"
      "kwLogText(Trial: 2 EventType: Text Input Code: 31)\n"
      "kwLogText(Trial: 2 EventType: Response Code: 1)\n"
      "kwLogText(Trial: 3 EventType: Picture Code: E4_application)\n"
      "kwLogText(Trial: 4 EventType: Response Code: 2)\n"
      "kwLogText(Trial: 5 EventType: Picture Code: E4_application)\n"
      "kwLogText(Trial: 6 EventType: Picture Code: pic)\n"
      "kwLogText(Number of trials: 6, Picture/Sound/Video/Response events: 6)\n"
      "kwLogText(Number of lines in first part of file: 14)\n"
      "kwLogText(Trial: 2, code: TGinvestment, duration:           23547)\n"
      "kwLogText(Trial: 2, code: 1, duration:               0)\n"
      "kwLogText(Trial: 3, code: E4_application, duration:             516)\n"
      "kwLogText(Trial: 4, code: 2, duration:               0)\n"
      "kwLogText(Trial: 5, code: E4_application, duration:             516)\n"
      "kwLogText(Trial: 6, code: pic, duration:            2346)\n"
      "kwLogText(Converting to Halden stimulation protocol...)\n"
      "kwGetIntegerInput(What is the TR in milliseconds?, 2000, 1, 100000) -> 2000\n"
      "kwGetIntegerInput(Please select the computation of event duration:\\n\\n1 = Based on time "
      "until next event (Picture, Sound, Video, Response)\\n2 = Based on Duration parameter in "
      "Presentation log file, 1, 1, 2) -> 1\n"
      "kwClearProtocol()\n"
      "kwLogText(Creating new protocol...)\n"
      "kwLogText(Creating protocol name:\\n\\n\\tbsb_invest_nosubj_MSEC.prt\\n)\n"
      "kwLogText(Creating and preparing conditions and intervals lists...)\n"
      "kwLogText(Searching condition names...)\n"
      "kwAddProtocolCondition(TGinvestment, 0x3F00C355)\n"
      "kwAddProtocolCondition(1, 0x3F0186AA)\n"
      "kwAddProtocolCondition(E4_application, 0x3F0249FF)\n"
      "kwAddProtocolCondition(2, 0x3F030D54)\n"
      "kwAddProtocolCondition(pic, 0x3F03D0A9)\n"
      "kwAddProtocolConditionInterval(0, 5, 23534)\n"
      "kwLogText(Added interval: 5 - 23534, for condition: TGinvestment)\n"
      "kwAddProtocolConditionInterval(1, 23537, 23550)\n"
      "kwLogText(Added interval: 23537 - 23550, for condition: 1)\n"
      "kwAddProtocolConditionInterval(2, 23552, 31001)\n"
      "kwLogText(Added interval: 23552 - 31001, for condition: E4_application)\n"
      "kwAddProtocolConditionInterval(3, 31004, 31019)\n"
      "kwLogText(Added interval: 31004 - 31019, for condition: 2)\n"
      "kwAddProtocolConditionInterval(2, 31021, 31534)\n"
      "kwLogText(Added interval: 31021 - 31534, for condition: E4_application)\n"
      "kwLogText(Last interval(s), computation based on Duration in protocol.)\n"
      "kwAddProtocolConditionInterval(4, 31537, 33882)\n"
      "kwLogText(Added interval: 31537 - 33882, for condition: pic)\n"
      "kwLogText(Setting colors and pen thickness...)\n"
      "kwSetProtocol(5, bsb_invest_nosubj.prt, bsb_invest_nosubj, 2)\n"
      "kwSaveProtocol(bsb_invest_nosubj.prt) -> saved\n"
      "kwLogText(Protocol generated from Presentation Log file.)\n"
      "kwLogText(Plugin operations finished successfully.)\n"
      "kwLogText(Finished.\\n)\n");
  EXPECT_EQ(folder.read("bsb_invest_nosubj.prt"),
            "kwhost-protocol 1\n"
            "title \"bsb_invest_nosubj\"\n"
            "time-resolution 2\n"
            "colour1 0x000000\n"
            "colour2 0xFFFFFF\n"
            "colour3 0xFFFFFF\n"
            "thickness3 2\n"
            "colour4 0x3F0007D0\n"
            "thickness4 2\n"
            "conditions 5\n"
            "\n"
            "condition \"TGinvestment\"\n"
            "colour 0x3F00C355\n"
            "intervals 1\n"
            "5 23534\n"
            "\n"
            "condition \"1\"\n"
            "colour 0x3F0186AA\n"
            "intervals 1\n"
            "23537 23550\n"
            "\n"
            "condition \"E4_application\"\n"
            "colour 0x3F0249FF\n"
            "intervals 2\n"
            "23552 31001\n"
            "31021 31534\n"
            "\n"
            "condition \"2\"\n"
            "colour 0x3F030D54\n"
            "intervals 1\n"
            "31004 31019\n"
            "\n"
            "condition \"pic\"\n"
            "colour 0x3F03D0A9\n"
            "intervals 1\n"
            "31537 33882\n");
}

// The "_MSEC" name shown in the log must fit a protocol's 260-character file name: a log
// path of 255 characters fits with ".log" (".prt" and "_MSEC" give 260), not without an
// extension (264). The refused import asks nothing more and saves nothing.
TEST(KwhostImport, LogPathWhoseProtocolNameWouldNotFitIsRefused) {
  TempFolder folder;
  const std::string subfolder(100, 'd');
  std::filesystem::create_directory(folder.path() / subfolder);
  const std::string fits = subfolder + "/" + std::string(150, 'p') + ".log";
  const std::string tooLong = subfolder + "/" + std::string(154, 'q');
  const std::string log = testing::copySample(folder, "faces_houses.log");
  std::filesystem::copy_file(folder.path() / log, folder.path() / fits);
  std::filesystem::rename(folder.path() / log, folder.path() / tooLong);

  testing::KwhostResult r =
      runKwhost(folder, {"import", tooLong, "--log", "log.txt", "--transcript", "calls.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(folder.read("log.txt"),
            "\\nstimforge> Started...\n"
            "The protocol file name would be longer than 260 characters.\n"
            "Cancelled further operations.\n"
            "Finished.\\n\n");
  const std::vector<std::string> calls = linesOf(folder.read("calls.txt"));
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[calls.size() - 4],
            "kwGetOpenFileName(Please select the Presentation Log file, , Presentation log file "
            "(*.log)) -> 1 " +
                tooLong);

  r = runKwhost(folder, {"import", fits, "--pictures-only", "--log", "log.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(linesOf(folder.read("log.txt")),
              Contains("Creating protocol name:\\n\\n\\t" + fits.substr(0, fits.size() - 4) +
                       "_MSEC.prt\\n"));
  const std::string saved = fits.substr(0, fits.size() - 4) + ".prt";
  EXPECT_EQ(readBack(folder, saved).conditions.size(), 3u);
  std::vector<std::string> inSubfolder;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path() / subfolder))
    inSubfolder.push_back(entry.path().filename().string());
  EXPECT_THAT(inSubfolder, ::testing::UnorderedElementsAre(std::string(150, 'p') + ".log",
                                                           std::string(150, 'p') + ".prt",
                                                           std::string(154, 'q')));
}

// Every Time of the real log `stem`'s event lines, in tenths.
std::vector<int64_t> logTimes(const std::string& stem) {
  std::ifstream in(testing::realLogsFolder() + "/" + stem + ".log", std::ios::binary);
  std::vector<int64_t> times;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');)
      fields.push_back(cell);
    if (fields.size() > 4 && !fields[4].empty() &&
        fields[4].find_first_not_of("0123456789") == std::string::npos)
      times.push_back(std::stoll(fields[4]));
  }
  return times;
}

struct AlignSession {
  std::vector<std::string> args;  // after "import idor_two_tables.log --quiet"
  int status;
  const char* shifted;  // the shifted protocol's name, "" for none
  int64_t timeZero;     // tenths
  const char* errPart;
};

// import --bold and --align through the real plug-in: the shifted protocol's starts are the
// log's times less time zero (within 1 ms), but for the intervals the shift cut at 0.
TEST(KwhostImport, ShiftedToTheScansTimeZero) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const std::filesystem::path runs = std::filesystem::path(SF_BOLD_IMAGES) / "runs";
  if (!std::filesystem::exists(runs / "run_236.nii.gz"))
    GTEST_SKIP() << "no BOLD images (python3-nibabel)";
  const std::vector<int64_t> times = logTimes("idor_two_tables");
  const AlignSession sessions[] = {
      {{"--bold", (runs / "run_236.nii.gz").string()},
       0,
       "idor_two_tables_min17418.prt",
       174181,
       "trigger 5 (Pulse) at 17418.1 ms"},
      {{"--align", "--skip", "5"}, 0, "idor_two_tables_min19416.prt", 194167, "trigger 6"},
      {{"--bold", (runs / "run_244.nii.gz").string()}, 1, "", 0, "time zero is unknown"},
      {{"--align", "--bold", (runs / "run_236.nii.gz").string(), "--force"},
       0,
       "idor_two_tables_min17418.prt",
       174181,
       "moves 5 wholly before 0"},
  };
  for (const AlignSession& s : sessions) {
    SCOPED_TRACE(s.args[0] + " " + s.args[1]);
    TempFolder folder;
    const std::string log = testing::copyRealLog(folder, "idor_two_tables");
    std::vector<std::string> args = {"import", log, "--quiet"};
    args.insert(args.end(), s.args.begin(), s.args.end());
    const testing::KwhostResult r = runKwhost(folder, args);
    EXPECT_EQ(r.status, s.status) << r.err;
    EXPECT_NE(r.err.find(s.errPart), std::string::npos) << r.err;
    if (std::string(s.shifted).empty()) {
      EXPECT_FALSE(std::filesystem::exists(folder.file("idor_two_tables.prt")));
      continue;
    }
    const Protocol original = readBack(folder, "idor_two_tables.prt");
    const Protocol shifted = readBack(folder, s.shifted);
    ASSERT_EQ(shifted.conditions.size(), original.conditions.size());
    size_t compared = 0;
    for (const Condition& condition : shifted.conditions) {
      for (const int32_t start : condition.starts) {
        if (start == 0)
          continue;  // cut at 0, or wholly before it
        const bool found = std::any_of(times.begin(), times.end(), [&](int64_t t) {
          return std::fabs(static_cast<double>(t - s.timeZero) / 10.0 - start) <= 1.0;
        });
        EXPECT_TRUE(found) << condition.name << " at " << start;
        ++compared;
      }
    }
    EXPECT_GT(compared, 200u);
  }

  // A shifted file in the way is refused before anything runs: not even the import is saved.
  TempFolder folder;
  const std::string log = testing::copyRealLog(folder, "idor_two_tables");
  folder.write("idor_two_tables_min17418.prt", "mine\n");
  const testing::KwhostResult r =
      runKwhost(folder, {"import", log, "--quiet", "--bold", (runs / "run_236.nii.gz").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "kwhost: idor_two_tables_min17418.prt exists and is not a protocol file kwhost "
            "wrote; give --force to replace it\n");
  EXPECT_FALSE(std::filesystem::exists(folder.file("idor_two_tables.prt")));
  EXPECT_EQ(folder.read("idor_two_tables_min17418.prt"), "mine\n");
}

}  // namespace
}  // namespace stimforge::kwhost
