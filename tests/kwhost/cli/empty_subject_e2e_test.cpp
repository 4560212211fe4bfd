// A log written with no subject name typed: every event line begins with an empty Subject
// cell, and the file's name begins with "-". Each command reads it as the same log with its
// subject named.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "kwhost_e2e_support.h"
#include "kwhost_runner.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using ::testing::HasSubstr;
using testing::readBack;
using testing::runKwhost;
using testing::TempFolder;

// idor_two_tables.log with its Subject cells emptied, saved as "-run1.log"; the original
// beside it as "named.log".
void writeLogs(const TempFolder& folder) {
  std::ifstream in(testing::realLogsFolder() + "/idor_two_tables.log", std::ios::binary);
  std::stringstream original;
  original << in.rdbuf();
  const std::string text = original.str();
  std::string emptied;
  for (size_t begin = 0; begin < text.size();) {
    size_t end = text.find('\n', begin);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(begin, end - begin);
    emptied += line.rfind("S1708037\t", 0) == 0 ? line.substr(8) : line;
    begin = end;
  }
  ASSERT_NE(emptied, text);
  folder.write("-run1.log", emptied);
  folder.write("named.log", text);
}

TEST(KwhostEmptySubject, EveryCommandReadsTheLogAsWithItsSubjectNamed) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const TempFolder folder;
  writeLogs(folder);
  const struct {
    std::vector<std::string> args;
    std::string output;  // what the emptied log writes, compared with the named one's
  } commands[] = {
      {{"triggers", "--json"}, ""},
      {{"events"}, "_events.tsv"},
      {{"import", "--quiet"}, ".prt"},
      {{"plot"}, ".log.svg"},
  };
  for (const auto& c : commands) {
    SCOPED_TRACE(c.args[0]);
    std::vector<std::string> emptied = c.args;
    emptied.insert(emptied.end(), {"--", "-run1.log"});
    std::vector<std::string> named = c.args;
    named.push_back("named.log");
    const auto a = runKwhost(folder, emptied);
    const auto b = runKwhost(folder, named);
    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(b.status, 0) << b.err;
    if (c.output.empty()) {
      EXPECT_THAT(a.out, HasSubstr("\"trigger_count\": 240"));
    } else if (c.output == ".prt") {
      const Protocol protocol = readBack(folder, "-run1.prt");
      EXPECT_EQ(protocol.conditions.size(), 35u);
      EXPECT_TRUE(protocol.conditions == readBack(folder, "named.prt").conditions);
    } else if (c.output == "_events.tsv") {
      EXPECT_EQ(folder.read("-run1" + c.output), folder.read("named" + c.output));
    } else {
      EXPECT_THAT(a.err, HasSubstr("35 rows, 269 intervals and events"));
    }
  }
}

TEST(KwhostEmptySubject, APathThatBeginsWithADashWithoutTheSeparatorGetsAHint) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  const TempFolder folder;
  writeLogs(folder);
  const auto result = runKwhost(folder, {"triggers", "-run1.log"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err,
            "kwhost: LOG is required\n\"-run1.log\" was read as options: give paths that begin "
            "with \"-\" after \"--\", as in \"kwhost triggers -- -run1.log\"\nRun with --help "
            "for more information.\n");
}

}  // namespace
}  // namespace stimforge::kwhost
