#include "kwhost/study/study_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "study_test_folder.h"

namespace stimforge::kwhost {
namespace {

namespace fs = std::filesystem;

TEST(StudyFile, ReadsEveryKey) {
  const fs::path path = fs::u8path(SF_STUDY_KEYS);
  StudyFile study;
  std::string problem;
  ASSERT_TRUE(loadStudyFile(path, study, problem)) << problem;
  ASSERT_EQ(study.patterns.size(), 2u);
  EXPECT_EQ(study.patterns[1].text(), "pilot/sub{sub}_{task}.log");
  EXPECT_EQ(study.renames.at("task").at("n-back"), "nback");
  EXPECT_EQ(study.renames.at("ses").at("post"), "2");

  // A task's own table overrides the defaults key by key.
  const RunSettings faces = study.settingsFor("faces").run;
  EXPECT_EQ(*faces.types, (std::vector<std::string>{"Picture", "Sound"}));
  EXPECT_EQ(faces.map, (path.parent_path() / "../../../samples/study/faces_map.tsv").u8string());
  EXPECT_EQ(faces.trigger->type, "Pulse");
  EXPECT_EQ(faces.duration, EventDuration::kNext);
  EXPECT_EQ(faces.columns, (std::vector<std::string>{"stim_type", "ttime"}));
  EXPECT_TRUE(faces.skip->automatic);
  const TaskSettings nback = study.settingsFor("nback");
  EXPECT_EQ(nback.run.trigger->type, "Response");
  EXPECT_EQ(*nback.run.trigger->code, "5");
  EXPECT_FALSE(nback.run.skip->automatic);
  EXPECT_EQ(nback.run.skip->count, 4);
  EXPECT_FALSE(nback.given(Setting::kTypes) || nback.given(Setting::kMap) ||
               nback.given(Setting::kDuration) || nback.given(Setting::kColumns));
  const RunSettings other = study.settingsFor("rest").run;
  EXPECT_EQ(other.trigger->type, "Pulse");
  EXPECT_FALSE(other.types);

  // The design tables too: [defaults.design], then the task's own key by key.
  const TaskSettings facesAll = study.settingsFor("faces");
  const DesignChoices& design = facesAll.design;
  EXPECT_EQ(design.conditions, (std::vector<std::string>{"faces", "houses"}));
  EXPECT_EQ(design.contrasts, (std::vector<std::string>{"faces-houses=faces-houses"}));
  EXPECT_EQ(design.highPassSeconds, 100.0);
  EXPECT_EQ(design.maxVif, 10.0);
  EXPECT_EQ(design.maxCorrelation, 0.7);
  EXPECT_EQ(design.minEvents, 4);
  EXPECT_EQ(facesAll.contrastsPlace, path.u8string() + ":36: task.faces.design.contrasts: ");
  EXPECT_EQ(nback.design.maxVif, 10.0);
  EXPECT_FALSE(nback.design.highPassSeconds || !nback.design.contrasts.empty());
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
      {"matches = []\n",
       "1: matches: unknown key; the keys are match, exclude, rename, defaults and task"},
      {"exclude = [\"{sub}.log\"]\n",
       "1: exclude: \"{sub}.log\": an exclude pattern has no placeholders, only * and text"},
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
       "3: task.faces.skipp: unknown key; the settings are types, map, unmapped, trigger, "
       "duration, columns, skip, zero, keep_triggers, scan, trial_type and split_scans, and "
       "the table design"},
      {"[defaults]\nskip = -1\n",
       "2: defaults.skip: \"-1\" is not auto or a whole number of triggers"},
      {"[defaults]\nskip = \"4\"\n",
       "2: defaults.skip: \"4\": give \"auto\" or a whole number without quotes"},
      {"[task.faces]\nskip = 2.5\n",
       "2: task.faces.skip: \"2.5\" is not auto or a whole number of triggers"},
      {"[task.faces]\nduration = \"onset\"\n",
       "2: task.faces.duration: \"onset\" is neither column (the Duration column) nor next (the "
       "time to the next row)"},
      {"[task.faces]\ntrigger = \"Pulse:\"\n",
       "2: task.faces.trigger: \"Pulse:\" is not TYPE or TYPE:CODE (neither may be empty)"},
      {"[task.faces]\nscan = 0\n",
       "2: task.faces.scan: 0 is no scan: the scans of a log count from 1"},
      {"[task.faces]\nzero = \"first\"\n",
       "2: task.faces.zero: \"first\" is none of auto, scenario, a time in ms (at most one "
       "decimal) or code:NAME"},
      {"[task.faces]\nkeep_triggers = \"yes\"\n",
       "2: task.faces.keep_triggers: expected true or false, not a string"},
      {"[task.faces]\nscan = 2\nsplit_scans = true\n",
       "1: task.faces: scan and split_scans = true cannot be combined: the one picks a scan of "
       "each log, the other makes each scan a run"},
      {"[task.faces]\nzero = 9423.9\nscan = 2\nkeep_triggers = true\nunmapped = \"drop\"\n", ""},
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
      {"[task.faces.design]\nconditions = [\"A\"]\ncontrasts = [\"x=A-B\"]\nhigh_pass = 0\n"
       "max_vif = 1\nmax_correlation = 1\nmin_events = 0\n",
       ""},
      {"[task.faces]\ndesign = 5\n",
       "2: task.faces.design: expected a table of design settings, not a whole number"},
      {"[task.faces.design]\nvif = 5\n",
       "2: task.faces.design.vif: unknown key; the design settings are conditions, contrasts, "
       "high_pass, max_vif, max_correlation and min_events"},
      {"[task.faces.design]\nconditions = [\"A\", \"A\"]\n",
       "2: task.faces.design.conditions: the condition \"A\" is given twice"},
      {"[task.faces.design]\ncontrasts = [\"AminusB\"]\n",
       "2: task.faces.design.contrasts: \"AminusB\" is not NAME=A-B"},
      {"[task.faces.design]\ncontrasts = [\"x=A-B\", \"x=B-A\"]\n",
       "2: task.faces.design.contrasts: the contrast \"x\" is given twice"},
      {"[defaults.design]\nhigh_pass = -1\n",
       "2: defaults.design.high_pass: -1 is not a cutoff from 0 (no cosine) to 1e+09 seconds"},
      {"[task.faces.design]\nmax_vif = 0.5\n",
       "2: task.faces.design.max_vif: 0.5 is no VIF threshold: a VIF is 1 or more"},
      {"[task.faces.design]\nmax_correlation = \"high\"\n",
       "2: task.faces.design.max_correlation: expected a number, not a string"},
      {"[task.faces.design]\nmin_events = 2.5\n",
       "2: task.faces.design.min_events: expected a whole number, not a number with a fraction"},
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
