// Runs read through the pipeline from the real files beside the repository (read in place),
// PsychoPy data files and a Presentation log side by side: each one's verdict, time zero and a
// few rows. The onsets were worked out by hand from the cells with Python's Decimal (the cells'
// sum less time zero, rounded once to 6 decimals, half up): e.g. the localizer's time zero is
// scanner_t.started + scanner_t.rt = 159.2313516996801 + 15.13021899946034 = 174.36157069914044.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "kwhost/events/table.h"
#include "kwhost/runs/run_pipeline.h"
#include "runs/run_from_text.h"

namespace stimforge::kwhost {
namespace {

struct RealRun {
  const char* file;  // in the PsychoPy folder, or "samples/..." in the repository
  const char* trigger;
  const char* zero;
  const char* trialType;
  const char* tr;
  const char* refused;   // the refusal's message after "NAME: " begins so; nullptr: read
  const char* zeroText;  // the onset's description of time zero begins so
  size_t events;
  std::vector<const char*> rows;  // lines of the table
};

const RealRun kRuns[] = {
    {"cardioception_hrd_fmri_trig5_v2020.1.2.csv",
     nullptr,
     nullptr,
     nullptr,
     nullptr,
     nullptr,
     "trigger 1 (key_resp's presses of '5'), at 10.956789 s in the data file",
     34,
     {"-1.601910\tn/a\ttext_2\tshown\ttext_2\tn/a\ttrials_3\t0",
      "0.015229\tn/a\tfiCross1\tshown\tfiCross1\tn/a\ttrials_3\t0",
      "0.447250\tn/a\tsound_2\tshown\tsound_2\tn/a\ttrials_3\t0"}},
    {"moore_localizer_trigT_v2021.1.3.csv",
     "scanner_t",
     nullptr,
     nullptr,
     "2000",
     nullptr,
     "trigger 1 (scanner_t's presses of 't'), at 174.361571 s in the data file; 19 later "
     "triggers of scanner_t, one per wait, lie on the TR grid (whole multiples of 2000.0 ms "
     "within 1%)",
     1245,
     {"0.031547\t0.304880\timage\tshown\timage\tn/a\ttrials\t0",
      "-15.227212\tn/a\tkey_resp\tkey press\tkey_resp\ty\tn/a\tn/a"}},
    {"moore_localizer_trigT_v2021.1.3.csv",
     "scanner_t:t",
     nullptr,
     "{condition}",
     "2100",
     nullptr,
     "trigger 1 (scanner_t's presses of 't'), at 174.361571 s in the data file; 13 of the 19 later",
     1245,
     {"0.031547\t0.304880\tscrambled\tshown\timage\tn/a\ttrials\t0",
      "-15.227212\tn/a\tn/a\tkey press\tkey_resp\ty\tn/a\tn/a"}},
    {"moore_localizer_aborted_partial_lastrow.csv",
     "scanner_t",
     nullptr,
     nullptr,
     nullptr,
     nullptr,
     "trigger 1 (scanner_t's presses of 't'), at 137.100304 s in the data file",
     1225,
     {"266.023554\tn/a\timage\tshown\timage\tn/a\tn/a\tn/a"}},
    {"moore_dsp_trigT_duplicate_run_column_v2021.1.3.csv",
     "Ready_scanner_resp",
     nullptr,
     nullptr,
     nullptr,
     nullptr,
     "trigger 1 (Ready_scanner_resp's presses of 't'), at 273.519708 s",
     64,
     {"0.021423\t2.999903\tLearning_1_instruction\tshown\tLearning_1_instruction\tn/a\t"
      "Control_1_loop\t0",
      "324.922210\tn/a\tControl_2_resp\tkey press\tControl_2_resp\ts\tControl_2_loop\t0"}},
    {"lexdec_practice_main_loops_v2024.2.3.csv",
     nullptr,
     "scenario",
     "{condition}",
     nullptr,
     nullptr,
     "the experiment's start (PsychoPy's own clock, 0 s in the data file)",
     1865,
     {"8.144128\tn/a\tpseudoword\tshown\tstimulus\tn/a\tpractice_trials\t0",
      "11.481388\tn/a\tword\tkey press\tstim_resp\tralt\tpractice_trials\t2"}},
    {"lexdec_practice_main_loops_v2024.2.3.csv",
     nullptr,
     nullptr,
     nullptr,
     nullptr,
     "no keyboard component recorded a single key before the first stimulus after its start, as "
     "a wait for the scanner does; the keyboards: stim_resp ('ralt', 'lalt'); give --trigger "
     "COMPONENT (or --zero scenario: time zero at the experiment's start)",
     nullptr,
     0,
     {}},
    {"moore_localizer_trigT_v2021.1.3.csv",
     nullptr,
     nullptr,
     nullptr,
     nullptr,
     "several keyboard components recorded a single key",
     nullptr,
     0,
     {}},
    {"moore_localizer_trigT_v2021.1.3.csv",
     "scanner_t:x",
     nullptr,
     nullptr,
     nullptr,
     "--trigger scanner_t:x: scanner_t never recorded the key 'x' with a time; it recorded 't'",
     nullptr,
     0,
     {}},
    {"banda_gambling_fmri_trigequal_two_runs_v1.8x.csv",
     nullptr,
     nullptr,
     nullptr,
     nullptr,
     "an old PsychoPy data file",
     nullptr,
     0,
     {}},
    {"fmriprojum_trcounter_lists_v2022.2.4.csv",
     nullptr,
     nullptr,
     nullptr,
     nullptr,
     "written by PsychoPy 2022.2.4 but without timing columns",
     nullptr,
     0,
     {}},
    {"fmriprojum_excel_resaved_semicolon.csv",
     nullptr,
     nullptr,
     nullptr,
     nullptr,
     "its columns are separated by ';'",
     nullptr,
     0,
     {}},
    {"moore_localizer_trigT_v2021.1.3.log",
     nullptr,
     nullptr,
     nullptr,
     nullptr,
     "a PsychoPy text log (the .log beside a data file), not a Presentation log",
     nullptr,
     0,
     {}},
    // A Presentation log's trial_type template: its stimulus properties, n/a where one is empty.
    {"samples/stimulus_properties.log",
     nullptr,
     nullptr,
     "{conditionid}_{form}",
     nullptr,
     nullptr,
     "trigger 1 (Pulse events), at Time 1000.0 ms in the log",
     4,
     {"1.0000\t3.0000\tc1_flower\tPicture\tflower\t1\t1\tc1\tflower",
      "2.5000\tn/a\tn/a\tResponse\t1\t1\tn/a\tn/a\tn/a"}},
};

RunSettings settingsOf(const RealRun& run) {
  RunSettings settings;
  std::string problem;
  bool parsed = true;
  if (run.trigger != nullptr)
    parsed = parsed && parseTrigger(run.trigger, settings.trigger.emplace(), problem);
  if (run.zero != nullptr)
    parsed = parsed && parseZero(run.zero, settings.zero, problem);
  if (run.trialType != nullptr)
    parsed = parsed && parseTrialTypeTemplate(run.trialType, settings.trialType.emplace(), problem);
  if (run.tr != nullptr)
    parsed = parsed && parseTr(run.tr, settings.tr.emplace(), problem);
  EXPECT_TRUE(parsed) << problem;
  return settings;
}

TEST(StimulusRuns, RealFilesGiveTheirRowsOrSayWhy) {
  const std::string psychopy = SF_PSYCHOPY_DATA_DIR;
  if (!std::filesystem::exists(psychopy))
    GTEST_SKIP() << "the real data files are not in " << psychopy;
  static const testing::TestWords words;
  for (const RealRun& run : kRuns) {
    SCOPED_TRACE(run.file);
    const std::string file = run.file;
    const std::string path = file.rfind("samples/", 0) == 0
                                 ? std::string(SF_SAMPLES_DIR) + file.substr(7)
                                 : psychopy + "/" + file;
    const RunSettings settings = settingsOf(run);
    Refusal refusal;
    std::unique_ptr<StimulusSource> source = openStimulusSource(path, "x", refusal);
    RunEvents events;
    if (source != nullptr) {
      RunRequest request;
      request.source = source.get();
      request.name = "x";
      request.settings = &settings;
      request.words = &words;
      refusal = readRunEvents(request, events);
    }
    if (run.refused != nullptr) {
      EXPECT_EQ(refusal.message.rfind(std::string("x: ") + run.refused, 0), 0u) << refusal.message;
      continue;
    }
    ASSERT_FALSE(refusal.refused()) << refusal.message;
    EXPECT_EQ(events.facts.zero.rfind(run.zeroText, 0), 0u) << events.facts.zero;
    EXPECT_EQ(events.table.rows.size(), run.events);
    std::set<std::string> warnings;
    std::istringstream table(formatEventsTsv(events.table, warnings));
    std::set<std::string> lines;
    for (std::string line; std::getline(table, line);)
      lines.insert(line);
    for (const char* row : run.rows)
      EXPECT_EQ(lines.count(row), 1u) << row;
  }
}

}  // namespace
}  // namespace stimforge::kwhost
