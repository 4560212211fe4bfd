// The timeline picture as text: escaping, cutting and numbers, the size bound for big
// inputs, the axis's round ticks, and the plot command's pure parts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "kwhost/cli/command_plot.h"
#include "kwhost/timeline/from_log.h"
#include "kwhost/timeline/sources.h"
#include "kwhost/timeline/svg_text.h"
#include "kwhost/timeline/svg_timeline.h"

namespace stimforge::kwhost {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(SvgText, EscapesMarkupAndReplacesWhatXmlCannotHold) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"Faces & <b>\"houses\"</b> 'x'",
       "Faces &amp; &lt;b&gt;&quot;houses&quot;&lt;/b&gt; &apos;x&apos;"},
      {"]]> <!-- -->", "]]&gt; &lt;!-- --&gt;"},
      {"a\tb\nc\rd", "a b c d"},
      {std::string("nul\0one\x01", 8), "nul\xEF\xBF\xBDone\xEF\xBF\xBD"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {"\xE9t\xE9", "\xEF\xBF\xBDt\xEF\xBF\xBD"},  // Windows-1252 left unconverted
      {"\xC0\xAF \xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xEF\xBF\xBE|\xE2\x82", "\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD"},  // U+FFFE; cut short
  };
  for (const auto& c : cases)
    EXPECT_EQ(xmlText(c.in), c.out) << c.in;
}

TEST(SvgText, CutsWholeCharactersWithAnEllipsis) {
  const struct {
    std::string in;
    size_t max;
    std::string out;
  } cases[] = {
      {"Houses", 6, "Houses"},
      {"Houses", 5, "Hous\xE2\x80\xA6"},
      {"\xC3\xA9\xC3\xA9\xC3\xA9", 3, "\xC3\xA9\xC3\xA9\xC3\xA9"},
      {"\xC3\xA9\xC3\xA9\xC3\xA9", 2, "\xC3\xA9\xE2\x80\xA6"},
      {"\xE9\xE9\xE9", 2, "\xE9\xE2\x80\xA6"},
      {"abc", 1, "\xE2\x80\xA6"},
      {"", 1, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(cutWithEllipsis(c.in, c.max), c.out) << c.in << " " << c.max;
}

TEST(SvgText, WritesShortNumbers) {
  const struct {
    double value;
    int decimals;
    const char* out;
  } cases[] = {{12.5, 2, "12.5"},        {3, 4, "3"},     {-0.25, 2, "-0.25"},
               {-0.001, 2, "0"},         {100, 0, "100"}, {119.998, 4, "119.998"},
               {0.30000000001, 4, "0.3"}};
  for (const auto& c : cases)
    EXPECT_EQ(shortNumber(c.value, c.decimals), c.out) << c.value;
}

TEST(TimelineSources, ConvertsWindows1252ButKeepsUtf8) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"plain", "plain"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},
      {"caf\xE9 \x80 \x93", "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C"},
      {"\x81\x8D", "\xEF\xBF\xBD\xEF\xBF\xBD"},      // undefined in Windows-1252
      {"\xC3\xA9\xE9", "\xC3\x83\xC2\xA9\xC3\xA9"},  // not UTF-8 as a whole: every byte
  };
  for (const auto& c : cases)
    EXPECT_EQ(textAsUtf8(c.in), c.out) << c.in;
}

