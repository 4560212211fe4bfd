#include "kwhost/cli/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "kwhost/cli/command_dialogue.h"
#include "kwhost/cli/command_table.h"
#include "kwhost/cli/plugin_runs.h"
#include "kwhost/protocol/file_io.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::TempFolder;

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

// The runs a parsed plug-in command plans (its input files must exist).
std::vector<PlannedRun> plannedRuns(const Parsed& parsed) {
  auto* command = dynamic_cast<PluginCommand*>(parsed.invocation.runner.get());
  EXPECT_NE(command, nullptr) << "not a plug-in command";
  std::vector<PlannedRun> runs;
  if (command == nullptr)
    return runs;
  std::ostringstream err;
  EXPECT_EQ(command->plan(runs, err), 0) << err.str();
  return runs;
}

// The answers of the one run a command plans.
std::vector<std::string> dialogue(const Parsed& parsed) {
  const std::vector<PlannedRun> runs = plannedRuns(parsed);
  return runs.size() == 1 ? texts(runs.front().answers) : std::vector<std::string>{"(runs)"};
}

// A folder with an (empty) protocol p.prt and two logs a.log and b.log of headers alone.
struct Inputs {
  Inputs() {
    std::string error;
    EXPECT_TRUE(saveProtocolFile(protocol, Protocol{}, false, "", error)) << error;
  }
  TempFolder folder;
  std::string protocol = folder.file("p.prt");
  static constexpr char kLog[] =
      "Scenario - t\nLogfile written - x\n\nTrial\tEvent Type\tCode\tTime\n";
  std::string a = folder.write("a.log", kLog);
  std::string b = folder.write("b.log", kLog);
};

TEST(CommandLine, HostOptionsStandBeforeOrAfterTheCommand) {
  const Inputs in;
  const Parsed p = parse({"--plugin", "lib.so", "run", in.protocol, "--host-version", "2.9.8",
                          "--no-volume", "--answer", "2", "--answer=-1", "--answer", "", "--answer",
                          "<cancel>", "--log", "log.txt", "--transcript", "t.txt"});
  ASSERT_EQ(p.status, -1) << p.err;
  EXPECT_STREQ(p.invocation.command->name, "run");
  const HostOptions& host = p.invocation.host;
  EXPECT_EQ(host.pluginPath, "lib.so");
  EXPECT_EQ(
      host.hostVersion.major * 100 + host.hostVersion.minor * 10 + host.hostVersion.subVersion,
      298);
  EXPECT_FALSE(host.volumeOpen);
  EXPECT_EQ(host.logPath, "log.txt");
  EXPECT_EQ(host.transcriptPath, "t.txt");
  const std::vector<PlannedRun> runs = plannedRuns(p);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_THAT(texts(runs[0].answers), ElementsAre("2", "-1", "", "<cancel>"));
  EXPECT_TRUE(runs[0].hasProtocol);
  EXPECT_TRUE(runs[0].scripted);

  // Before the command, and run's answers too (first those before, then those after).
  Parsed before =
      parse({"--log", "log.txt", "--no-volume", "--host-version", "3.0.1", "--transcript", "t.txt",
             "--plugin", "lib.so", "--answer", "1", "run", "--answer", "2"});
  ASSERT_EQ(before.status, -1) << before.err;
  EXPECT_EQ(before.invocation.host.logPath, "log.txt");
  EXPECT_EQ(before.invocation.host.transcriptPath, "t.txt");
  EXPECT_EQ(before.invocation.host.pluginPath, "lib.so");
  EXPECT_EQ(before.invocation.host.hostVersion.major, 3);
  EXPECT_FALSE(before.invocation.host.volumeOpen);
  EXPECT_THAT(dialogue(before), ElementsAre("1", "2"));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--log", "F", "import", in.a},
        std::vector<std::string>{"import", in.a, "--log", "F"}}) {
    const Parsed i = parse(args);
    ASSERT_EQ(i.status, -1) << i.err;
    EXPECT_EQ(i.invocation.host.logPath, "F");
  }
  const Parsed info = parse({"--plugin", "lib.so", "info"});
  ASSERT_EQ(info.status, -1) << info.err;
  EXPECT_EQ(info.invocation.host.pluginPath, "lib.so");
  // Given both before and after the command: as if given twice after it.
  EXPECT_EQ(parse({"--log", "a", "run", "--log", "b"}).err,
            "kwhost: --log: At Most 1 required but received 2\n"
            "Run with --help for more information.\n");
}

