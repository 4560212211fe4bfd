#include "kwhost/scan/bold_sidecar.h"

#include <gtest/gtest.h>

#include <ostream>

namespace stimforge::kwhost {
namespace {

struct TextRow {
  const char* text;
  double trMs;        // 0: not stated
  int64_t byScanner;  // -1: not stated
  int64_t byUser;
  const char* problem;  // empty: accepted
};

// The text's printable characters, so that a test's name stays one line.
void PrintTo(const TextRow& row, std::ostream* out) {
  for (const char* c = row.text; *c != '\0'; ++c)
    *out << (*c >= 0x20 && *c < 0x7f ? *c : '.');
}

class SidecarText : public testing::TestWithParam<TextRow> {};

TEST_P(SidecarText, KeysOrOneLineNamingFileAndKey) {
  const TextRow& row = GetParam();
  SidecarKeys keys;
  std::string problem;
  const bool ok = parseSidecarText(row.text, "s_bold.json", keys, problem);
  EXPECT_EQ(problem, row.problem);
  ASSERT_EQ(ok, *row.problem == '\0');
  if (!ok)
    return;
  EXPECT_DOUBLE_EQ(keys.repetitionTimeMs.value_or(0), row.trMs);
  EXPECT_EQ(keys.discardedByScanner.value_or(-1), row.byScanner);
  EXPECT_EQ(keys.discardedByUser.value_or(-1), row.byUser);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SidecarText,
    testing::Values(
        TextRow{R"({"RepetitionTime": 2, "TaskName": "x"})", 2000, -1, -1, ""},
        TextRow{R"({"RepetitionTime": 0.7234})", 723.4, -1, -1, ""},
        TextRow{"\xEF\xBB\xBF{\"NumberOfVolumesDiscardedByScanner\": 4.0, "
                "\"NumberOfVolumesDiscardedByUser\": 0}",
                0, 4, 0, ""},
        TextRow{"{}", 0, -1, -1, ""},
        TextRow{"{\n  \"RepetitionTime\": 2,\n  \"TaskName\": x\n}", 0, -1, -1,
                "s_bold.json: not JSON: line 3, column 15: syntax error while parsing value - "
                "invalid literal; last read: '\"TaskName\": x'"},
        TextRow{"", 0, -1, -1,
                "s_bold.json: not JSON: line 1, column 1: syntax error while parsing value - "
                "unexpected end of input; expected '[', '{', or a literal"},
        TextRow{"[2]", 0, -1, -1, "s_bold.json: not a JSON object"},
        TextRow{R"({"RepetitionTime": "2"})", 0, -1, -1,
                "s_bold.json: RepetitionTime is a string: it must be a number of seconds from "
                "0.0001 to 3600"},
        TextRow{R"({"RepetitionTime": 0})", 0, -1, -1,
                "s_bold.json: RepetitionTime is 0: it must be a number of seconds from 0.0001 "
                "to 3600"},
        TextRow{R"({"RepetitionTime": 1e300})", 0, -1, -1,
                "s_bold.json: RepetitionTime is 1e+300: it must be a number of seconds from "
                "0.0001 to 3600"},
        TextRow{R"({"NumberOfVolumesDiscardedByScanner": 2.5})", 0, -1, -1,
                "s_bold.json: NumberOfVolumesDiscardedByScanner is 2.5: it must be a whole "
                "number, 0 or more"},
        TextRow{R"({"NumberOfVolumesDiscardedByUser": -1})", 0, -1, -1,
                "s_bold.json: NumberOfVolumesDiscardedByUser is -1: it must be a whole number, 0 "
                "or more"},
        TextRow{R"({"NumberOfVolumesDiscardedByUser": null})", 0, -1, -1,
                "s_bold.json: NumberOfVolumesDiscardedByUser is a null: it must be a whole "
                "number, 0 or more"}),
    [](const testing::TestParamInfo<TextRow>& info) { return std::to_string(info.index); });

}  // namespace
}  // namespace stimforge::kwhost