TEST(TimelineSources, EventsFilesAreReadOrRefusedWithTheirLine) {
  const struct {
    std::string text;
    std::string error;  // "" when it is read
  } cases[] = {
      {"onset\tduration\n1\tn/a\n", ""},
      {"trial_type\tduration\tonset\na\t0\t-1.5e1\n", ""},
      {"onset\tduration\ttrial_type\n", ""},
      {"onset\ttrial_type\n1\ta\n", "e.tsv:1: the header has no onset or no duration column"},
      {"onset\tduration\n1\t2\t3\n", "e.tsv:2: 3 cells, the header has 2"},
      {"onset\tduration\n1\t2\n\n", "e.tsv:3: 1 cells, the header has 2"},
      {"onset\tduration\nn/a\t2\n", "e.tsv:2: the onset \"n/a\" is not a number"},
      {"onset\tduration\n0x1\t2\n", "e.tsv:2: the onset \"0x1\" is not a number"},
      {"onset\tduration\n1\t-2\n",
       "e.tsv:2: the duration \"-2\" is neither a number of seconds (0 or more) nor n/a"},
      {"onset\tduration\n1\tNA\n",
       "e.tsv:2: the duration \"NA\" is neither a number of seconds (0 or more) nor n/a"},
  };
  for (const auto& c : cases) {
    Timeline timeline;
    std::string error;
    EXPECT_EQ(eventsFileTimeline(c.text, "e.tsv", timeline, error), c.error.empty()) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
  Timeline timeline;
  std::string error;
  ASSERT_TRUE(eventsFileTimeline("onset\tduration\ttrial_type\n1\t2\tb\n3\t0\ta\n5\t1\tb\n",
                                 "e.tsv", timeline, error));
  ASSERT_EQ(timeline.rows.size(), 2u);
  EXPECT_EQ(timeline.rows[0].name, "b");
  EXPECT_THAT(timeline.rows[0].starts, ElementsAreArray({1.0, 5.0}));
  EXPECT_THAT(timeline.rows[0].ends, ElementsAreArray({3.0, 6.0}));
  EXPECT_EQ(timeline.rows[1].name, "a");
  EXPECT_THAT(timeline.rows[1].ticks, ElementsAreArray({3.0}));
  EXPECT_EQ(timeline.rows[1].rgb, kTimelinePalette[1]);
}

TEST(TimelineLog, TriggerMarksSitWhereTheAnalysisFoundThem) {
  // TR 2 s; a gap of 6 s after the trigger at 4 s hides two; the trigger at 12.5 s is extra.
  const std::vector<Tenths> times = {0, 20000, 40000, 100000, 120000, 125000, 140000};
  TriggerOptions options;
  options.tr = 20000;
  const TriggerFindings findings = analyzeTriggers(times, options);
  const TimelineTriggers marks = triggerMarks(times, findings, microsOfTenths(20000), true);
  EXPECT_THAT(marks.pulses, ElementsAreArray({-2.0, 0.0, 2.0, 8.0, 10.0, 10.5, 12.0}));
  EXPECT_THAT(marks.missed, ElementsAreArray({4.0, 6.0}));
  EXPECT_THAT(marks.extra, ElementsAreArray({10.5}));
  EXPECT_THAT(marks.scanStarts, ElementsAreArray({-2.0}));
  EXPECT_THAT(marks.scanEnds, ElementsAreArray({14.0}));
  EXPECT_EQ(marks.timeZero, 0.0);
  EXPECT_FALSE(triggerMarks(times, findings, 0, false).timeZero.has_value());
}

// The labels under the axis, in order.
std::vector<std::string> axisLabels(const std::string& svg) {
  std::vector<std::string> labels;
  const std::regex label("<text x=\"[0-9.]+\" y=\"[0-9.]+\" text-anchor=\"middle\">([^<]*)</text>");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), label); it != std::sregex_iterator();
       ++it) {
    labels.push_back((*it)[1]);
  }
  if (!labels.empty())
    labels.pop_back();  // the axis's title
  return labels;
}

TEST(SvgTimeline, AxisTicksAreRound) {
  const struct {
    double from, to;
    int width;
    std::vector<std::string> labels;
  } cases[] = {
      {0, 120, 1000, {"0", "20", "40", "60", "80", "100", "120"}},
      {-3, 3, 1000, {"-3", "-2", "-1", "0", "1", "2", "3"}},
      {10, 10.5, 1000, {"10", "10.1", "10.2", "10.3", "10.4", "10.5"}},
      {0,
       2000000,
       1600,
       {"0", "200000", "400000", "600000", "800000", "1000000", "1200000", "1400000", "1600000",
        "1800000", "2000000"}},
      {0.001, 0.002, 600, {"0.001", "0.0015", "0.002"}},
  };
  for (const auto& c : cases) {
    Timeline timeline;
    TimelineView view;
    view.width = c.width;
    view.from = c.from;
    view.to = c.to;
    EXPECT_THAT(axisLabels(renderTimelineSvg(timeline, view)), ElementsAreArray(c.labels))
        << c.from << " to " << c.to;
  }
}

// 60 rows sharing `count` intervals of random lengths and gaps, in time order.
Timeline manyIntervals(int64_t count, double meanLength, double meanGap) {
  std::mt19937_64 random(7);
  std::exponential_distribution<double> length(1 / meanLength);
  std::exponential_distribution<double> gap(1 / meanGap);
  Timeline timeline;
  timeline.rows.resize(60);
  double t = 0;
  for (int64_t i = 0; i < count; ++i) {
    TimelineRow& row = timeline.rows[random() % 60];
    t += gap(random);
    row.starts.push_back(t);
    t += length(random);
    row.ends.push_back(t);
  }
  return timeline;
}

TEST(SvgTimeline, AMillionIntervalsGiveUnderTwoMegabytes) {
  // Bars that fill their columns unevenly make the most column runs of differing levels.
  for (const double gap : {0.5, 5.0, 50.0}) {
    const Timeline timeline = manyIntervals(1000000, 2.0, gap);
    const std::string svg = renderTimelineSvg(timeline, TimelineView());
    EXPECT_LT(svg.size(), 2000000u) << gap;
    EXPECT_THAT(svg, HasSubstr("paler columns"));
  }
}

