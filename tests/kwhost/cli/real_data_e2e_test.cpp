// kwhost on the files labs really have: inputs refused before the plug-in runs, files that
// are not kwhost's own left alone, saves aimed at a folder, orders typed in a shell.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kwhost_e2e_support.h"
#include "kwhost_runner.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::readBack;
using testing::runKwhost;
using testing::TempFolder;

constexpr char kLog[] =
    "Scenario - t\nLogfile written - x\n\nTrial\tEvent Type\tCode\tTime\tTTime\tUncertainty\t"
    "Duration\n\n1\tPicture\tface\t10000\t0\t1\t20000\n2\tPicture\thouse\t40000\t0\t1\t20000\n";

TEST(KwhostRealData, FilesThatAreNoPresentationLogsAreRefusedBeforeThePluginRuns) {
  const struct {
    std::string content;
    const char* problem;
  } cases[] = {
      {"", "the file is empty: not a Presentation log"},
      {std::string("\x7F"
                   "ELF\x02\x01\x01\0\0\0",
                   10),
       "not a Presentation log: it holds binary data"},
      {"PK\x03\x04 a zip",
       "not a Presentation log: its first line does not begin with \"Scenario -\""},
      {std::string("\xFF\xFES\0c\0e\0n\0\n\0", 12),
       "the file is UTF-16 text; Presentation logs are read as 8-bit text (save it as ANSI or "
       "UTF-8)"},
      {"Scenario - t\nLogfile written - x\n\nTrial,Event Type,Code,Time\n\n1,Picture,a,10\n",
       "columns separated by commas, not tabs: this is not a log as Presentation writes it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.problem);
    TempFolder folder;
    folder.write("run1.log", c.content);
    folder.write("run1.prt", "kwhost-protocol 1\nkept");
    const testing::KwhostResult r = runKwhost(folder, {"import", "run1.log"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");  // neither the plug-in's pane nor the file's bytes
    EXPECT_EQ(r.err, "kwhost: run1.log: " + std::string(c.problem) + "\n");
    EXPECT_EQ(folder.read("run1.prt"), "kwhost-protocol 1\nkept");
  }
}

TEST(KwhostRealData, AFileKwhostDidNotWriteIsKeptUnlessForced) {
  TempFolder folder;
  folder.write("run1.log", kLog);
  const std::string foreign = "FileVersion:        2\r\nResolutionOfTime:   msec\r\n";
  folder.write("run1.prt", foreign);
  testing::KwhostResult r = runKwhost(folder, {"import", "run1.log"});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("kwhost: not replacing run1.prt: it is not a protocol that "
                               "kwhost wrote; it is left as it was (give --force to replace "
                               "it)\n"));
  EXPECT_EQ(folder.read("run1.prt"), foreign);
  r = runKwhost(folder, {"import", "run1.log", "--force"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readBack(folder, "run1.prt").conditions.size(), 2u);
  // Its own files it replaces without a word: the same import twice gives the same file.
  const std::string first = folder.read("run1.prt");
  r = runKwhost(folder, {"import", "run1.log"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(folder.read("run1.prt"), first);
}

TEST(KwhostRealData, OutDirTakesTheSavesAndTheSourceFolderStaysAsItWas) {
  TempFolder data;
  TempFolder out;
  data.write("run1.log", kLog);
  const std::string protocol = testing::copySample(data, "faces_houses.prt");
  const std::vector<std::string> before = data.entries();
  const std::vector<std::vector<std::string>> commands = {
      {"import", data.file("run1.log")},
      {"shift", data.file(protocol), "--later", "3"},
      {"reorder", data.file(protocol), "2,0,1"}};
  for (std::vector<std::string> args : commands) {
    args.insert(args.end(), {"--out-dir", out.path().string(), "--quiet"});
    const testing::KwhostResult r = runKwhost(out, args);
    EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
    EXPECT_THAT(r.err, HasSubstr("kwhost: saved " + out.path().string() + "/")) << args[0];
  }
  EXPECT_EQ(data.entries(), before);
  EXPECT_THAT(out.entries(),
              ElementsAre("faces_houses_ordered.prt", "faces_houses_plus3.prt", "run1.prt"));
  const testing::KwhostResult r =
      runKwhost(out, {"import", data.file("run1.log"), "--out-dir", "missing"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kwhost: --out-dir missing: no such folder\n");
}

TEST(KwhostRealData, TwoLogsOfABatchThatWouldSaveUnderOneNameAreRefused) {
  TempFolder folder;
  folder.write("run1.log", kLog);
  folder.write("run1.txt", kLog);
  const testing::KwhostResult r = runKwhost(folder, {"import", "run1.log", "run1.txt"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "kwhost: run1.log and run1.txt would both be saved as run1.prt\n"
            "Run with --help for more information.\n");
  EXPECT_THAT(folder.entries(), ElementsAre("run1.log", "run1.txt"));
}

TEST(KwhostRealData, OrdersFromAShellGiveEveryConditionOnce) {
  TempFolder folder;
  const std::string input = testing::copySample(folder, "faces_houses.prt");  // Rest Faces Houses
  const struct {
    std::vector<std::string> args;
    int status;
    const char* err;                 // the start of standard error
    std::vector<std::string> names;  // of the saved protocol
  } cases[] = {
      {{"1,0"},
       2,
       "kwhost: ORDER must give each of the 3 conditions exactly once; missing: 2 (Houses); "
       "give --partial",
       {}},
      {{"1,1,0"},
       2,
       "kwhost: ORDER must give each of the 3 conditions exactly once; missing: 2 (Houses); "
       "repeated: 1 (Faces);",
       {}},
      {{"1,0,x"}, 2, "kwhost: ORDER: \"x\" is not a condition index from 0 to 2", {}},
      {{"Houses,Rest,Faces", "--names"}, 0, "kwhost: saved", {"Houses", "Rest", "Faces"}},
      {{"Houses,rest,Faces", "--names"}, 2, "kwhost: ORDER: no condition is named \"rest\"", {}},
      // The plug-in's own rule: a position the order leaves out takes condition 0.
      {{"1,0", "--partial"}, 0, "kwhost: saved", {"Faces", "Rest", "Rest"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    std::vector<std::string> args = {"reorder", input};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const testing::KwhostResult r = runKwhost(folder, args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
    if (c.status != 0)
      continue;
    std::vector<std::string> names;
    for (const Condition& condition : readBack(folder, "faces_houses_ordered.prt").conditions)
      names.push_back(condition.name);
    EXPECT_EQ(names, c.names);
  }
}

TEST(KwhostRealData, QuietKeepsThePaneOffTheScreenButInTheLog) {
  TempFolder folder;
  folder.write("run1.log", kLog);
  const testing::KwhostResult r =
      runKwhost(folder, {"import", "run1.log", "--quiet", "--log", "log.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "kwhost: saved run1.prt: 2 conditions, 2 intervals, in milliseconds\n");
  EXPECT_THAT(folder.read("log.txt"), HasSubstr("Plugin operations finished successfully.\n"));
}

}  // namespace
}  // namespace stimforge::kwhost
