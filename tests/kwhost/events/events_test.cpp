// The pieces of `kwhost events`: the table's text, the sidecar, UTF-8, the map, BIDS names,
// rows from a protocol and from a log in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kwhost/common/text_utf8.h"
#include "kwhost/events/event_map.h"
#include "kwhost/events/from_protocol.h"
#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"
#include "runs/run_from_text.h"

namespace stimforge::kwhost {
namespace {

TEST(EventsTable, SecondsAreExactToTheirDecimals) {
  const struct {
    int64_t micros;
    int decimals;
    const char* text;
  } cases[] = {{0, 4, "0.0000"},
               {17328200, 4, "17.3282"},
               {-10000, 4, "-0.0100"},
               {900, 4, "0.0009"},
               {-12345678900, 4, "-12345.6789"},
               {49, 4, "0.0000"},  // finer than a tenth: rounded half away from zero
               {50, 4, "0.0001"},
               {-50, 4, "-0.0001"},
               {-49, 4, "0.0000"},
               {10957123, 6, "10.957123"},
               {-1, 6, "-0.000001"},
               {INT64_MIN + 1, 6, "-9223372036854.775807"},
               {INT64_MAX, 4, "9223372036854.7758"}};
  for (const auto& c : cases)
    EXPECT_EQ(secondsText(c.micros, c.decimals), c.text) << c.micros;
}

// Numbers are written from their digit count: every count, and both sides of each power of
// ten, against the standard library's text.
TEST(EventsTable, NumbersOfEveryLength) {
  for (const int decimals : {4, 6}) {
    // Four decimals are whole tenths of a millisecond, a hundred microseconds each.
    const int64_t unit = decimals == 4 ? 100 : 1;
    std::vector<int64_t> values = {0, INT64_MAX / unit, INT64_MIN / unit + 1};
    for (int64_t power = 1; power <= INT64_MAX / 10 / unit; power *= 10) {
      for (const int64_t value : {power - 1, power, power + 1, 10 * power - 1})
        values.insert(values.end(), {value, -value});
    }
    EventsTable table;
    table.decimals = decimals;
    table.addText("t");
    for (const int64_t value : values)
      table.rows.push_back(
          {value * unit, value * unit, static_cast<int32_t>(value % 1000000000), 0, 0, 0});
    std::set<std::string> warnings;
    std::string expected = eventsHeaderLine(true);
    const size_t places = static_cast<size_t>(decimals);
    for (const int64_t value : values) {
      const std::string digits = std::to_string(value < 0 ? -value : value);
      const std::string padded =
          std::string(digits.size() <= places ? places + 1 - digits.size() : 0, '0') + digits;
      const std::string seconds = (value < 0 ? "-" : "") +
                                  padded.substr(0, padded.size() - places) + "." +
                                  padded.substr(padded.size() - places);
      expected += seconds + "\t" + (value < 0 ? "0." + std::string(places, '0') : seconds) +
                  "\tt\tt\tt\t" + std::to_string(value % 1000000000) + "\n";
    }
    EXPECT_EQ(formatEventsTsv(table, warnings), expected) << decimals;
  }
}

// The text goes out in pieces of about a megabyte; a cell longer than a piece is written
// whole; a failed write stops the writing.
TEST(EventsTable, WrittenInPieces) {
  EventsTable table;
  table.addText("a");
  table.addText(std::string(3 << 20, 'x'));
  for (int i = 0; i < 60000; ++i)
    table.rows.push_back({i, 5, i, static_cast<uint32_t>(i == 30000), 0, 0});
  std::set<std::string> warnings;
  const std::string whole = formatEventsTsv(table, warnings);
  std::vector<std::string> pieces;
  ASSERT_TRUE(writeEventsTsv(table, [&pieces](const std::string& piece) {
    pieces.push_back(piece);
    return true;
  }));
  ASSERT_GE(pieces.size(), 3u);
  std::string joined;
  for (const std::string& piece : pieces) {
    EXPECT_LE(piece.size(), size_t{3 << 20} + 100);
    joined += piece;
  }
  EXPECT_EQ(joined, whole);
  int calls = 0;
  EXPECT_FALSE(writeEventsTsv(table, [&calls](const std::string&) { return ++calls < 2; }));
  EXPECT_EQ(calls, 2);
}

TEST(EventsTable, NoEmptyCellSortedWithTiesInOrderControlCharactersAsBlanks) {
  EventsTable table;
  const uint32_t a = table.addText("a\tb");
  const uint32_t empty = table.addText("");
  const uint32_t pic = table.addText("Picture");
  table.rows.push_back({2000, kNotApplicable, 1, a, pic, a});
  table.rows.push_back({1000, -500, 0, empty, pic, empty});
  table.rows.push_back({2000, 300, 2, pic, pic, pic});
  sortByOnset(table);
  std::set<std::string> warnings;
  EXPECT_EQ(formatEventsTsv(table, warnings),
            "onset\tduration\ttrial_type\tevent_type\tcode\ttrial\n"
            "0.0010\t0.0000\tn/a\tPicture\tn/a\t0\n"
            "0.0020\tn/a\ta b\tPicture\ta b\t1\n"
            "0.0020\t0.0003\tPicture\tPicture\tPicture\t2\n");
  EXPECT_EQ(warnings, (std::set<std::string>{"the name \"a\\tb\" holds a tab, line break or "
                                             "control character: written with blanks"}));
}

TEST(TextUtf8, KeepsUtf8ConvertsWindows1252) {
  struct Case {
    std::string in, out;
    bool converted;
    size_t undefined;
  };
  const Case cases[] = {
      {"caf\xC3\xA9", "caf\xC3\xA9", false, 0},
      {"caf\xE9", "caf\xC3\xA9", true, 0},
      {"\x80\x9F", "\xE2\x82\xAC\xC5\xB8", true, 0},
      {"\x81\x8D\x8F\x90\x9D", std::string(5 * 3, ' '), true, 5},
      {"\xC0\xAF", "\xC3\x80\xC2\xAF", true, 0},                  // overlong
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", true, 0},  // a surrogate
  };
  for (const Case& c : cases) {
    Utf8Conversion how;
    std::string out = toUtf8(c.in, how);
    if (c.undefined > 0) {
      EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    } else {
      EXPECT_EQ(out, c.out);
    }
    EXPECT_EQ(how.converted, c.converted);
    EXPECT_EQ(how.undefinedBytes, c.undefined);
    EXPECT_TRUE(isValidUtf8(out));
  }
}

TEST(EventMap, BadLinesNameTheirLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"a\tA\nno tab\n",
       "m.tsv:2: expected pattern<TAB>trial_type or pattern<TAB>trial_type<TAB>event type"},
      {"a\tA\tPicture\tB\n",
       "m.tsv:1: expected pattern<TAB>trial_type or pattern<TAB>trial_type<TAB>event type"},
      {"a\tA\t\n", "m.tsv:1: the event type after the second tab must not be empty"},
      {"\n\nx\t\n", "m.tsv:3: the pattern and the trial_type must not be empty"},
  };
  for (const auto& [text, message] : cases) {
    EventMap map;
    std::string error;
    EXPECT_FALSE(map.parse(text, "m.tsv", error));
    EXPECT_EQ(error, message);
  }
  EventMap map;
  std::string error;
  EXPECT_FALSE(map.parse("ok\tA\r\n(unclosed\tB\r\n", "m.tsv", error));
  EXPECT_EQ(error.rfind("m.tsv:2: invalid pattern \"(unclosed\": ", 0), 0u) << error;
}

