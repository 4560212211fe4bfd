#include "kwhost/study/path_pattern.h"

#include <gtest/gtest.h>

#include <string>

namespace stimforge::kwhost {
namespace {

std::string text(const PatternValues& values) {
  std::string out;
  for (const BidsEntity& entity : values)
    out += (out.empty() ? "" : " ") + entity.key + "=" + entity.value;
  return out;
}

struct MatchCase {
  const char* pattern;
  const char* path;
  PatternMatch::Kind kind;
  const char* values;  // the first way, "" for none
  const char* other;   // the second way of an ambiguous path
};

TEST(PathPattern, Matches) {
  using Kind = PatternMatch::Kind;
  const char* const lab = "sub{sub}/ses{ses}/sub{sub}_{task}_run{run}.log";
  const MatchCase cases[] = {
      {lab, "sub01/ses1/sub01_faces_run1.log", Kind::kOne, "sub=01 ses=1 task=faces run=1", ""},
      // A placeholder given twice must match the same text.
      {lab, "sub02/ses1/sub01_faces_run1.log", Kind::kNone, "", ""},
      {lab, "sub01/sub01_faces_run1.log", Kind::kNone, "", ""},
      {lab, "sub01/ses1/extra/sub01_faces_run1.log", Kind::kNone, "", ""},
      // A placeholder takes at least one character and never a "/".
      {"{sub}_{task}.log", "_faces.log", Kind::kNone, "", ""},
      {"{sub}_{task}.log", "a/b_faces.log", Kind::kNone, "", ""},
      // A placeholder may hold the separators around it when only one reading is left.
      {"sub{sub}/{task}_run{run}.log", "sub01/faces_2_run3.log", Kind::kOne,
       "sub=01 task=faces_2 run=3", ""},
      // Two readings: refused with both.
      {"sub{sub}_{task}_{run}.log", "sub01_faces_a_1.log", Kind::kAmbiguous,
       "sub=01 task=faces run=a_1", "sub=01 task=faces_a run=1"},
      // An earlier folder that reads two ways is settled by a later one.
      {"sub{sub}_{task}/{sub}.log", "sub01_x_y/01.log", Kind::kOne, "sub=01 task=x_y", ""},
      {"{sub}_{task}_{sub}.log", "01_faces_01.log", Kind::kOne, "sub=01 task=faces", ""},
      {"{sub}_{task}_{sub}.log", "01_faces_02.log", Kind::kNone, "", ""},
      // "*" takes zero or more characters, and readings that differ only there are one.
      {"sub{sub}_{task}_*.log", "sub01_faces_.log", Kind::kOne, "sub=01 task=faces", ""},
      {"sub{sub}_{task}_*.log", "sub01_faces_2024.log", Kind::kOne, "sub=01 task=faces", ""},
      {"sub{sub}/*a*_{task}.log", "sub01/aaa_faces.log", Kind::kOne, "sub=01 task=faces", ""},
      {"sub{sub}/*_{task}.log", "sub01/x_y_faces.log", Kind::kAmbiguous, "sub=01 task=faces",
       "sub=01 task=y_faces"},
      {"*/{sub}_{task}.log", "a/b/01_x.log", Kind::kNone, "", ""},
      // Literal braces.
      {"{{{sub}}}/{task}.log", "{01}/faces.log", Kind::kOne, "sub=01 task=faces", ""},
      {"{{{sub}}}/{task}.log", "01/faces.log", Kind::kNone, "", ""},
  };
  for (const MatchCase& c : cases) {
    PathPattern pattern;
    std::string problem;
    ASSERT_TRUE(PathPattern::compile(c.pattern, pattern, problem)) << c.pattern << ": " << problem;
    const PatternMatch match = pattern.match(c.path);
    EXPECT_EQ(match.kind, c.kind) << c.pattern << " on " << c.path;
    EXPECT_EQ(text(match.values), c.values) << c.pattern << " on " << c.path;
    EXPECT_EQ(text(match.other), c.other) << c.pattern << " on " << c.path;
  }
}

TEST(PathPattern, LongNamesEndQuickly) {
  const std::string as(300, 'a');
  struct {
    const char* pattern;
    std::string path;
    PatternMatch::Kind kind;
  } const cases[] = {
      // Backtracking alone would try the stars' splits one by one.
      {"{sub}/*a*a*a*a*a*a*a*a*a*ab_{task}.log", "01/" + as + "_x.log", PatternMatch::Kind::kNone},
      {"{sub}{task}{run}{acq}{ce}.log", as + ".log", PatternMatch::Kind::kTooMany},
      {"{sub}_{task}*.log", "01_" + as + ".log", PatternMatch::Kind::kTooMany},
  };
  for (const auto& c : cases) {
    PathPattern pattern;
    std::string problem;
    ASSERT_TRUE(PathPattern::compile(c.pattern, pattern, problem)) << problem;
    EXPECT_EQ(pattern.match(c.path).kind, c.kind) << c.pattern;
  }
}

TEST(PathPattern, RefusesBadPatterns) {
  const struct {
    const char* pattern;
    const char* problem;
  } cases[] = {
      {"", "the pattern is empty"},
      {"{sub}/{foo}.log",
       "unknown placeholder \"{foo}\" at column 7; the placeholders are sub, ses, task, acq, "
       "ce, rec, dir, run, echo, part"},
      {"{sub}/{task.log", "an unclosed \"{\" at column 7; write \"{{\" for a literal brace"},
      {"{sub}/}{task}.log", "a lone \"}\" at column 7; write \"}}\" for a literal brace"},
      {"{sub}//{task}.log", "an empty folder name at column 7"},
      {"/{sub}_{task}.log", "an empty folder name at column 1"},
      {"{sub}_{task}/", "an empty file name at the end"},
      {"{sub}_run{run}.log", "the pattern captures no {task}, which every BIDS run name needs"},
  };
  for (const auto& c : cases) {
    PathPattern pattern;
    std::string problem;
    EXPECT_FALSE(PathPattern::compile(c.pattern, pattern, problem)) << c.pattern;
    EXPECT_EQ(problem, c.problem) << c.pattern;
  }
}

}  // namespace
}  // namespace stimforge::kwhost
