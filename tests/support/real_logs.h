// The real Presentation logs the tests read in place (never written): where they lie, how a
// test skips when they are not there, and what each says when imported, for the plug-in's
// import tests (tests/logimport) and kwhost's (tests/kwhost) alike. The figures are read
// off the files: the event table ends at the first line that repeats the line before it; a
// Subject column where the log's column names begin with Subject.
#ifndef STIMFORGE_TESTS_SUPPORT_REAL_LOGS_H_
#define STIMFORGE_TESTS_SUPPORT_REAL_LOGS_H_

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace stimforge::testing {

// The folder of real logs beside the repository (../shared/presentation-logs), as the
// build found it (SF_PRESENTATION_LOGS_DIR).
inline std::string realLogsFolder() {
  return SF_PRESENTATION_LOGS_DIR;
}

inline bool realLogsPresent() {
  return std::filesystem::is_regular_file(realLogsFolder() + "/README.md");
}

// Skips the current test, saying why, when the real logs are not there.
#define SF_SKIP_WITHOUT_REAL_LOGS()                                                     \
  do {                                                                                  \
    if (!::stimforge::testing::realLogsPresent())                                       \
      GTEST_SKIP() << "the real Presentation logs are not in "                          \
                   << ::stimforge::testing::realLogsFolder()                            \
                   << " (the folder shared/presentation-logs beside the project); the " \
                      "tests on real logs are skipped";                                 \
  } while (false)

struct RealLogInterval {
  int32_t start;
  int32_t end;
};

// One real log imported with one set of choices, and what the import gives.
struct RealLogImport {
  const char* stem;      // the log is STEM.log
  bool subjectColumn;    // the layout with a Subject column
  bool picturesOnly;     // only Picture events
  const char* duration;  // "column", "next" or null (the default, next)
  int32_t tr;            // the repetition time asked for; 0 for the default, 2000
  int eventLines;        // "Trial: ... EventType: ..." lines
  const char* summary;
  const char* partLines;
  size_t events;                             // selected events: intervals in the protocol
  std::vector<std::string> firstConditions;  // the first of them, in order
  size_t conditionCount;
  RealLogInterval first;  // the first interval of the first condition
  std::string lastCode;
  RealLogInterval last;  // the last interval of the last event's condition
};

inline std::vector<RealLogImport> realLogImports() {
  return {
      // Codes with blanks and colons (Manual lines, not selected); the table ends with two
      // empty lines before a second table; the last event a Response.
      {"idor_two_tables",
       true,
       false,
       nullptr,
       0,
       512,
       "Number of trials: 46, Picture/Sound/Video/Response events: 269",
       "Number of lines in first part of file: 518",
       269,
       {"cueNeutro", "fixAfterCue", "rewNeutro1", "press", "1", "fix2"},
       35,
       {9433, 10930},
       "1",
       {475600, 475600}},
      {"idor_two_tables",
       true,
       true,
       nullptr,
       0,
       512,
       "Number of trials: 46, Picture/Sound/Video/Response events: 225",
       "Number of lines in first part of file: 518",
       225,
       {"cueNeutro", "fixAfterCue", "rewNeutro1", "press", "fix2"},
       34,
       {9433, 10930},
       "fix2",
       {475501, 482850}},
      // Sound events with an empty Duration (length 0 from the column); Port Input lines;
      // the file has no repeat.
      {"idor_sound",
       true,
       false,
       "column",
       0,
       528,
       "Number of trials: 24, Picture/Sound/Video/Response events: 48",
       "Number of lines in first part of file: 533",
       48,
       {"REPOUSO", "RELAXAR", "TAREFA", "EXECUTAR"},
       4,
       {17347, 18346},
       "EXECUTAR",
       {477403, 477403}},
      {"idor_sound",
       true,
       false,
       "next",
       2500,
       528,
       "Number of trials: 24, Picture/Sound/Video/Response events: 48",
       "Number of lines in first part of file: 533",
       48,
       {"REPOUSO", "RELAXAR", "TAREFA", "EXECUTAR"},
       4,
       {17347, 17351},
       "EXECUTAR",
       {477403, 477403}},
      // A first event with a negative Time keeps its negative start; Nothing lines with
      // empty fields.
      {"oxa_ep_negtime",
       true,
       false,
       nullptr,
       0,
       301,
       "Number of trials: 141, Picture/Sound/Video/Response events: 261",
       "Number of lines in first part of file: 306",
       261,
       {"fixation_cross", "self_low", "shockpic", "2", "5", "3", "notrial", "other_high",
        "self_high", "other_low", "1", "4"},
       12,
       {-983, 3046},
       "fixation_cross",
       {535467, 539481}},
      // No Subject column; CR LF line ends; a two-word event type.
      {"bsb_invest_nosubj",
       false,
       true,
       nullptr,
       0,
       8,
       "Number of trials: 6, Picture/Sound/Video/Response events: 4",
       "Number of lines in first part of file: 14",
       4,
       {"TGinvestment", "E4_application", "pic"},
       3,
       {5, 23549},
       "pic",
       {31537, 33882}},
      // The header alone: an empty protocol is still saved.
      {"atwm_header_only",
       true,
       false,
       nullptr,
       0,
       0,
       "Number of trials: 0, Picture/Sound/Video/Response events: 0",
       "Number of lines in first part of file: 5",
       0,
       {},
       0,
       {0, 0},
       "",
       {0, 0}},
  };
}

// A test name for an import: the stem and its choices.
inline std::string realLogImportName(const RealLogImport& c) {
  std::string name = c.stem;
  name += c.subjectColumn ? "_subject" : "_nosubject";
  name += c.picturesOnly ? "_pictures" : "_all";
  if (c.duration != nullptr)
    name += std::string("_") + c.duration;
  if (c.tr != 0)
    name += "_tr" + std::to_string(c.tr);
  return name;
}

inline void PrintTo(const RealLogImport& c, std::ostream* out) {
  *out << realLogImportName(c);
}

}  // namespace stimforge::testing

#endif  // STIMFORGE_TESTS_SUPPORT_REAL_LOGS_H_
