// Real Presentation logs imported through kwhost with the real plug-in: each log is copied
// into a fresh folder, imported as a user would, and the protocol file kwhost saved is read
// back and compared with what the log says and with what the plug-in logged.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "kwhost/common/text_codec.h"
#include "kwhost_e2e_support.h"
#include "kwhost_runner.h"
#include "support/real_logs.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using testing::linesOf;
using testing::readBack;
using testing::runKwhost;
using testing::TempFolder;

using ::stimforge::testing::RealLogImport;

// The kwhost import options of one set of choices.
// No layout option: kwhost finds each log's layout from its column names.
std::vector<std::string> importOptions(const RealLogImport& c) {
  std::vector<std::string> options;
  if (c.picturesOnly)
    options.push_back("--pictures-only");
  if (c.duration != nullptr)
    options.insert(options.end(), {"--duration", c.duration});
  if (c.tr != 0)
    options.insert(options.end(), {"--tr", std::to_string(c.tr)});
  return options;
}

// The intervals the "Added interval: S - E, for condition: NAME" log lines describe, as the
// conditions of a protocol: in order of first appearance, each with its intervals in order.
std::vector<Condition> conditionsFromLog(const std::vector<std::string>& lines) {
  const std::string prefix = "Added interval: ";
  const std::string separator = ", for condition: ";
  std::vector<Condition> conditions;
  for (const std::string& line : lines) {
    if (line.rfind(prefix, 0) != 0)
      continue;
    const size_t named = line.find(separator);
    int start = 0;
    int end = 0;
    EXPECT_EQ(std::sscanf(line.c_str() + prefix.size(), "%d - %d", &start, &end), 2) << line;
    const std::string name = line.substr(named + separator.size());
    auto found = std::find_if(conditions.begin(), conditions.end(),
                              [&](const Condition& c) { return escapeLine(c.name) == name; });
    if (found == conditions.end())
      found = conditions.insert(conditions.end(), Condition{name, 0, {}, {}});
    found->starts.push_back(start);
    found->ends.push_back(end);
  }
  return conditions;
}

class KwhostRealLogImports : public ::testing::TestWithParam<RealLogImport> {};

TEST_P(KwhostRealLogImports, SavedProtocolHoldsTheEventsTheLogDescribes) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const RealLogImport& expected = GetParam();
  const std::string stem = expected.stem;
  TempFolder folder;
  const std::string log = testing::copyRealLog(folder, stem);
  const std::string original = folder.read(log);
  std::vector<std::string> args = {"import", log, "--log", "log.txt"};
  const std::vector<std::string> options = importOptions(expected);
  args.insert(args.end(), options.begin(), options.end());

  // Without a layout option, the layout the log's column names give.
  const testing::KwhostResult r = runKwhost(folder, args);
  const bool empty = expected.conditionCount == 0;
  EXPECT_EQ(r.status, empty ? 1 : 0);
  EXPECT_THAT(r.err, HasSubstr("kwhost: saved " + stem +
                               ".prt: " + std::to_string(expected.conditionCount) + " condition"));
  if (empty) {
    EXPECT_THAT(r.err, HasSubstr("no event was selected, so the protocol is empty; likely "
                                 "cause: the log has no events\n"));
  }
  // Saved beside the log under the plain name; the log itself is only read.
  EXPECT_THAT(folder.entries(), ::testing::UnorderedElementsAre(log, "log.txt", stem + ".prt"));
  EXPECT_EQ(folder.read(log), original);

  const std::vector<std::string> lines = linesOf(folder.read("log.txt"));
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) {
                            return line.rfind("Trial: ", 0) == 0 &&
                                   line.find(" EventType: ") != std::string::npos;
                          }),
            expected.eventLines);
  EXPECT_THAT(lines, Contains(expected.summary));
  EXPECT_THAT(lines, Contains(expected.partLines));
  EXPECT_THAT(lines, Contains("Creating protocol name:\\n\\n\\t" + stem + "_MSEC.prt\\n"));
  EXPECT_THAT(lines, ::testing::Not(Contains(::testing::StartsWith("Warning"))));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_THAT(std::vector<std::string>(lines.end() - 3, lines.end()),
              ElementsAre("Protocol generated from Presentation Log file.",
                          "Plugin operations finished successfully.", "Finished.\\n"));

  const Protocol saved = readBack(folder, stem + ".prt");
  EXPECT_EQ(saved.title, stem);
  EXPECT_EQ(saved.timeResolution, 2);
  EXPECT_EQ(saved.colour1, 0x000000);
  EXPECT_EQ(saved.colour2, 0xFFFFFF);
  EXPECT_EQ(saved.colour3, 0xFFFFFF);
  EXPECT_EQ(saved.colour4, 0x3F0007D0);
  EXPECT_EQ(saved.thickness3, 2);
  EXPECT_EQ(saved.thickness4, 2);
  ASSERT_EQ(saved.conditions.size(), expected.conditionCount);
  std::vector<std::string> names;
  size_t intervals = 0;
  for (size_t k = 0; k < saved.conditions.size(); ++k) {
    const Condition& condition = saved.conditions[k];
    if (k < expected.firstConditions.size())
      names.push_back(condition.name);
    EXPECT_EQ(condition.colour, static_cast<int32_t>(0x3F000000 + 50005 * (k + 1))) << k;
    intervals += condition.starts.size();
  }
  EXPECT_THAT(names, ElementsAreArray(expected.firstConditions));
  EXPECT_EQ(intervals, expected.events);

  // The file holds exactly the intervals the plug-in reported adding, condition by condition.
  std::vector<Condition> logged = conditionsFromLog(lines);
  for (size_t k = 0; k < logged.size() && k < saved.conditions.size(); ++k)
    logged[k].colour = saved.conditions[k].colour;
  EXPECT_EQ(logged, saved.conditions);

  if (expected.conditionCount == 0)
    return;
  EXPECT_EQ(saved.conditions[0].starts.front(), expected.first.start);
  EXPECT_EQ(saved.conditions[0].ends.front(), expected.first.end);
  const auto last = std::find_if(saved.conditions.begin(), saved.conditions.end(),
                                 [&](const Condition& c) { return c.name == expected.lastCode; });
  ASSERT_NE(last, saved.conditions.end());
  EXPECT_EQ(last->starts.back(), expected.last.start);
  EXPECT_EQ(last->ends.back(), expected.last.end);
}

