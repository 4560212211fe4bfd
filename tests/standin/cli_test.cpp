#include "standin/cli.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "standin/command_dialogue.h"

namespace stimforge::standin {
namespace {

using ::testing::ElementsAre;

struct Parsed {
  int status = 0;
  Invocation invocation;
  std::string out;
  std::string err;
};

Parsed parse(std::vector<std::string> args) {
  args.insert(args.begin(), "kwhost");
  std::vector<const char*> argv;
  for (const std::string& arg : args)
    argv.push_back(arg.c_str());
  Parsed result;
  std::ostringstream out;
  std::ostringstream err;
  result.status =
      parseCommandLine(static_cast<int>(argv.size()), argv.data(), result.invocation, out, err);
  result.out = out.str();
  result.err = err.str();
  return result;
}

std::vector<std::string> texts(const std::vector<ScriptedAnswer>& answers) {
  std::vector<std::string> result;
  for (const ScriptedAnswer& answer : answers)
    result.push_back(answer.cancel ? "<cancel>" : answer.text);
  return result;
}

TEST(CommandLine, HostOptionsStandBeforeOrAfterTheCommand) {
  const Parsed p = parse({"--plugin", "lib.so", "run", "p.prt", "--host-version", "2.9.8",
                          "--no-volume", "--answer", "2", "--answer=-1", "--answer", "", "--answer",
                          "<cancel>", "--log", "log.txt", "--transcript", "t.txt"});
  ASSERT_EQ(p.status, -1) << p.err;
  const Invocation& i = p.invocation;
  EXPECT_EQ(i.command, CommandKind::kRun);
  EXPECT_EQ(i.pluginPath, "lib.so");
  EXPECT_EQ(i.hostVersion.major * 100 + i.hostVersion.minor * 10 + i.hostVersion.subVersion, 298);
  EXPECT_FALSE(i.volumeOpen);
  EXPECT_THAT(i.answers, ElementsAre("2", "-1", "", "<cancel>"));
  EXPECT_THAT(i.inputs, ElementsAre("p.prt"));
  EXPECT_EQ(i.logPath, "log.txt");
  EXPECT_EQ(i.transcriptPath, "t.txt");
  EXPECT_TRUE(i.scripted());
}

TEST(CommandLine, EachCommandBecomesItsDialogue) {
  Parsed p = parse({"import", "a.log", "b.log", "--subject-column", "--pictures-only", "--duration",
                    "column", "--tr", "1500"});
  ASSERT_EQ(p.status, -1) << p.err;
  EXPECT_THAT(p.invocation.inputs, ElementsAre("a.log", "b.log"));
  EXPECT_THAT(texts(importDialogue("a.log", p.invocation.import)),
              ElementsAre("1", "a.log", "2", "y", "1500", "2"));
  p = parse({"import", "a.log"});
  EXPECT_THAT(texts(importDialogue("a.log", p.invocation.import)),
              ElementsAre("1", "a.log", "1", "n", "2000", "1"));
  p = parse({"import", "a.log", "--tr", "-5"});  // handed over as given
  EXPECT_THAT(texts(importDialogue("a.log", p.invocation.import)),
              ElementsAre("1", "a.log", "1", "n", "-5", "1"));

  p = parse({"shift", "p.prt", "--earlier", "500"});
  ASSERT_EQ(p.status, -1) << p.err;
  EXPECT_THAT(texts(shiftDialogue(p.invocation.earlier, p.invocation.amount)),
              ElementsAre("2", "500", "y"));
  p = parse({"shift", "--later", "p.prt", "-3"});
  ASSERT_EQ(p.status, -1) << p.err;
  EXPECT_THAT(texts(shiftDialogue(p.invocation.earlier, p.invocation.amount)),
              ElementsAre("2", "-3", "n"));

  p = parse({"reorder", "p.prt", "2,0,1"});
  ASSERT_EQ(p.status, -1) << p.err;
  EXPECT_THAT(texts(reorderDialogue(p.invocation.order)), ElementsAre("3", "2,0,1"));

  p = parse({"preset", "p.prt", "9"});
  ASSERT_EQ(p.status, -1) << p.err;
  EXPECT_THAT(texts(presetDialogue(p.invocation.analysisType)), ElementsAre("4", "9"));
  EXPECT_THAT(p.invocation.inputs, ElementsAre("p.prt"));
  EXPECT_FALSE(p.invocation.scripted());
}

TEST(CommandLine, UsageErrorsAreExplainedWithAPointerToHelp) {
  const std::string tooLong(256, 'a');
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "a command is required: info, show, run, import, shift, reorder, preset, plot"},
      {{"--no-volume"},
       "a command is required: info, show, run, import, shift, reorder, preset, plot"},
      {{"frobnicate", "x"},
       "unknown command \"frobnicate\"; the commands are info, show, run, import, shift, "
       "reorder, preset, plot"},
      {{"run", "p.prt", "q.prt"}, "unexpected arguments: q.prt"},
      {{"info", "--frobnicate"}, "unexpected arguments: --frobnicate"},
      {{"show"}, "PROTOCOL is required"},
      {{"shift", "p.prt", "5"}, "shift needs --earlier or --later"},
      {{"shift", "p.prt", "5", "--earlier", "--later"}, "--earlier excludes --later"},
      {{"shift", "p.prt", "five", "--later"}, "AMOUNT: \"five\" is not a whole number"},
      {{"preset", "p.prt", "2147483648"}, "TYPE: \"2147483648\" is not a whole number"},
      {{"import", "a.log", "--duration", "both"}, "--duration: both not in {next,column}"},
      {{"import", "a.log", "--tr", "2s"}, "--tr: \"2s\" is not a whole number"},
      {{"--host-version", "2.9", "info"},
       "--host-version: \"2.9\" is not a version X.Y.Z of three whole numbers"},
      {{"import", "a.log", "--answer", "1"},
       "--answer and --answers go with the run command only (the other commands make their "
       "own answers)"},
      {{"run", "--answer", "1", "--answers", "a.txt"},
       "--answer and --answers cannot be used together"},
      {{"run", "--answer", "1", "--answer", tooLong},
       "--answer 2 is 256 bytes long; a dialog takes at most 255"},
      {{"reorder", "p.prt", tooLong}, "ORDER is 256 bytes long; a dialog takes at most 255"},
      {{"import", tooLong + ".log"},
       "the log file's path \"" + tooLong +
           ".log\" is 260 bytes long; a dialog takes at most "
           "255"},
  };
  for (const auto& [args, message] : cases) {
    const Parsed p = parse(args);
    EXPECT_EQ(p.status, kUsageError) << message;
    EXPECT_EQ(p.err, "kwhost: " + message + "\nRun with --help for more information.\n");
    EXPECT_EQ(p.out, "");
  }
}

TEST(CommandLine, HelpIsPrintedWithStatusZero) {
  Parsed p = parse({"--help"});
  EXPECT_EQ(p.status, 0);
  EXPECT_THAT(p.out, ::testing::HasSubstr("Usage: kwhost [OPTIONS] [COMMAND]"));
  p = parse({"shift", "--help"});
  EXPECT_EQ(p.status, 0);
  EXPECT_THAT(p.out, ::testing::HasSubstr("Usage: kwhost shift [OPTIONS] PROTOCOL AMOUNT"));
  EXPECT_EQ(p.err, "");
}

}  // namespace
}  // namespace stimforge::standin