TEST(EventMap, FullMatchFirstLineWins) {
  EventMap map;
  std::string error;
  ASSERT_TRUE(map.parse("rew.*\treward\nrewAff.*\taffiliative\nfix\tfixation\n", "m", error));
  const std::pair<const char*, const char*> cases[] = {{"rewAffiliative1", "reward"},
                                                       {"fix", "fixation"},
                                                       {"fixAfterCue", nullptr},
                                                       {"xrew", nullptr}};
  for (int pass = 0; pass < 2; ++pass) {  // the second from the kept answers
    for (const auto& [code, name] : cases) {
      const MapLine* line = nullptr;
      ASSERT_TRUE(map.lineFor("Picture", code, line, error));
      EXPECT_EQ(line ? line->trialType : "(none)", name ? name : "(none)") << code;
    }
  }
}

TEST(EventsSidecar, DescribesEveryColumnAndIsKnownAsOurs) {
  SidecarFacts facts;
  facts.zero = "trigger 1";
  facts.scenario = "RUN1";
  facts.levels = {{"face", "the code \"face\""}};
  const nlohmann::ordered_json sidecar = buildEventsSidecar(facts);
  for (const char* column : {"onset", "duration", "trial_type", "event_type", "code", "trial"}) {
    ASSERT_TRUE(sidecar.contains(column)) << column;
    EXPECT_TRUE(sidecar[column].contains("LongName") && sidecar[column].contains("Description"));
    const bool time = std::string(column) == "onset" || std::string(column) == "duration";
    EXPECT_EQ(sidecar[column].contains("Units"), time) << column;
  }
  EXPECT_EQ(sidecar["trial_type"]["Levels"]["face"], "the code \"face\"");
  EXPECT_TRUE(isOwnEventsSidecar(formatEventsSidecar(facts)));
  EXPECT_FALSE(isOwnEventsSidecar("{\"onset\": {\"Description\": \"seconds\"}}"));
  EXPECT_FALSE(isOwnEventsSidecar("Written by kwhost events."));
}