INSTANTIATE_TEST_SUITE_P(PresentationLogs, KwhostRealLogImports,
                         ::testing::ValuesIn(::stimforge::testing::realLogImports()),
                         [](const ::testing::TestParamInfo<RealLogImport>& info) {
                           return ::stimforge::testing::realLogImportName(info.param);
                         });

// Several logs in one kwhost session: each run starts on an empty host, so every saved
// protocol is the one its own log gives alone. The header-only log selects nothing: its
// (new) empty protocol is saved, and the batch says that run failed.
TEST(KwhostRealLogs, LogsImportedTogetherGiveTheProtocolsTheyGiveAlone) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const std::vector<std::string> stems = {"idor_two_tables", "atwm_header_only", "oxa_ep_negtime"};
  TempFolder together;
  std::vector<std::string> args = {"import"};
  for (const std::string& stem : stems)
    args.push_back(testing::copyRealLog(together, stem));
  const testing::KwhostResult r = runKwhost(together, args);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "kwhost: import atwm_header_only.log: no event was selected, so the protocol is "
            "empty; likely cause: the log has no events\n"
            "kwhost: saved idor_two_tables.prt: 35 conditions, 269 intervals, in milliseconds\n"
            "kwhost: saved atwm_header_only.prt: 0 conditions, 0 intervals, in milliseconds\n"
            "kwhost: saved oxa_ep_negtime.prt: 12 conditions, 261 intervals, in milliseconds\n"
            "kwhost: 1 of 3 runs failed (import atwm_header_only.log); 2 succeeded\n");
  for (const std::string& stem : stems) {
    TempFolder alone;
    const std::string log = testing::copyRealLog(alone, stem);
    EXPECT_EQ(runKwhost(alone, {"import", log}).status, stem == "atwm_header_only" ? 1 : 0);
    EXPECT_EQ(together.read(stem + ".prt"), alone.read(stem + ".prt")) << stem;
  }
  EXPECT_EQ(readBack(together, "atwm_header_only.prt").conditions.size(), 0u);
}

// A layout given against the log's column names selects nothing: the log says so, kwhost
// names the likely cause, and the empty protocol never replaces a protocol already there.
TEST(KwhostRealLogs, WrongLayoutWarnsAndNeverReplacesAProtocolWithNothing) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const struct {
    const char* stem;
    const char* wrong;
    const char* warning;
    const char* cause;
    const char* lines;
  } cases[] = {
      {"idor_two_tables", "no-subject",
       "Warning: the log's columns begin with Subject, but the layout without Subject was "
       "chosen.",
       "the layout: no line is an event when read without a Subject column, but 512 are with "
       "one; give --layout subject",
       "Number of lines in first part of file: 518"},
      {"bsb_invest_nosubj", "subject",
       "Warning: the log's columns do not begin with Subject, but the layout with Subject was "
       "chosen.",
       "the layout: no line is an event when read with a Subject column, but 8 are without one; "
       "give --layout no-subject",
       "Number of lines in first part of file: 14"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stem);
    TempFolder folder;
    const std::string log = testing::copyRealLog(folder, c.stem);
    const std::string protocol = std::string(c.stem) + ".prt";
    testing::KwhostResult r =
        runKwhost(folder, {"import", log, "--layout", c.wrong, "--log", "log.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("kwhost: import " + log +
                                 ": no event was selected, so the protocol is empty; likely "
                                 "cause: " +
                                 c.cause + "\n"));
    const std::vector<std::string> lines = linesOf(folder.read("log.txt"));
    EXPECT_THAT(
        std::vector<std::string>(lines.begin(), lines.begin() + 5),
        ElementsAre("\\nstimforge> Started...", c.warning, "Read Presentation log file...",
                    "Number of trials: 0, Picture/Sound/Video/Response events: 0", c.lines));
    EXPECT_EQ(readBack(folder, protocol).conditions.size(), 0u);  // new: saved as asked

    ASSERT_EQ(runKwhost(folder, {"import", log}).status, 0);
    const std::string good = folder.read(protocol);
    r = runKwhost(folder, {"import", log, "--layout", c.wrong});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("kwhost: not replacing " + protocol +
                                 " with a protocol of no conditions; it is left as it was "
                                 "(give --force to replace it)\n"));
    EXPECT_EQ(folder.read(protocol), good);
  }
}

}  // namespace
}  // namespace stimforge::kwhost