TEST(CommandLine, EachCommandBecomesItsDialogue) {
  const Inputs in;
  Parsed p = parse({"import", in.a, in.b, "--subject-column", "--pictures-only", "--duration",
                    "column", "--tr", "1500"});
  ASSERT_EQ(p.status, -1) << p.err;
  std::vector<PlannedRun> runs = plannedRuns(p);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_THAT(texts(runs[0].answers), ElementsAre("1", in.a, "2", "y", "1500", "2"));
  EXPECT_THAT(texts(runs[1].answers), ElementsAre("1", in.b, "2", "y", "1500", "2"));
  EXPECT_EQ(runs[1].label, "import " + in.b);
  EXPECT_FALSE(runs[0].hasProtocol);
  p = parse({"import", in.a});
  EXPECT_THAT(dialogue(p), ElementsAre("1", in.a, "1", "n", "2000", "1"));
  p = parse({"import", in.a, "--tr", "-5"});  // handed over as given
  EXPECT_THAT(dialogue(p), ElementsAre("1", in.a, "1", "n", "-5", "1"));

  p = parse({"shift", in.protocol, "--earlier", "500"});
  ASSERT_EQ(p.status, -1) << p.err;
  EXPECT_THAT(dialogue(p), ElementsAre("2", "500", "y"));
  p = parse({"shift", "--later", in.protocol, "3000000"});
  ASSERT_EQ(p.status, -1) << p.err;
  EXPECT_THAT(dialogue(p), ElementsAre("2", "3000000", "n"));

  p = parse({"reorder", in.protocol, "2,0,1"});
  ASSERT_EQ(p.status, -1) << p.err;
  EXPECT_THAT(dialogue(p), ElementsAre("3", "2,0,1"));

  p = parse({"preset", in.protocol, "7"});
  ASSERT_EQ(p.status, -1) << p.err;
  runs = plannedRuns(p);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_THAT(texts(runs[0].answers), ElementsAre("4", "7"));
  EXPECT_TRUE(runs[0].hasProtocol);
  EXPECT_EQ(runs[0].label, "preset " + in.protocol);
  EXPECT_TRUE(runs[0].scripted);

  p = parse({"run"});  // typed on the keyboard
  ASSERT_EQ(p.status, -1) << p.err;
  runs = plannedRuns(p);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_FALSE(runs[0].scripted);
  EXPECT_FALSE(runs[0].hasProtocol);
}

// The plug-in's dialogs hold their answers to bounds that scripted answers would skip.
TEST(CommandLine, ValuesOutsideThePluginsBoundsAreRefused) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"shift", "p.prt", "--later", "3000001"},
       "AMOUNT 3000001 is outside the bounds 0 to 3000000"},
      {{"shift", "p.prt", "--earlier", "-1"}, "AMOUNT -1 is outside the bounds 0 to 3000000"},
      {{"preset", "p.prt", "0"}, "TYPE 0 is outside the bounds 1 to 7"},
      {{"preset", "p.prt", "8"}, "TYPE 8 is outside the bounds 1 to 7"},
  };
  for (const auto& c : cases) {
    const Parsed p = parse(c.args);
    EXPECT_EQ(p.status, kUsageError) << c.message;
    EXPECT_EQ(p.err,
              "kwhost: " + std::string(c.message) + "\nRun with --help for more information.\n");
  }
}

TEST(CommandLine, EveryCommandOfTheTableIsACommandOfItsOwn) {
  ASSERT_EQ(
      commandNames(),
      "info, show, run, import, shift, reorder, preset, triggers, events, plot, bids, design");
  for (size_t i = 0; i < commandCount(); ++i) {
    const Command& row = commandTable()[i];
    const Parsed p = parse({row.name, "--help"});
    EXPECT_EQ(p.status, 0) << row.name;
    EXPECT_THAT(p.out, HasSubstr(row.description)) << row.name;
    EXPECT_THAT(p.out, HasSubstr("Usage: kwhost " + std::string(row.name) + " ")) << row.name;
  }
  EXPECT_STREQ(parse({"info"}).invocation.command->name, "info");
  EXPECT_STREQ(parse({"show", "p.prt"}).invocation.command->name, "show");
  EXPECT_STREQ(parse({"triggers", "a.log", "--tr", "2000"}).invocation.command->name, "triggers");
}