TEST(EventsFromProtocol, MillisecondsAndVolumes) {
  Protocol protocol;
  protocol.conditions = {{"rest", 0, {1000, 5000}, {2999, 5000}}, {"task\n", 0, {3000}, {4999}}};
  EventsTable table;
  std::vector<TrialTypeLevel> levels;
  std::set<std::string> warnings;
  std::string error;
  ASSERT_TRUE(eventsFromProtocol(protocol, {10000, 0}, table, levels, warnings, error)) << error;
  EXPECT_EQ(formatEventsTsv(table, warnings),
            "onset\tduration\ttrial_type\n0.0000\t1.9990\trest\n2.0000\t1.9990\ttask \n"
            "4.0000\t0.0000\trest\n");

  protocol.timeResolution = kTimeResolutionVolumes;
  protocol.conditions = {{"rest", 0, {1, 11}, {5, 15}}, {"task", 0, {6}, {10}}};
  EXPECT_FALSE(eventsFromProtocol(protocol, {0, 0}, table, levels, warnings, error));
  EXPECT_EQ(error, "the protocol counts in volumes");
  // --zero 4000 --tr 2000: the zero is in milliseconds here too, not in volumes.
  ASSERT_TRUE(eventsFromProtocol(protocol, {40000, 20000}, table, levels, warnings, error));
  EXPECT_EQ(formatEventsTsv(table, warnings),
            "onset\tduration\ttrial_type\n-4.0000\t10.0000\trest\n6.0000\t10.0000\ttask\n"
            "16.0000\t10.0000\trest\n");
}

// A condition name that is not UTF-8 is warned of in the words a log's texts are, the
// converted text shown and the undefined bytes counted.
TEST(EventsFromProtocol, NameNotUtf8IsWarnedOfAsInALog) {
  Protocol protocol;
  protocol.conditions = {{"caf\xE9\x81", 0, {0}, {999}}};
  EventsTable table;
  std::vector<TrialTypeLevel> levels;
  std::set<std::string> warnings;
  std::string error;
  ASSERT_TRUE(eventsFromProtocol(protocol, {0, 0}, table, levels, warnings, error)) << error;
  EXPECT_EQ(warnings, std::set<std::string>{"the condition name \"caf\xC3\xA9\xEF\xBF\xBD\" is not "
                                            "UTF-8: read as Windows-1252, with 1 undefined "
                                            "byte(s) as U+FFFD"});
}

