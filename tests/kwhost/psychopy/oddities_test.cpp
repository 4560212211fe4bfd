// The data file make_oddities.py writes with Python's csv module: its whole model, events,
// notes, clocks and trigger at once; the trigger choices and trial_type templates in tables.
// Also the fuzzer's committed corpus, replayed through its target.
#include <gtest/gtest.h>

#include "fuzz_corpus_replay.h"
#include "fuzz_targets.h"
#include "kwhost/common/read_file.h"
#include "kwhost/psychopy/cell_values.h"
#include "kwhost/psychopy/data_file.h"
#include "kwhost/psychopy/events.h"
#include "kwhost/psychopy/trigger.h"
#include "kwhost/settings/trial_type.h"
#include "kwhost/triggers/trigger_grid.h"

namespace stimforge::kwhost {
namespace {

std::string render(const PsychopyDataFile& file, const PsychopyEvents& events) {
  std::string text;
  for (const PsychopyEvent& e : events.events) {
    const bool press = e.kind == PsychopyEventKind::kKeyPress;
    text += std::to_string(e.line) + " " + file.components[e.component].name +
            (press ? " press " : " shown ") + exactSecondsText(e.onset);
    if (e.hasDuration)
      text += " for " + exactSecondsText(e.duration);
    if (press)
      text += " '" + events.keys[e.key] + "'";
    if (e.loop >= 0)
      text += " " + file.loops[e.loop].name + " " + std::to_string(e.trial);
    text += "\n";
  }
  for (const PsychopyNote& note : events.notes)
    text += describePsychopyNote(file, note) + "\n";
  for (const PsychopyOtherClock& other : events.otherClock)
    text += describeOtherClock(file, other) + "\n";
  return text;
}

TEST(PsychopyOddities, TheWholeFileReadsAsWorkedOut) {
  std::string text, error;
  ASSERT_TRUE(readWholeFile(SF_PSYCHOPY_ODDITIES, text, error)) << error;
  PsychopyDataFile file;
  PsychopyRefusal refusal;
  ASSERT_TRUE(readPsychopyDataFile(text, file, refusal)) << refusal.message;
  const PsychopyEvents events = psychopyEvents(file);
  EXPECT_EQ(render(file, events),
            "2 wait shown 1.5\n2 scan_key shown 1.5\n2 scan_key press 10.0 '5'\n"
            "3 stim shown 10.0500000000000000001 for 0.9999999999999999999 trials 0\n"
            "3 resp shown 10.05 trials 0\n3 resp press 10.55 '1' trials 0\n"
            "3 resp press 10.050012 '2' trials 0\n3 slider shown 0.005 trials 0\n"
            "4 stim shown 12.3 trials 1\n4 resp shown 12.3 trials 1\n"
            "4 slider shown 0.007 trials 1\n"
            "6 resp shown 14.0 trials 2\n6 resp press 14.25 '3' trials 2\n"
            "7 wait shown 17.0 trials 3\n7 scan_key shown 17.0 trials 3\n"
            "7 scan_key press 24.0 '5' trials 3\n7 stim shown 16.0 trials 3\n"
            "7 resp shown 16.0 trials 3\n"
            "8 scan_key shown 27.0 trials 4\n8 scan_key press 30.0 '5' trials 4\n"
            "8 scan_key press 32.5 '5' trials 4\n8 resp shown 26.0 trials 4\n"
            "8 resp press 26.1 '1' trials 4\n9 stim shown 40.0\n"
            "resp: 3 key presses without a time (rt None or missing, or no start), the first "
            "on line 4: no events\n"
            "stim: 1 value repeated from an earlier row, the first on line 6: no second event\n"
            "stim: 1 stop before the start, the first on line 7: no duration\n"
            "resp: 1 value repeated from an earlier row, the first on line 7: no second event\n"
            "stim: 1 cell that is neither a time nor None, the first on line 8: no events\n"
            "slider.started is not on the experiment's clock (a routine's own?): 0.005000 s on "
            "line 3, where the rows before started at 1.500000 s or later; lines 3 and 4\n");

  std::string further;
  for (const size_t n : file.furtherColumns)
    further += file.names[n].name + ",";
  EXPECT_EQ(further,
            "condition,load,target,slider.rt,note,participant,psychopyVersion,expName,"
            "date,frameRate,");
  EXPECT_EQ(file.cell(0, file.findName("note")), "said \"hi\", then left");
  EXPECT_EQ(file.cell(2, file.findName("condition")), "two\nlines");
  EXPECT_EQ(file.facts.participant, "p01");

  PsychopyTrigger t;
  std::string problem;
  ASSERT_TRUE(findPsychopyTrigger(file, events, nullptr, t, problem)) << problem;
  EXPECT_EQ(t.how,
            "scan_key, key '5': the one keyboard that recorded a single key before a "
            "stimulus; 4 triggers stored on 3 rows: the component waits again during "
            "the run, so only some triggers are known");
  const TrGridCheck grid = checkTrGrid(t.sinceFirstUs(), 2000000);
  EXPECT_EQ(grid.multiples, (std::vector<int64_t>{0, 7, 10, 11}));
  EXPECT_EQ(grid.offGrid, std::vector<size_t>{3});
  EXPECT_EQ(grid.deviationsUs.back(), 500000);

  TrialTypeTemplate tmpl;
  ASSERT_TRUE(parseTrialTypeTemplate("{condition}/{load}_{{x}}", tmpl, problem));
  std::string expanded;
  for (size_t row = 0; row < 3; ++row) {
    const auto value =
        expandTrialTypeTemplate(tmpl, [&](size_t k) -> std::optional<std::string_view> {
          const std::string_view cell = file.cell(row, file.findName(tmpl.columns()[k]));
          return isMissingCell(cell) ? std::nullopt : std::optional<std::string_view>(cell);
        });
    expanded += value.value_or("n/a") + "|";
  }
  EXPECT_EQ(expanded, "n/a|a,b/2_{x}|n/a|");
  std::vector<std::string> names;
  for (const PsychopyColumnName& n : file.names)
    names.push_back(n.name);
  ASSERT_TRUE(parseTrialTypeTemplate("{condtion}", tmpl, problem));
  EXPECT_FALSE(checkTemplateColumns(tmpl, names, problem));
  EXPECT_EQ(problem, "the template names {condtion}, which is not a column of the file");
}

TEST(PsychopyOddities, TriggerChoicesAndTemplatesAreRefusedSayingWhy) {
  const std::pair<const char*, const char*> choices[] = {
      {"scanner_t", "scanner_t|"},
      {"key_resp:equal", "key_resp|equal"},
      {"k:a:b", "k|a:b"},
      {"",
       "\"\" is not a component's name (letters, digits and underscores, not starting with "
       "a digit)"},
      {"1st",
       "\"1st\" is not a component's name (letters, digits and underscores, not "
       "starting with a digit)"},
      {"scan ner:5",
       "\"scan ner\" is not a component's name (letters, digits and underscores, "
       "not starting with a digit)"},
      {"scanner_t:", "scanner_t: names no key after the colon"},
  };
  for (const auto& [text, expected] : choices) {
    PsychopyTriggerChoice choice;
    std::string problem;
    const bool ok = parsePsychopyTriggerChoice(text, choice, problem);
    EXPECT_EQ(ok ? choice.component + "|" + choice.key : problem, expected);
  }
  const std::pair<const char*, const char*> templates[] = {
      {"", "the template is empty"},
      {"a{}", "the {} at character 2 names no column"},
      {"{load", "the { at character 1 is never closed (write {{ for a brace)"},
      {"{a{b}}", "the { at character 1 is never closed (write {{ for a brace)"},
      {"x}", "the } at character 2 closes nothing (write }} for a brace)"},
  };
  for (const auto& [text, expected] : templates) {
    TrialTypeTemplate tmpl;
    std::string problem;
    EXPECT_FALSE(parseTrialTypeTemplate(text, tmpl, problem));
    EXPECT_EQ(problem, expected);
  }
}

TEST(PsychopyOddities, FuzzCorpusKeepsItsProperties) {
  EXPECT_GT(testing::replayCorpus("psychopy", &fuzzing::fuzzPsychopy), 0u);
}

}  // namespace
}  // namespace stimforge::kwhost