TEST(CommandLine, UsageErrorsAreExplainedWithAPointerToHelp) {
  const std::string tooLong(256, 'a');
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{},
       "a command is required: info, show, run, import, shift, reorder, preset, triggers, events, "
       "plot, bids, design"},
      {{"--no-volume"},
       "a command is required: info, show, run, import, shift, reorder, preset, triggers, events, "
       "plot, bids, design"},
      {{"frobnicate", "x"},
       "unknown command \"frobnicate\"; the commands are info, show, run, import, shift, "
       "reorder, preset, triggers, events, plot, bids, design"},
      {{"--log", "l", "frobnicate"},
       "unknown command \"frobnicate\"; the commands are info, show, run, import, shift, "
       "reorder, preset, triggers, events, plot, bids, design"},
      {{"run", "p.prt", "q.prt"}, "unexpected arguments: q.prt"},
      {{"info", "--frobnicate"}, "unexpected arguments: --frobnicate"},
      {{"show"}, "PROTOCOL is required"},
      {{"shift", "p.prt", "5"}, "shift needs --earlier or --later"},
      {{"shift", "p.prt", "5", "--earlier", "--later"}, "--earlier excludes --later"},
      {{"shift", "p.prt", "five", "--later"}, "AMOUNT: \"five\" is not a whole number"},
      {{"preset", "p.prt", "2147483648"}, "TYPE: \"2147483648\" is not a whole number"},
      {{"import", "a.log", "--duration", "both"}, "--duration: both not in {next,column}"},
      {{"import", "a.log", "--tr", "2s"}, "--tr: \"2s\" is not a whole number"},
      {{"--host-version", "2.9", "run"},
       "--host-version: \"2.9\" is not a version X.Y.Z of three whole numbers"},
      {{"import", "a.log", "--host-version", "2.9.x"},
       "--host-version: \"2.9.x\" is not a version X.Y.Z of three whole numbers"},
      {{"run", "--answer", "1", "--answers", "a.txt"},
       "--answer and --answers cannot be used together"},
      {{"--answers", "a.txt", "run", "--answer", "1"},
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

// An option the command does not take is refused by name, wherever it stands: a host
// option its needs do not call for, run's answers, another command's option.
TEST(CommandLine, AnOptionTheCommandDoesNotTakeIsRefusedByName) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"show", "p.prt", "--log", "F"}, "show does not take --log"},
      {{"--log", "F", "show", "p.prt"}, "show does not take --log"},
      {{"show", "p.prt", "--plugin", "lib.so"}, "show does not take --plugin"},
      {{"show", "p.prt", "--no-volume"}, "show does not take --no-volume"},
      {{"info", "--transcript", "T"}, "info does not take --transcript"},
      {{"--host-version", "2.9.9", "info"}, "info does not take --host-version"},
      {{"info", "--no-volume"}, "info does not take --no-volume"},
      {{"info", "--log=F"}, "info does not take --log"},
      {{"shift", "p.prt", "--later", "3", "--answer", "1"}, "shift does not take --answer"},
      {{"--answer", "1", "reorder", "p.prt", "2,0,1"}, "reorder does not take --answer"},
      {{"import", "a.log", "--answers", "F"}, "import does not take --answers"},
      {{"preset", "p.prt", "1", "--tr", "5"}, "preset does not take --tr"},
      {{"show", "p.prt", "--earlier"}, "show does not take --earlier"},
      {{"run", "--subject-column"}, "run does not take --subject-column"},
      {{"events", "a.log", "--plugin", "lib.so"}, "events does not take --plugin"},
      {{"events", "a.log", "--subject-column"}, "events does not take --subject-column"},
      {{"plot", "p.prt", "--plugin", "lib.so"}, "plot does not take --plugin"},
      {{"plot", "a.log", "--bids-name", "sub-01_task-x"}, "plot does not take --bids-name"},
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
  EXPECT_THAT(p.out, HasSubstr("Usage: kwhost [OPTIONS] [COMMAND]"));
  // Each command with its one-line help from the table.
  for (size_t i = 0; i < commandCount(); ++i) {
    const std::string name = commandTable()[i].name;
    EXPECT_THAT(p.out, HasSubstr("\n  " + name + std::string(28 - name.size(), ' ') +
                                 commandTable()[i].description + "\n"));
  }
  p = parse({"shift", "--help"});
  EXPECT_EQ(p.status, 0);
  EXPECT_THAT(p.out, HasSubstr("Usage: kwhost shift [OPTIONS] PROTOCOL AMOUNT"));
  EXPECT_THAT(p.out, HasSubstr("--transcript FILE"));
  EXPECT_EQ(p.err, "");
  p = parse({"show", "--help"});
  EXPECT_THAT(p.out, Not(HasSubstr("--plugin")));
  p = parse({"info", "--help"});
  EXPECT_THAT(p.out, HasSubstr("--plugin PATH"));
  EXPECT_THAT(p.out, Not(HasSubstr("--log")));
}

}  // namespace
}  // namespace stimforge::kwhost
