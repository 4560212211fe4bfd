#include "logformat/log_check.h"

#include <gtest/gtest.h>

#include <string>

namespace stimforge {
namespace {

TEST(LogCheck, TellsLogsFromOtherFiles) {
  const std::string columns = "Trial\tEvent Type\tCode\tTime\n\n";
  const struct {
    std::string text;
    const char* problem;  // "" for a log
  } cases[] = {
      {"Scenario - a\r\nLogfile written - x\r\n\r\n" + columns, ""},
      {"\xEF\xBB\xBFScenario - a\n", ""},
      {"Scenario - a", ""},
      {"", "the file is empty: not a Presentation log"},
      {"\x7F"
       "ELF\x02\x01",
       "not a Presentation log: its first line does not begin with "
       "\"Scenario -\""},
      {std::string("\xFF\xFES\0c\0", 6),
       "the file is UTF-16 text; Presentation logs are read "
       "as 8-bit text (save it as ANSI or UTF-8)"},
      {std::string("S\0c\0e\0\n", 7),
       "the file is UTF-16 text; Presentation logs are read as "
       "8-bit text (save it as ANSI or UTF-8)"},
      {"Scenario - a\nLogfile written - x\n\nSubject,Trial,Event Type,Code,Time\n\n",
       "columns separated by commas, not tabs: this is not a log as Presentation writes it"},
  };
  for (const auto& c : cases) {
    MemoryLogSource source(c.text);
    std::string problem;
    EXPECT_EQ(checkPresentationLog(source, problem), *c.problem == '\0') << c.text;
    EXPECT_EQ(problem, c.problem) << c.text;
  }
}

}  // namespace
}  // namespace stimforge
