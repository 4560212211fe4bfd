// The help texts: what kwhost is for first, and each command's own exit statuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "kwhost/cli/command_line.h"
#include "kwhost/cli/command_table.h"

namespace stimforge::kwhost {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

std::string helpOf(std::vector<std::string> args) {
  args.insert(args.begin(), "kwhost");
  args.push_back("--help");
  std::vector<const char*> argv;
  for (const std::string& arg : args)
    argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  Invocation invocation;
  EXPECT_EQ(parseCommandLine(static_cast<int>(argv.size()), argv.data(), invocation, out, err), 0);
  EXPECT_EQ(err.str(), "");
  return out.str();
}

TEST(HelpTexts, KwhostSaysFirstWhatLabsUseItForAndWhichHostItStandsIn) {
  const std::string help = helpOf({});
  const std::string firstLine = help.substr(0, help.find('\n'));
  EXPECT_THAT(firstLine, StartsWith("kwhost: BIDS events, trigger checks, timeline pictures and "
                                    "design checks from Presentation logs"));
  EXPECT_THAT(firstLine, HasSubstr("stand-in host of the stimforge plug-in for the Halden"));
}

TEST(HelpTexts, EachCommandStatesItsOwnExitStatuses) {
  struct Case {
    const char* command;
    const char* states;  // a part of its footer only it has
  };
  const Case cases[] = {
      {"info", "0 when the plug-in was loaded and its facts shown; 1 when it cannot be loaded"},
      {"show", "0 when the table was printed"},
      {"run", "a line of the --answers file that does not fit a dialog"},
      {"import", "two logs that would save the same protocol file"},
      {"shift", "0 when every run reported \"Plugin operations finished successfully.\""},
      {"reorder", "an order that does not suit the protocol"},
      {"preset", "0 when every run reported \"Plugin operations finished successfully.\""},
      {"triggers", "1 when any log has findings; 2 when any log could not be opened or read"},
      {"events", "0 when the files of every input were written"},
      {"plot", "0 when the picture was saved"},
      {"bids", "0 when every matched log was written with no finding"},
      {"design", "0 when the design has no finding; 1 when it has findings"},
  };
  ASSERT_EQ(std::size(cases), commandCount());
  for (const Case& c : cases) {
    const std::string help = helpOf({c.command});
    const size_t footer = help.find("Exit status: ");
    ASSERT_NE(footer, std::string::npos) << c.command;
    EXPECT_THAT(help.substr(footer), HasSubstr(c.states)) << c.command;
    EXPECT_EQ(help.find("Exit status: ", footer + 1), std::string::npos) << c.command;
    const bool runsThePlugin = commandTable()[&c - cases].needs == Needs::kPluginRuns;
    if (!runsThePlugin) {
      EXPECT_THAT(help, Not(HasSubstr("Plugin operations"))) << c.command;
    }
  }
}

}  // namespace
}  // namespace stimforge::kwhost
