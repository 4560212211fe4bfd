#include "kwhost/study/study_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "study_test_folder.h"

namespace stimforge::kwhost {
namespace {

namespace fs = std::filesystem;

TEST(StudyFile, ReadsTheSample) {
  const fs::path path = fs::path(SF_SAMPLES_DIR) / "study" / "study.toml";
  StudyFile study;
  std::string problem;
  ASSERT_TRUE(loadStudyFile(path, study, problem)) << problem;
  ASSERT_EQ(study.patterns.size(), 2u);
  EXPECT_EQ(study.patterns[1].text(), "pilot/sub{sub}_{task}.log");
  EXPECT_EQ(study.renames.at("task").at("n-back"), "nback");
  EXPECT_EQ(study.renames.at("ses").at("post"), "2");

  // A task's own table overrides the defaults key by key.
  const TaskSettings faces = study.settingsFor("faces");
  EXPECT_EQ(*faces.types, (std::vector<std::string>{"Picture", "Sound"}));
  EXPECT_EQ(*faces.map, path.parent_path() / "faces_map.tsv");
  EXPECT_EQ(*faces.trigger, "Pulse");
  EXPECT_EQ(*faces.duration, DurationSetting::kNext);
  EXPECT_EQ(*faces.columns, (std::vector<std::string>{"stim_type", "ttime"}));
  EXPECT_TRUE(faces.skip->automatic);
  const TaskSettings nback = study.settingsFor("nback");
  EXPECT_EQ(*nback.trigger, "Response:5");
  EXPECT_FALSE(nback.skip->automatic);
  EXPECT_EQ(nback.skip->count, 4);
  EXPECT_FALSE(nback.types || nback.map || nback.duration || nback.columns);
  const TaskSettings other = study.settingsFor("rest");
  EXPECT_EQ(*other.trigger, "Pulse");
  EXPECT_FALSE(other.types);
}

TEST(StudyFile, RefusesWithFileLineAndKey) {
  TestFolder folder;
  folder.write("maps/faces.tsv");
  const fs::path path = folder.path() / "study.toml";
  const std::string file = path.u8string();
  const struct {
    const char* text;
    const char* problem;  // after "FILE:"
  } cases[] = {
      {"match = [\"{sub}_{task}.log\"]\n[task.faces]\nmap = \"maps/faces.tsv\"\nskip = 0\n", ""},
      {"[task.faces]\ncolumns = []\n", ""},
      {"match = [\"{sub}_{task}.log\"\n", "1:29: "},  // TOML syntax: the parser's own words
      {"matches = []\n", "1: matches: unknown key; the keys are match, rename, defaults and task"},
      {"match = \"{sub}_{task}.log\"\n", "1: match: expected a list of patterns, not a string"},
      {"match = [\"{sub}.log\"]\n",
       "1: match: \"{sub}.log\": the pattern captures no {task}, which every BIDS run name "
       "needs"},
      {"match = [\"{sub}_{task}.log\", \"{sub}_{task}.log\"]\n",
       "1: match: \"{sub}_{task}.log\" is given twice"},
      {"[rename.subject]\nS1 = \"01\"\n",
       "1: rename.subject: unknown entity; the entities are sub, ses, task, acq, ce, rec, dir, "
       "run, echo, part"},
      {"[rename.task]\nfaces1 = \"faces-1\"\n",
       "2: rename.task.faces1: \"faces-1\" is no BIDS task label (letters and digits)"},
      {"[rename.run]\none = \"1a\"\n",
       "2: rename.run.one: \"1a\" is no BIDS run index (digits only)"},
      {"[rename.task]\nfaces1 = 1\n",
       "2: rename.task.faces1: expected a BIDS label in quotes, "
       "not a whole number"},
      {"[task.face_s]\nskip = 1\n", "1: task.face_s: a BIDS task label is letters and digits only"},
      {"[task.faces]\n\nskipp = 1\n",
       "3: task.faces.skipp: unknown key; the settings are types, map, trigger, duration, "
       "columns and skip"},
      {"[defaults]\nskip = -1\n",
       "2: defaults.skip: expected \"auto\" or a whole number from 0 to 1000000 (without "
       "quotes)"},
      {"[defaults]\nskip = \"4\"\n",
       "2: defaults.skip: expected \"auto\" or a whole number from 0 to 1000000 (without "
       "quotes)"},
      {"[task.faces]\nskip = 2.5\n",
       "2: task.faces.skip: expected \"auto\" or a whole number from 0 to 1000000 (without "
       "quotes)"},
      {"[task.faces]\nduration = \"onset\"\n",
       "2: task.faces.duration: expected \"column\" or \"next\""},
      {"[task.faces]\ntrigger = \"Pulse:\"\n",
       "2: task.faces.trigger: expected \"TYPE\" or \"TYPE:CODE\", as \"Pulse\""},
      {"[task.faces]\ntypes = []\n",
       "2: task.faces.types: no type given, so no event would be written"},
      {"[task.faces]\ntypes = [\"Picture\", 5]\n",
       "2: task.faces.types: expected a list of event types, not a whole number"},
      {"[task.faces]\ncolumns = [\"Stim Type\"]\n",
       "2: task.faces.columns: \"Stim Type\" is no column name (lower-case letters, digits and "
       "_)"},
      {"[task.faces]\nmap = \"maps/house.tsv\"\n",
       "2: task.faces.map: no file "},  // then the joined path
      {"task = 3\n", "1: task: expected a table of [task.LABEL] tables, not a whole number"},
  };
  for (const auto& c : cases) {
    StudyFile study;
    std::string problem;
    const bool ok = parseStudyFile(c.text, path, study, problem);
    EXPECT_EQ(ok, *c.problem == '\0') << c.text << problem;
    if (ok)
      continue;
    const std::string expected = file + ":" + c.problem;
    EXPECT_EQ(problem.substr(0, expected.size()), expected) << c.text;
    if (expected.back() != ' ') {
      EXPECT_EQ(problem, expected);
    }
  }
}

}  // namespace
}  // namespace stimforge::kwhost