TEST(SvgTimeline, WindowLeavesOutWhatIsOutsideIt) {
  Timeline timeline;
  timeline.rows.push_back({"A", 0x112233, {0, 50}, {10, 60}, {5, 55}});
  TimelineView view;
  view.width = 1000;
  view.from = 40;
  view.to = 100;
  const TimelineGeometry g = timelineGeometry(timeline, view);
  const std::string svg = renderTimelineSvg(timeline, view);
  // One bar, from 50 to 60, and one tick at 55: nothing of the first bar or tick, which
  // would start at the window's left edge.
  size_t paths = 0;
  for (size_t pos = svg.find("stroke=\"#112233\""); pos != std::string::npos;
       pos = svg.find("stroke=\"#112233\"", pos + 1)) {
    ++paths;
  }
  EXPECT_EQ(paths, 2u);
  const std::string y =
      " " + std::to_string(g.rowTops[0] + kTimelineBarInset + kTimelineBarHeight / 2) + "h";
  EXPECT_THAT(svg, HasSubstr("<path d=\"M" + shortNumber(g.x(50), 2) + y));
  EXPECT_THAT(svg, Not(HasSubstr("<path d=\"M" + std::to_string(g.plotLeft) + y)));
}

TEST(SvgTimeline, TimesAtTheEndsOfTheDoublesStillGiveNumbers) {
  const double huge = std::numeric_limits<double>::max();
  const double infinity = std::numeric_limits<double>::infinity();
  const struct {
    std::vector<double> starts, ends, ticks;
    std::optional<double> from, to;
  } cases[] = {
      {{huge}, {infinity}, {-huge}, {}, {}},
      {{1e300}, {1e300}, {1e300}, {}, {}},
      {{0}, {1}, {}, 1e300, {}},
      {{0}, {1}, {}, {}, -1e300},
      {{0}, {1e-300}, {}, 0, 1e-300},
  };
  for (const auto& c : cases) {
    Timeline timeline;
    timeline.rows.push_back({"A", 0x112233, c.starts, c.ends, c.ticks});
    timeline.triggers =
        TimelineTriggers{c.ticks, c.ticks, c.ticks, c.starts, c.ends, huge, std::nullopt, 0};
    TimelineView view;
    view.from = c.from;
    view.to = c.to;
    const std::string svg = renderTimelineSvg(timeline, view);
    const std::string drawn = svg.substr(svg.find("<path"));  // the title may say "inf"
    EXPECT_THAT(drawn, Not(HasSubstr("nan"))) << c.starts[0];
    EXPECT_THAT(drawn, Not(HasSubstr("inf"))) << c.starts[0];
  }
}

TEST(SvgTimeline, RecognisesItsOwnPictures) {
  const std::string svg = renderTimelineSvg(Timeline(), TimelineView());
  EXPECT_TRUE(isTimelineSvg(svg));
  EXPECT_TRUE(isTimelineSvg(svg.substr(0, svg.find('\n'))));
  EXPECT_FALSE(isTimelineSvg("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg>"));
  EXPECT_FALSE(isTimelineSvg(""));
}

TEST(CommandPlot, KnowsItsInputsByTheirFirstLine) {
  const struct {
    const char* head;
    PlotInput kind;
  } cases[] = {
      {"kwhost-protocol 1\ntitle", PlotInput::kProtocol},
      {"kwhost-protocol 1\r\n", PlotInput::kProtocol},
      {"kwhost-protocol 12\n", PlotInput::kUnknown},
      {"Scenario - faces\r\n", PlotInput::kLog},
      {"\xEF\xBB\xBFScenario - faces\n", PlotInput::kLog},
      {"onset\tduration\ttrial_type\n", PlotInput::kEvents},
      {"<svg>", PlotInput::kUnknown},
      {"", PlotInput::kUnknown},
  };
  for (const auto& c : cases)
    EXPECT_EQ(plotInputKind(c.head), c.kind) << c.head;
}

TEST(CommandPlot, ParsesTimesAndNamesItsOutput) {
  double value = 0;
  for (const char* good : {"0", "-5", "12.25", "1e3", "+.5"})
    EXPECT_TRUE(parseAxisTime(good, value)) << good;
  for (const char* bad : {"", " 1", "1 ", "0x10", "inf", "nan", "1e999", "5s", "--1"})
    EXPECT_FALSE(parseAxisTime(bad, value)) << bad;
  const struct {
    const char* input;
    const char* output;
    const char* outDir;
    const char* path;
  } cases[] = {
      {"run1.prt", "", "", "run1.prt.svg"},
      {"exp/run1.log", "", "", "exp/run1.log.svg"},
      {"exp/run1.log", "", "pictures", "pictures/run1.log.svg"},
      {"exp/run1.log", "x.svg", "", "x.svg"},
  };
  for (const auto& c : cases) {
    PlotOptions options;
    options.input = c.input;
    options.output = c.output;
    options.outDir = c.outDir;
    EXPECT_EQ(plotOutputPath(options), std::filesystem::path(c.path).string()) << c.input;
  }
}

}  // namespace
}  // namespace stimforge::kwhost