// The version a header line, or the block of JSON after the table, states reaches the
// sidecar, with the system the block names; nothing is made up.
TEST(EventsFromLog, SoftwareVersionOnlyWhereTheLogStatesOne) {
  // As Presentation writes the block: after two empty lines, with CR LF line ends.
  const std::string block =
      "\r\n\r\n{\r\n   \"app\": \"Presentation Version 20.0 Build 10.19.17\",\r\n"
      "   \"os\": \"Windows 10 64 bit\",\r\n   \"parameters\": {\r\n      \"a\": \"b\"\r\n"
      "   },\r\n   \"subject\": \"\"\r\n}\r\n";
  const struct {
    const char* line;   // between the date line and the column names; null: none
    std::string after;  // what follows the table
    const char* version;
    const char* system;
  } cases[] = {
      {nullptr, "", "", ""},
      {"Presentation version 20.1", "", "20.1", ""},
      {"  Presentation 18.0 Build 07.16.15", "", "18.0 Build 07.16.15", ""},
      {"Version: 21.1 beta", "", "21.1", ""},
      {"Presentation 3 runs", "", "", ""},
      {"Version: 20.1a", "", "", ""},
      {nullptr, block, "20.0 Build 10.19.17", "Windows 10 64 bit"},
      {"Presentation version 20.1", block, "20.1", "Windows 10 64 bit"},
      {nullptr, "\n\n{\n   \"app\": \"Presentation Version 20.0\",\n", "", ""},  // unclosed
      {nullptr, "\n\n{\n   \"app\": Presentation 20.0\n}\n", "", ""},            // no JSON
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((c.line == nullptr ? "none" : c.line) + c.after);
    const std::string log = "Scenario - S\nLogfile written - 01/02/2020 10:00:00\n" +
                            std::string(c.line == nullptr ? "" : c.line + std::string("\n")) +
                            "\nTrial\tEvent Type\tCode\tTime\n\n1\tPicture\ta\t100\n" + c.after;
    RunSettings settings;
    settings.zero.kind = ZeroRule::Kind::kScenario;
    RunEvents events;
    const Refusal refusal = testing::runFromText(log, settings, events);
    ASSERT_FALSE(refusal.refused()) << refusal.message;
    ASSERT_EQ(events.table.rows.size(), 1u);
    EXPECT_EQ(events.facts.softwareVersion, c.version);
    const auto presentation = buildEventsSidecar(events.facts)["StimulusPresentation"];
    EXPECT_EQ(presentation.contains("SoftwareVersion"), *c.version != '\0');
    EXPECT_EQ(presentation.value("OperatingSystem", ""), c.system);
  }
}

// Two scans 30 s apart: Pulses at 10000 + 20000 k (k = 0..3), then at 1000000 + 20000 k.
std::string twoScanLog(bool withTriggers) {
  std::string log =
      "Scenario - S\nLogfile written - 01/02/2020 10:00:00\n\n"
      "Trial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\n\n"
      "0\tNothing\tStart\t5000\t0\t1\n";
  for (int scan = 0; scan < 2; ++scan) {
    const int base = scan == 0 ? 10000 : 1000000;
    for (int k = 0; k < 4; ++k) {
      if (withTriggers)
        log += "1\tPulse\t53\t" + std::to_string(base + 20000 * k) + "\t0\t1\n";
      log += "1\tPicture\tp" + std::to_string(scan) + "\t" + std::to_string(base + 20000 * k + 5) +
             "\t0\t1\t15000\n";
    }
  }
  return log + "1\tResponse\t1\t2000000\t0\t1\n";
}

RefusalKind run(const std::string& log, const RunSettings& settings, std::string& tsv,
                std::string& error) {
  RunEvents events;
  const Refusal refusal = testing::runFromText(log, settings, events);
  error = refusal.message;
  std::set<std::string> warnings;
  tsv = formatEventsTsv(events.table, warnings);
  return refusal.kind;
}

