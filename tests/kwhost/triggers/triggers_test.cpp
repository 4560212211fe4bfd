// `kwhost triggers` in process: generated logs read from memory through the log format
// layer, each with one fault the report must find; the two real logs with triggers against
// figures worked out by hand from the files; the JSON read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "kwhost/cli/command_triggers.h"
#include "kwhost/sources/presentation_source.h"
#include "kwhost/triggers/analysis.h"
#include "kwhost/triggers/log_triggers.h"
#include "kwhost/triggers/report.h"
#include "runs/run_from_text.h"

namespace stimforge::kwhost {
namespace {

constexpr char kHeader[] =
    "Scenario - RUN1\nLogfile written - 06/23/2018 10:48:44\n\n"
    "Subject\tTrial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\tUncertainty\t"
    "ReqTime\tReqDur\tStim Type\tPair Index\n\n";

// A log of Pulse lines at `times` (tenths), with a Picture line after each.
std::string pulseLog(const std::vector<Tenths>& times) {
  std::string text = kHeader;
  for (const Tenths t : times) {
    text += "S1\t1\tPulse\t53\t" + std::to_string(t) + "\t0\t1\n";
    text += "S1\t1\tPicture\tface\t" + std::to_string(t + 100) + "\t0\t1\t5000\t1\t0\tnext\n";
  }
  return text;
}

// `count` triggers every `period` tenths from `start`, with the given indexes left out.
std::vector<Tenths> regular(size_t count, Tenths period, Tenths start = 100000,
                            std::vector<size_t> dropped = {}) {
  std::vector<Tenths> times;
  for (size_t i = 0; i < count; ++i) {
    if (std::find(dropped.begin(), dropped.end(), i) == dropped.end())
      times.push_back(start + static_cast<Tenths>(i) * period);
  }
  return times;
}

std::vector<Tenths> joined(std::vector<Tenths> a, const std::vector<Tenths>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TriggerFindings analyzeText(const std::string& text, const TriggerOptions& options,
                            LogTriggers& triggers) {
  MemoryLogSource source(text);
  std::string problem;
  EXPECT_EQ(readLogTriggers(source, TriggerSelection{"Pulse", {}}, triggers, problem),
            ReadTriggersResult::kRead)
      << problem;
  return analyzeTriggers(triggers.times, options);
}

struct GeneratedCase {
  const char* name;
  std::vector<Tenths> times;
  TriggerOptions options;  // tr, volumes, skip
  bool findings;
  std::vector<size_t> scanCounts;
  size_t irregular;  // over all scans
  int64_t missingAtGaps;
  size_t extras;
  std::optional<double> driftPpm;  // of the first scan, to 0.5 ppm
  std::vector<int64_t> countDifferences;
  std::vector<Tenths> timeZeros;
};

TEST(Triggers, GeneratedFaultsAreFound) {
  const std::vector<Tenths> withExtra = joined({99500}, regular(60, 20000));
  std::vector<Tenths> backward = regular(60, 20000);
  backward[30] = backward[28] - 500;
  const Tenths second = 100000 + 51 * 20000 + 300000;  // the second scan's first trigger
  const Tenths close = 100000 + 51 * 20000 + 100000;
  const std::vector<Tenths> twoScans = joined(regular(52, 20000), regular(52, 20000, second));
  const std::vector<Tenths> closeScans = joined(regular(52, 20000), regular(52, 20000, close));
  // clang-format off
  const GeneratedCase cases[] = {
      // name, times, {tr, volumes, skip}, findings, scan counts, irregular, hidden at gaps,
      // extras, drift, count differences, time zeros
      {"regular", regular(100, 20000), {}, false, {100}, 0, 0, 0, {}, {}, {100000}},
      {"regular against --tr", regular(100, 20000), {20000, 100, 0}, false, {100}, 0, 0, 0,
       0.0, {0}, {100000}},
      {"missed burst of 5", regular(100, 20000, 100000, {40, 41, 42, 43, 44}), {20000, 100, 0},
       true, {95}, 1, 5, 0, 0.0, {-5}, {100000}},
      {"extra trigger at the start", withExtra, {}, true, {61}, 1, 0, 1, {}, {}, {99500}},
      {"50 ppm drift", regular(100, 20001), {20000, 0, 0}, false, {100}, 0, 0, 0, 50.0, {},
       {100000}},
      {"500 ppm drift", regular(100, 20010), {20000, 0, 0}, true, {100}, 0, 0, 0, 500.0, {},
       {100000}},
      {"two scans split at a long pause", twoScans, {}, false, {52, 52}, 0, 0, 0, {}, {},
       {100000, second}},
      {"two scans by --volumes and --skip", twoScans, {0, 50, 2}, false, {52, 52}, 0, 0, 0, {},
       {0, 0}, {140000, second + 40000}},
      // A 10 s pause splits only when --volumes says the scan is complete.
      {"close scans, one without --volumes", closeScans, {}, true, {104}, 1, 4, 0, {}, {},
       {100000}},
      {"close scans by --volumes", closeScans, {0, 52, 0}, false, {52, 52}, 0, 0, 0, {}, {0, 0},
       {100000, close}},
      // The trigger after the one that goes back ends a gap of three periods.
      {"backward time", backward, {}, true, {60}, 2, 2, 0, {}, {}, {100000}},
      {"two triggers", regular(2, 20000), {}, true, {2}, 0, 0, 0, {}, {}, {100000}},
      // One trigger is a design that logs the first pulse: no finding without a TR.
      {"first pulse only", regular(1, 20000), {}, false, {1}, 0, 0, 0, {}, {}, {100000}},
      {"first pulse only, --volumes 1", regular(1, 20000), {0, 1, 0}, false, {1}, 0, 0, 0, {},
       {0}, {100000}},
      {"first pulse only, --volumes 10", regular(1, 20000), {0, 10, 0}, true, {1}, 0, 0, 0, {},
       {-9}, {100000}},
  };
  // clang-format on
  for (const GeneratedCase& c : cases) {
    SCOPED_TRACE(c.name);
    LogTriggers triggers;
    const TriggerFindings f = analyzeText(pulseLog(c.times), c.options, triggers);
    EXPECT_EQ(triggers.times, c.times);
    EXPECT_EQ(f.hasFindings(), c.findings);
    std::vector<size_t> counts;
    std::vector<int64_t> differences;
    std::vector<Tenths> zeros;
    size_t irregular = 0;
    int64_t missing = 0;
    size_t extras = 0;
    for (const ScanFindings& scan : f.scans) {
      counts.push_back(scan.count);
      irregular += scan.irregularCount;
      missing += scan.missingAtGaps;
      extras += scan.extraCount;
      if (scan.countDifference)
        differences.push_back(*scan.countDifference);
      if (scan.timeZero)
        zeros.push_back(*scan.timeZero);
      EXPECT_TRUE(!scan.fittedTr || std::isfinite(*scan.fittedTr));
    }
    EXPECT_EQ(counts, c.scanCounts);
    EXPECT_EQ(irregular, c.irregular);
    EXPECT_EQ(missing, c.missingAtGaps);
    EXPECT_EQ(extras, c.extras);
    EXPECT_EQ(differences, c.countDifferences);
    EXPECT_EQ(zeros, c.timeZeros);
    ASSERT_EQ(f.scans.front().driftPpm.has_value(), c.driftPpm.has_value());
    if (c.driftPpm) {
      EXPECT_NEAR(*f.scans.front().driftPpm, *c.driftPpm, 0.5);
    }
    // The text's verdict and the exit status follow the same findings.
    const std::string path = "gen.log";
    const TriggerSelection selection{"Pulse", {}};
    const StimulusOutside outside = triggers.outside(f.scans.back().end);
    const LogReport report{path, selection, triggers, f, outside};
    EXPECT_EQ(reportFindings(report).empty(), !f.hasFindings());
  }
}

TEST(Triggers, TimelessLinesBackwardTimesAndEventsOutsideTheScan) {
  std::string text = kHeader;
  text += "S1\t0\tPicture\tbefore\t500\t0\t1\t100\t1\t0\tnext\n";
  text += "S1\t0\tResponse\t5\t1000\t0\t1\n";
  text += "S1\t0\tResponse\t5\tNA\t0\t1\n";
  text += "S1\t0\tResponse\t4\t1500\t0\t1\n";  // another code: no trigger
  text += "S1\t0\tResponse\t5\t21000\t0\t1\n";
  text += "S1\t0\tResponse\t5\t20000\t0\t1\n";
  text += "S1\t0\tSound\tlate\t45000\t0\t1\n";
  MemoryLogSource source(text);
  const TriggerSelection selection{"Response", std::string("5")};
  LogTriggers triggers;
  std::string problem;
  ASSERT_EQ(readLogTriggers(source, selection, triggers, problem), ReadTriggersResult::kRead);
  EXPECT_EQ(triggers.times, (std::vector<Tenths>{1000, 21000, 20000}));
  EXPECT_EQ(triggers.withoutTime, 1u);
  EXPECT_EQ(triggers.firstWithoutTime, 7);
  EXPECT_EQ(triggers.backward, 1u);
  EXPECT_EQ(triggers.firstBackward, 10);
  const StimulusOutside outside = triggers.outside(20000 + 19000);
  EXPECT_EQ(outside.before, 1u);
  ASSERT_TRUE(outside.firstBefore);
  EXPECT_EQ(outside.firstBefore->code, "before");
  EXPECT_EQ(outside.after, 1u);
  ASSERT_TRUE(outside.firstAfter);
  EXPECT_EQ(outside.firstAfter->type, "Sound");
  EXPECT_EQ(outside.firstAfter->line, 11);
}

TEST(Triggers, FilesThatAreNoLogs) {
  const std::string texts[] = {std::string("\xFF\xFES\0c", 5), "Subject,Trial\n", ""};
  for (const std::string& text : texts) {
    MemoryLogSource source(text);
    LogTriggers triggers;
    std::string problem;
    EXPECT_EQ(readLogTriggers(source, TriggerSelection{"Pulse", {}}, triggers, problem),
              ReadTriggersResult::kNotALog);
    EXPECT_FALSE(problem.empty());
  }
}

// Runs the command on logs served from memory by name.
int runOnTexts(const std::vector<std::pair<std::string, std::string>>& logs,
               TriggersOptions options, std::string& out, std::string& err) {
  options.logs.clear();
  for (const auto& log : logs)
    options.logs.push_back(log.first);
  const SourceOpener open = [&logs](const std::string& path,
                                    Refusal&) -> std::unique_ptr<StimulusSource> {
    for (const auto& log : logs) {
      if (log.first == path)
        return std::make_unique<PresentationSource>(std::make_unique<MemoryLogSource>(log.second),
                                                    path);
    }
    return nullptr;
  };
  std::ostringstream outStream;
  std::ostringstream errStream;
  const int status = runTriggersCommand(options, testing::TestWords(), open, outStream, errStream);
  out = outStream.str();
  err = errStream.str();
  return status;
}

TEST(Triggers, JsonReadsBack) {
  TriggersOptions options;
  options.json = true;
  options.settings.tr = 20000;
  options.settings.volumes = 95;
  std::string out;
  std::string err;
  const int status = runOnTexts({{"burst.log", pulseLog(regular(100, 20000, 100000, {40, 41}))},
                                 {"none.log", std::string(kHeader)},
                                 {"missing.log", "not a log"}},
                                options, out, err);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(err,
            "kwhost: missing.log: not a Presentation log: its first line does not begin "
            "with \"Scenario -\"\n");
  const nlohmann::json logs = nlohmann::json::parse(out);
  ASSERT_EQ(logs.size(), 3u);
  const nlohmann::json& burst = logs[0];
  EXPECT_EQ(burst["file"], "burst.log");
  EXPECT_EQ(burst["trigger_type"], "Pulse");
  EXPECT_TRUE(burst["trigger_code"].is_null());
  EXPECT_EQ(burst["trigger_count"], 98);
  EXPECT_EQ(burst["tr_ms"], 2000.0);
  EXPECT_EQ(burst["tr_given"], true);
  EXPECT_EQ(burst["consistent"], false);
  const nlohmann::json& scan = burst["scans"][0];
  EXPECT_EQ(scan["first_time_ms"], 10000.0);
  EXPECT_EQ(scan["fitted_tr_ms"], 2000.0);
  EXPECT_EQ(scan["drift_ppm"], 0.0);
  EXPECT_EQ(scan["count_difference"], 3);
  EXPECT_EQ(scan["count_place"], "unknown");
  EXPECT_EQ(scan["irregular_count"], 1);
  EXPECT_EQ(scan["irregular"][0]["kind"], "gap");
  EXPECT_EQ(scan["irregular"][0]["trigger"], 41);
  EXPECT_EQ(scan["irregular"][0]["line"], 5 + 2 * 40 + 1);
  EXPECT_EQ(scan["irregular"][0]["interval_ms"], 6000.0);
  EXPECT_EQ(scan["irregular"][0]["missing"], 2);
  EXPECT_EQ(scan["time_zero_ms"], 10000.0);
  EXPECT_EQ(scan["end_ms"], 10000.0 + 99 * 2000.0 + 2000.0);
  EXPECT_EQ(logs[1]["trigger_count"], 0);
  EXPECT_EQ(logs[1]["findings"][0],
            "no Pulse events in none.log; give --trigger TYPE[:CODE] if the scanner's triggers "
            "were logged as another type");
  EXPECT_EQ(logs[2]["error"],
            "not a Presentation log: its first line does not begin with "
            "\"Scenario -\"");
}

#ifdef SF_PRESENTATION_LOGS_DIR
struct RealLog {
  const char* name;
  Tenths tr;  // --tr, 0 for none
  Tenths first;
  Tenths last;
  double median;         // tenths
  double fitted;         // tenths, to 0.05
  double drift;          // ppm, to 0.5, with --tr
  size_t longIntervals;  // of more than 2010 ms: the frame-locked stamps
};

// The figures, worked out from the files' Pulse lines: idor_sound.log runs from 17328.2 to
// 495313.2 ms (intervals 1998.9 to 2001.0 ms, median 2000.0); idor_two_tables.log from
// 9423.9 to 487399.8 ms, 219 intervals of 1998.4 to 1998.7 ms and 20 of 2014.4 to 2014.7 ms
// (nine of them 2014.6). Both fit a TR of 1999.94 ms: 31 ppm short of 2000.
TEST(Triggers, RealLogs) {
  const RealLog logs[] = {
      {"idor_sound.log", 0, 173282, 4953132, 20000, 19999.37, 0, 0},
      {"idor_sound.log", 20000, 173282, 4953132, 20000, 19999.37, -31.5, 0},
      {"idor_two_tables.log", 0, 94239, 4873998, 19986, 19999.37, 0, 20},
      {"idor_two_tables.log", 20000, 94239, 4873998, 19986, 19999.37, -31.7, 20},
  };
  for (const RealLog& log : logs) {
    SCOPED_TRACE(log.name);
    std::unique_ptr<LogSource> source =
        openLogFile(std::string(SF_PRESENTATION_LOGS_DIR) + "/" + log.name);
    ASSERT_TRUE(source);
    LogTriggers triggers;
    std::string problem;
    ASSERT_EQ(readLogTriggers(*source, TriggerSelection{"Pulse", {}}, triggers, problem),
              ReadTriggersResult::kRead);
    EXPECT_TRUE(triggers.subjectColumn);
    const TriggerFindings f = analyzeTriggers(triggers.times, {log.tr, 0, 0});
    EXPECT_FALSE(f.hasFindings());
    ASSERT_EQ(f.scans.size(), 1u);
    const ScanFindings& scan = f.scans[0];
    EXPECT_EQ(scan.count, 240u);
    EXPECT_EQ(scan.firstTime, log.first);
    EXPECT_EQ(scan.lastTime, log.last);
    EXPECT_EQ(*scan.timeZero, log.first);
    EXPECT_EQ(*scan.medianInterval, log.median);
    EXPECT_NEAR(*scan.fittedTr, log.fitted, 0.05);
    EXPECT_LT(*scan.largestResidual, 100.0);  // under 10 ms
    EXPECT_EQ(scan.irregularCount, 0u);
    EXPECT_EQ(scan.driftPpm.has_value(), log.tr != 0);
    if (scan.driftPpm) {
      EXPECT_NEAR(*scan.driftPpm, log.drift, 0.5);
    }
    size_t longIntervals = 0;
    for (size_t i = 1; i < triggers.times.size(); ++i)
      longIntervals += triggers.times[i] - triggers.times[i - 1] > 20100 ? 1 : 0;
    EXPECT_EQ(longIntervals, log.longIntervals);
    EXPECT_EQ(triggers.outside(scan.end).before + triggers.outside(scan.end).after, 0u);
  }
}
#endif

}  // namespace
}  // namespace stimforge::kwhost
