// Which rows and columns a log's events file gets: trigger rows left out, trial_type values
// shared by event types, empty codes, and the log's own columns. Logs from memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kwhost/events/event_map.h"
#include "kwhost/events/log_columns.h"
#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"
#include "runs/run_from_text.h"

namespace stimforge::kwhost {
namespace {

// Pulses at 1000 and 3000 (code 53), key-press triggers (Response, code 5), a Picture and a
// Response with code 5 too, a real button press and a Quit line with its empty Code.
const char kLog[] =
    "Scenario - S\nLogfile written - 01/02/2020 10:00:00\n\n"
    "Subject\tTrial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\n\n"
    "s\t1\tPulse\t53\t1000\t0\t1\n"
    "s\t1\tResponse\t5\t1002\t0\t1\n"
    "s\t1\tPicture\t5\t2000\t0\t1\t500\n"
    "s\t2\tPulse\t53\t3000\t0\t1\n"
    "s\t2\tResponse\t5\t3002\t0\t1\n"
    "s\t2\tResponse\t1\t3500\t0\t1\n"
    "s\t2\tQuit\t\t4000\t0\t1\n";

struct Outcome {
  RefusalKind status = RefusalKind::kNone;
  std::string error;
  std::string tsv;  // the rows, without the header line
  RunEvents events;
};

Outcome run(const std::string& log, const RunSettings& settings, EventMap* map = nullptr) {
  Outcome out;
  const Refusal refusal = testing::runFromText(log, settings, out.events, map);
  out.status = refusal.kind;
  out.error = refusal.message;
  std::set<std::string> warnings;
  const std::string tsv = formatEventsTsv(out.events.table, warnings);
  out.tsv = tsv.substr(tsv.find('\n') + 1);
  return out;
}

TEST(LogRows, TriggerRowsLeftOutUnlessKeptEmptyCodesAndSharedValues) {
  EventMap typed;
  std::string error;
  ASSERT_TRUE(typed.parse("5\tbutton\tResponse\n", "m.tsv", error));
  const struct {
    const char* types;
    bool keep;
    EventMap* map;
    RefusalKind status;
    const char* rows;
    const char* note;  // or the error when status != 0
    const char* warning;
  } cases[] = {
      {"Picture,Response", false, nullptr, RefusalKind::kNone,
       "0.1000\t0.0500\t5\tPicture\t5\t1\n0.2500\tn/a\t1\tResponse\t1\t2\n",
       "left out 2 trigger rows (Response events with code 5) of x.log; --keep-triggers keeps "
       "them",
       ""},
      // Kept, code 5 is shared by a stimulus and a button press: one warning.
      {"Picture,Response", true, nullptr, RefusalKind::kNone,
       "0.0002\tn/a\t5\tResponse\t5\t1\n0.1000\t0.0500\t5\tPicture\t5\t1\n"
       "0.2002\tn/a\t5\tResponse\t5\t2\n0.2500\tn/a\t1\tResponse\t1\t2\n",
       "",
       "the trial_type \"5\" is written for events of 2 types in x.log (Picture and Response): "
       "a --map line with an event type as its third field tells them apart"},
      // A line typed Response names the presses alone.
      {"Picture,Response", true, &typed, RefusalKind::kNone,
       "0.0002\tn/a\tbutton\tResponse\t5\t1\n0.1000\t0.0500\t5\tPicture\t5\t1\n"
       "0.2002\tn/a\tbutton\tResponse\t5\t2\n0.2500\tn/a\t1\tResponse\t1\t2\n",
       "", ""},
      {"Quit", false, nullptr, RefusalKind::kNone, "0.3000\tn/a\tQuit\tQuit\tn/a\t2\n", "", ""},
      {"Pulse", false, nullptr, RefusalKind::kInput, "",
       "the events selected in x.log are all 2 trigger rows (Pulse events), which are left out: "
       "--keep-triggers writes them",
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.types) + (c.keep ? " kept" : "") + (c.map ? " typed" : ""));
    RunSettings settings;
    settings.types.emplace();
    for (const std::string type : {"Picture", "Response", "Quit", "Pulse"}) {
      if (std::string(c.types).find(type) != std::string::npos)
        settings.types->push_back(type);
    }
    if (std::string(c.types) != "Pulse") {
      settings.trigger = TriggerSelection{"Response", std::string("5")};
      settings.zero.kind = ZeroRule::Kind::kTime;
      settings.zero.time = 1000;
    } else {
      settings.zero.kind = ZeroRule::Kind::kScenario;
    }
    settings.keepTriggers = c.keep;
    const Outcome out = run(kLog, settings, c.map);
    ASSERT_EQ(out.status, c.status) << out.error;
    EXPECT_EQ(c.status == RefusalKind::kNone ? out.events.triggerRowsNote : out.error, c.note);
    if (c.status != RefusalKind::kNone)
      continue;
    EXPECT_EQ(out.tsv, c.rows);
    EXPECT_EQ(out.events.warnings.count(c.warning), *c.warning == '\0' ? 0u : 1u);
    EXPECT_EQ(out.events.warnings.size(), *c.warning == '\0' ? 0u : 1u);
  }
}

TEST(LogRows, LevelsSayTheTypeOfATypedLineAndOfSharedValues) {
  EventMap typed;
  std::string error;
  ASSERT_TRUE(typed.parse("5\tbutton\tResponse\n", "m.tsv", error));
  RunSettings settings;
  settings.types = {"Picture", "Response", "Quit"};
  settings.zero.kind = ZeroRule::Kind::kScenario;
  std::vector<std::string> levels;
  for (const TrialTypeLevel& level : run(kLog, settings, &typed).events.facts.levels)
    levels.push_back(level.value + ": " + level.origin);
  EXPECT_EQ(levels, (std::vector<std::string>{
                        "1: Events from the code \"1\".", "5: Events from the code \"5\".",
                        "Quit: Events from the Quit events without a Code.",
                        "button: Events from the Response events' codes that fully match the "
                        "pattern \"5\" (line 1 of m.tsv)."}));
  settings.types = {"Picture", "Response"};
  settings.keepTriggers = true;
  settings.trigger = TriggerSelection{"Pulse", std::string("5")};
  const RunEvents events = run(kLog, settings).events;
  ASSERT_EQ(events.facts.levels.size(), 2u);
  EXPECT_EQ(events.facts.levels[1].origin,
            "Events from the code \"5\", of the event types Picture and Response.");
}

TEST(LogColumns, OutputNames) {
  const std::pair<const char*, const char*> cases[] = {{"configuration(num)", "configuration"},
                                                       {"conditionID(str)", "conditionid"},
                                                       {"Target Pos.(num)", "target_pos"},
                                                       {"__a--b__", "a_b"},
                                                       {"(num)", "column"},
                                                       {"\xC3\xA9t\xC3\xA9", "t"},
                                                       {"x(str)(num)", "x_str"}};
  for (const auto& [log, name] : cases)
    EXPECT_EQ(propertyColumnName(log), name) << log;
}

// Property columns, the table's others by --columns, a name taken by a fixed column, n/a.
TEST(LogColumns, WrittenAfterTheFixedOnesAndDescribed) {
  const std::string log =
      "Scenario - S\nLogfile written - 01/02/2020 10:00:00\n\n"
      "Subject\tTrial\tEvent Type\tCode\tform(str)\tcode(num)\tTime\tTTime\tUncertainty\t"
      "Duration\tUncertainty\tReqTime\tReqDur\tStim Type\tPair Index\n\n"
      "s\t1\tPicture\tf\tflower\t1\t20000\t123\t1\t30000\t2\t0\tnext\thit\t0\n"
      "s\t1\tPicture\tx\tNA\t\t10000\t0\t1\t30000\t2\t0\t30000\tmiss\t0\n"
      "s\t1\tResponse\t1\t\t\t35000\t15000\t1\n";
  RunSettings settings;
  settings.zero.kind = ZeroRule::Kind::kScenario;
  settings.columns = {"req_dur", "stim_type", "duration_uncertainty"};
  const Outcome out = run(log, settings);
  ASSERT_EQ(out.status, RefusalKind::kNone) << out.error;
  const RunEvents& events = out.events;
  EXPECT_EQ(eventsHeaderLine(events.table),
            "onset\tduration\ttrial_type\tevent_type\tcode\ttrial\tform\tcode_2\treq_dur\t"
            "stim_type\tduration_uncertainty\n");
  EXPECT_EQ(out.tsv,
            "1.0000\t3.0000\tx\tPicture\tx\t1\tn/a\tn/a\t3.0000\tmiss\t0.0002\n"
            "2.0000\t3.0000\tf\tPicture\tf\t1\tflower\t1\tn/a\thit\t0.0002\n"
            "3.5000\tn/a\t1\tResponse\t1\t1\tn/a\tn/a\tn/a\tn/a\tn/a\n");
  EXPECT_EQ(events.warnings.count("the column \"code(num)\" is written as \"code_2\": \"code\" is "
                                  "taken by another column"),
            1u);
  const auto sidecar = buildEventsSidecar(events.facts);
  EXPECT_EQ(sidecar["form"]["Levels"].size(), 1u);  // flower; n/a is said in the Description
  EXPECT_FALSE(sidecar["code_2"].contains("Levels"));
  EXPECT_EQ(sidecar["req_dur"]["Units"], "s");
  EXPECT_EQ(sidecar["stim_type"]["Levels"].size(), 2u);
  EXPECT_NE(sidecar["req_dur"]["Description"].get<std::string>().find("n/a where"),
            std::string::npos);

  // A column the log lacks, or a log without column names.
  const std::string plain =
      "Scenario - S\nLogfile written - 01/02/2020 10:00:00\n\nTrial\tEvent Type\tCode\tTime\t"
      "TTime\n\n1\tPicture\tf\t100\t0\n";
  settings.columns = {"ttime", "req_time"};
  const Outcome lacking = run(plain, settings);
  EXPECT_EQ(lacking.status, RefusalKind::kUsage);
  EXPECT_EQ(lacking.error, "x.log: --columns req_time: the log has no such column (it has ttime)");
}

}  // namespace
}  // namespace stimforge::kwhost
