// The real files of shared/psychopy-data, read in place: each one's verdict, and for those
// read a few values worked out by hand from the file's cells (Python's Decimal for the sums).
#include <gtest/gtest.h>

#include <filesystem>

#include "kwhost/common/read_file.h"
#include "kwhost/psychopy/data_file.h"
#include "kwhost/psychopy/events.h"
#include "kwhost/psychopy/trigger.h"
#include "kwhost/triggers/trigger_grid.h"

namespace stimforge::kwhost {
namespace {

using K = PsychopyRefusalKind;

bool readShared(const std::string& folder, const std::string& name, std::string& text) {
  std::string error;
  return std::filesystem::exists(folder) && readWholeFile(folder + "/" + name, text, error);
}

struct Verdict {
  const char* file;
  const char* refusal;  // the message's start, nullptr when read
  K kind;
  size_t events;  // when read
};

const Verdict kVerdicts[] = {
    {"banda_gambling_fmri_trigequal_two_runs_v1.8x.csv",
     "an old PsychoPy data file: it has responses (instructions_key_resp.keys) but no "
     "X.started column, so when anything appeared is not in it and no onsets can be known",
     K::kNoOnsets, 0},
    {"fmriprojum_excel_resaved_semicolon.csv", "its columns are separated by ';', not ','",
     K::kNotADataFile, 0},
    {"fmriprojum_trcounter_lists_v2022.2.4.csv",
     "written by PsychoPy 2022.2.4 but without timing columns", K::kNotADataFile, 0},
    {"moore_localizer_trigT_v2021.1.3.log", "a PsychoPy text log", K::kNotADataFile, 0},
    {"cardioception_hrd_fmri_trig5_v2020.1.2_two_sessions.log", "a PsychoPy text log",
     K::kNotADataFile, 0},
    {"moore_localizer_trigT_v2021.1.3_authors_events.tsv", "its columns are separated by tabs",
     K::kNotADataFile, 0},
    {"cardioception_hrd_fmri_trig5_v2020.1.2.csv", nullptr, K::kDamaged, 39 + 1},
    {"lexdec_practice_main_loops_v2024.2.3.csv", nullptr, K::kDamaged, 1559 + 306},
    {"moore_dsp_trigT_duplicate_run_column_v2021.1.3.csv", nullptr, K::kDamaged, 56 + 10},
    {"moore_localizer_aborted_partial_lastrow.csv", nullptr, K::kDamaged, 1465 + 24},
    {"moore_localizer_trigT_v2021.1.3.csv", nullptr, K::kDamaged, 1479 + 30},
};

TEST(PsychopyRealFiles, EachIsReadOrRefusedSayingWhy) {
  for (const Verdict& v : kVerdicts) {
    SCOPED_TRACE(v.file);
    std::string text;
    if (!readShared(SF_PSYCHOPY_DATA_DIR, v.file, text))
      GTEST_SKIP() << "the real data files are not in " << SF_PSYCHOPY_DATA_DIR;
    EXPECT_EQ(isPsychopyTextLog(text.substr(0, 256)),
              std::string(v.file).find(".log") != std::string::npos);
    PsychopyDataFile file;
    PsychopyRefusal refusal;
    ASSERT_EQ(readPsychopyDataFile(text, file, refusal), v.refusal == nullptr) << refusal.message;
    if (v.refusal != nullptr) {
      EXPECT_EQ(refusal.message.rfind(v.refusal, 0), 0u) << refusal.message;
      EXPECT_EQ(refusal.kind, v.kind);
    } else {
      EXPECT_EQ(psychopyEvents(file).events.size(), v.events);
    }
  }
  std::string presentation;
  if (readShared(SF_PRESENTATION_LOGS_DIR, "idor_sound.log", presentation)) {
    EXPECT_FALSE(isPsychopyTextLog(presentation.substr(0, 256)));
  }
}

struct LoadedRun {
  PsychopyDataFile file;
  PsychopyEvents events;
  // The event of `component` and `kind` on `line`; fails the test when there is none.
  const PsychopyEvent& at(size_t line, const std::string& component,
                          PsychopyEventKind kind = PsychopyEventKind::kShown) const {
    for (const PsychopyEvent& e : events.events)
      if (e.line == line && e.kind == kind && file.components[e.component].name == component)
        return e;
    ADD_FAILURE() << "no event of " << component << " on line " << line;
    return events.events.front();
  }
  std::string loopOf(const PsychopyEvent& e) const {
    return e.loop < 0 ? "" : file.loops[e.loop].name + " " + std::to_string(e.trial);
  }
  std::string trigger(const char* choiceText, PsychopyTrigger& t) const {
    PsychopyTriggerChoice choice;
    std::string problem;
    const bool parsed =
        choiceText == nullptr || parsePsychopyTriggerChoice(choiceText, choice, problem);
    return parsed && findPsychopyTrigger(file, events, choiceText ? &choice : nullptr, t, problem)
               ? ""
               : problem;
  }
};

bool load(const char* name, LoadedRun& run) {
  std::string text;
  PsychopyRefusal refusal;
  if (!readShared(SF_PSYCHOPY_DATA_DIR, name, text) ||
      !readPsychopyDataFile(text, run.file, refusal))
    return false;
  run.events = psychopyEvents(run.file);
  return true;
}

TEST(PsychopyRealFiles, WorkedRowsTriggersAndClocks) {
  LoadedRun cardio, localizer, lexdec, dsp, aborted;
  if (!load("cardioception_hrd_fmri_trig5_v2020.1.2.csv", cardio) ||
      !load("moore_localizer_trigT_v2021.1.3.csv", localizer) ||
      !load("lexdec_practice_main_loops_v2024.2.3.csv", lexdec) ||
      !load("moore_dsp_trigT_duplicate_run_column_v2021.1.3.csv", dsp) ||
      !load("moore_localizer_aborted_partial_lastrow.csv", aborted))
    GTEST_SKIP() << "the real data files are not in " << SF_PSYCHOPY_DATA_DIR;
  PsychopyTrigger t;
  // key_resp.started 9.354879599995911 + key_resp.rt 1.6019096999953035, found alone.
  EXPECT_EQ(cardio.trigger(nullptr, t), "");
  EXPECT_EQ(t.how,
            "key_resp, key '5': the one keyboard that recorded a single key before a "
            "stimulus; 1 trigger stored (the first only)");
  EXPECT_EQ(exactSecondsText(t.times.at(0)), "10.9567892999912145");
  ASSERT_EQ(cardio.events.otherClock.size(), 2u);
  EXPECT_EQ(describeOtherClock(cardio.file, cardio.events.otherClock[1]),
            "rating.started is not on the experiment's clock (a routine's own?): 0.009080 s on "
            "line 4, where the rows before started at 9.354880 s or later; lines 4 and 16");
  EXPECT_EQ(cardio.loopOf(cardio.at(4, "fiCross2")), "trials_5 0");
  EXPECT_EQ(cardio.file.facts.session + "|" + cardio.file.facts.participant, "001|");

  // scanner_t waits again on block_start and null_block rows: 20 of the run's triggers.
  EXPECT_NE(localizer.trigger(nullptr, t).find("scanner_t ('t')"), std::string::npos);
  EXPECT_EQ(localizer.trigger("scanner_t", t), "");
  EXPECT_EQ(t.times.size(), 20u);
  EXPECT_FALSE(t.everyTrigger);
  EXPECT_EQ(exactSecondsText(t.times.front()), "174.36157069914044");
  const TrGridCheck grid = checkTrGrid(t.sinceFirstUs(), 2000000);
  EXPECT_TRUE(grid.offGrid.empty());
  EXPECT_EQ(grid.multiples.back(), 133);
  const PsychopyEvent& image = localizer.at(6, "image");
  EXPECT_EQ(exactSecondsText(image.onset) + " " + exactSecondsText(image.duration),
            "174.3931180005893 0.30488039925696");
  EXPECT_EQ(localizer.loopOf(image), "trials 0");

  // 2024.2: loop-prefixed copies read once; 4 presses with rt None.
  ASSERT_EQ(lexdec.events.notes.size(), 1u);
  EXPECT_EQ(describePsychopyNote(lexdec.file, lexdec.events.notes[0]),
            "stim_resp: 4 key presses without a time (rt None or missing, or no start), the "
            "first on line 4: no events");
  const PsychopyEvent& press = lexdec.at(6, "stim_resp", PsychopyEventKind::kKeyPress);
  EXPECT_EQ(exactSecondsText(press.onset), "11.48138759999983443");
  EXPECT_EQ(lexdec.events.keys.at(press.key) + " " + lexdec.loopOf(press),
            "ralt practice_trials 2");
  EXPECT_EQ(lexdec.loopOf(lexdec.at(15, "stimulus")), "trials 0");
  EXPECT_EQ(lexdec.trigger(nullptr, t),
            "no keyboard component recorded a single key before the first stimulus after its "
            "start, as a wait for the scanner does; the keyboards: stim_resp ('ralt', 'lalt')");
  EXPECT_GE(lexdec.file.findName("dominant hand"), 0);

  EXPECT_EQ(dsp.trigger("Ready_scanner_resp:t", t), "");
  EXPECT_EQ(exactSecondsText(t.times.at(0)), "273.5197083000093704");
  EXPECT_EQ(dsp.trigger("Ready_scanner_resp:5", t),
            "Ready_scanner_resp never recorded the key '5' with a time; it recorded 't'");
  const int run = dsp.file.findName("run");
  ASSERT_GE(run, 0);
  EXPECT_EQ(dsp.file.names[run].columns.size(), 2u);

  // The aborted run's partial last row: no loop counters, its press read.
  const PsychopyEvent& last = aborted.at(246, "scanner_t", PsychopyEventKind::kKeyPress);
  EXPECT_EQ(exactSecondsText(last.onset), "403.0994671999942366");
  EXPECT_EQ(last.loop, -1);
  EXPECT_EQ(aborted.file.facts.participant, "1");
}

}  // namespace
}  // namespace stimforge::kwhost