TEST(EventsFromLog, EachFormOfTimeZeroAndScan) {
  struct Case {
    const char* zero;  // as --zero writes it
    int64_t scan;
    const char* firstRow;
    RefusalKind status;
    const char* error;
  };
  const Case cases[] = {
      {"auto", 0, "", RefusalKind::kInput,
       "x.log holds 2 scans; pick one with --scan N: 1: 4 triggers from 1000.0 ms; "
       "2: 4 triggers from 100000.0 ms"},
      {"auto", 2, "0.0005\t1.5000\tp1\tPicture\tp1\t1\n", RefusalKind::kNone, ""},
      {"auto", 3, "", RefusalKind::kInput, "--scan 3: x.log holds 2 scan(s)"},
      {"scenario", 0, "1.0005\t1.5000\tp0\tPicture\tp0\t1\n", RefusalKind::kNone, ""},
      {"1000", 0, "0.0005\t1.5000\tp0\tPicture\tp0\t1\n", RefusalKind::kNone, ""},
      {"code:Start", 0, "0.5005\t1.5000\tp0\tPicture\tp0\t1\n", RefusalKind::kNone, ""},
      {"code:None", 0, "", RefusalKind::kInput, "no event of x.log has the code \"None\""},
  };
  for (const Case& c : cases) {
    RunSettings settings;
    std::string problem;
    ASSERT_TRUE(parseZero(c.zero, settings.zero, problem)) << problem;
    if (c.scan > 0)
      settings.scan = c.scan;
    std::string tsv, error;
    EXPECT_EQ(run(twoScanLog(true), settings, tsv, error), c.status) << c.zero;
    EXPECT_EQ(error, c.error) << c.zero;
    if (c.status == RefusalKind::kNone) {
      EXPECT_EQ(tsv.substr(tsv.find('\n') + 1, std::string(c.firstRow).size()), c.firstRow);
    }
  }
  // Scan 1 keeps the events before the first trigger of scan 2, scan 2 those from the end of
  // scan 1 (its last trigger plus its median interval) on: the Response at 200 s.
  RunSettings settings;
  settings.scan = 1;
  std::string tsv, error;
  ASSERT_EQ(run(twoScanLog(true), settings, tsv, error), RefusalKind::kNone);
  EXPECT_EQ(tsv.find("p1"), std::string::npos);
  EXPECT_EQ(std::count(tsv.begin(), tsv.end(), '\n'), 5);
  settings.scan = 2;
  ASSERT_EQ(run(twoScanLog(true), settings, tsv, error), RefusalKind::kNone);
  EXPECT_EQ(tsv.find("p0"), std::string::npos);
  EXPECT_EQ(std::count(tsv.begin(), tsv.end(), '\n'), 6);

  EXPECT_EQ(run(twoScanLog(false), RunSettings(), tsv, error), RefusalKind::kInput);
  EXPECT_EQ(error,
            "no scanner triggers (Pulse events) in x.log; no series of its events beats like "
            "triggers; its event types are Nothing, Picture, Response; if it logged none, give "
            "--zero scenario, --zero MS or --zero code:NAME");
}

TEST(EventsFromLog, MapUnmappedNextDurationsAndAn8BitCode) {
  const std::string log =
      "Scenario - Caf\xE9\nLogfile written - 01/02/2020 10:00:00\n\n"
      "Trial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\n\n"
      "1\tPulse\t53\t100\t0\t1\n1\tPicture\tface1\t200\t0\t1\t50\n"
      "1\tPicture\tcaf\xE9\t300\t0\t1\t50\n1\tResponse\t1\t350\t0\t1\n"
      "1\tPicture\thouse\t350\t0\t1\t50\n";
  EventMap map;
  std::string error;
  ASSERT_TRUE(map.parse("face\\d\tface\ncaf\xC3\xA9\tcoffee\n", "m.tsv", error));
  RunSettings settings;
  settings.duration = EventDuration::kNext;
  RunEvents events;
  ASSERT_FALSE(testing::runFromText(log, settings, events, &map).refused());
  std::set<std::string> warnings;
  EXPECT_EQ(formatEventsTsv(events.table, warnings),
            "onset\tduration\ttrial_type\tevent_type\tcode\ttrial\n"
            "0.0100\t0.0100\tface\tPicture\tface1\t1\n"
            "0.0200\t0.0050\tcoffee\tPicture\tcaf\xC3\xA9\t1\n"
            "0.0250\t0.0000\t1\tResponse\t1\t1\n"
            "0.0250\tn/a\thouse\tPicture\thouse\t1\n");
  EXPECT_EQ(events.facts.scenario, "Caf\xC3\xA9");
  EXPECT_EQ(events.warnings.count("the code \"caf\xC3\xA9\" is not UTF-8: read as Windows-1252"),
            1u);
  ASSERT_EQ(events.facts.levels.size(), 4u);
  EXPECT_EQ(events.facts.levels[2].value, "face");
  EXPECT_EQ(events.facts.levels[2].origin,
            "Events from the codes that fully match the pattern \"face\\d\" (line 1 of m.tsv).");

  settings.unmapped = Unmapped::kDrop;
  settings.duration = EventDuration::kColumn;
  ASSERT_FALSE(testing::runFromText(log, settings, events, &map).refused());
  EXPECT_EQ(formatEventsTsv(events.table, warnings),
            "onset\tduration\ttrial_type\tevent_type\tcode\ttrial\n"
            "0.0100\t0.0050\tface\tPicture\tface1\t1\n"
            "0.0200\t0.0050\tcoffee\tPicture\tcaf\xC3\xA9\t1\n");
}

}  // namespace
}  // namespace stimforge::kwhost
