// `kwhost plot` run as a process, its pictures rendered by a real SVG renderer (rsvg-convert,
// Debian librsvg2-bin) and checked pixel by pixel (read with libpng), and checked by a real
// XML parser (xmllint, Debian libxml2-utils). Both tools are required: without them these
// tests fail, as `scripts/install-deps.sh` installs them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "kwhost/protocol/file.h"
#include "kwhost/protocol/file_io.h"
#include "kwhost/sources/presentation_source.h"
#include "kwhost/timeline/from_log.h"
#include "kwhost/timeline/sources.h"
#include "kwhost/timeline/svg_timeline.h"
#include "kwhost_e2e_support.h"
#include "kwhost_runner.h"
#include "runs/run_from_text.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::runKwhost;
using testing::shellQuoted;
using testing::TempFolder;

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  uint32_t at(double x, double y) const {
    const size_t i = (static_cast<size_t>(y) * width + static_cast<size_t>(x)) * 3;
    return (rgb[i] << 16) | (rgb[i + 1] << 8) | rgb[i + 2];
  }
};

// Runs a shell command; a missing tool makes the test fail with its name.
void run(const std::string& command, const char* tool) {
  const int status = std::system((command + " 2>&1").c_str());
  ASSERT_EQ(status, 0) << command << "\n(" << tool
                       << " is required: scripts/install-deps.sh installs it)";
}

// The SVG file `svg` rendered to PNG by rsvg-convert and read back.
Image render(const std::string& svg) {
  const std::string png = svg + ".png";
  run("rsvg-convert " + shellQuoted(svg) + " -o " + shellQuoted(png),
      "rsvg-convert (librsvg2-bin)");
  Image image;
  png_image reader{};
  reader.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&reader, png.c_str()) == 0) {
    ADD_FAILURE() << "cannot read " << png << ": " << reader.message;
    return image;
  }
  reader.format = PNG_FORMAT_RGB;  // composed over black: the picture has a white background
  image.width = static_cast<int>(reader.width);
  image.height = static_cast<int>(reader.height);
  image.rgb.resize(PNG_IMAGE_SIZE(reader));
  if (png_image_finish_read(&reader, nullptr, image.rgb.data(), 0, nullptr) == 0)
    ADD_FAILURE() << "cannot read " << png << ": " << reader.message;
  return image;
}

void expectWellFormed(const std::string& svg) {
  run("xmllint --noout " + shellQuoted(svg), "xmllint (libxml2-utils)");
}

// The text xmllint reads from `svg` at the XPath `path`.
std::string xpathText(const TempFolder& folder, const std::string& svg, const std::string& path) {
  const std::string out = folder.file("xpath.txt");
  run("xmllint --xpath " + shellQuoted("string(" + path + ")") + " " + shellQuoted(svg) + " >" +
          shellQuoted(out),
      "xmllint (libxml2-utils)");
  std::string text = folder.read("xpath.txt");
  if (!text.empty() && text.back() == '\n')
    text.pop_back();  // xmllint ends what it prints with a line break
  return text;
}

// Whether a pixel is the blank of a gap: white, or the pale stripe of every second row.
bool blank(uint32_t pixel) {
  return ((pixel >> 16) & 0xFF) >= 0xE0 && ((pixel >> 8) & 0xFF) >= 0xE0 && (pixel & 0xFF) >= 0xE0;
}

constexpr char kDesign[] =
    "kwhost-protocol 1\ntitle \"design\"\ntime-resolution 2\ncolour1 0x0\ncolour2 0x0\n"
    "colour3 0x0\nthickness3 0\ncolour4 0x0\nthickness4 0\nconditions 2\n\n"
    "condition \"A\"\ncolour 0x3F00AA00\nintervals 2\n0 9998\n30000 39998\n\n"
    "condition \"B\"\ncolour 0x3FAA0000\nintervals 1\n10000 19998\n";
constexpr char kVolumes[] =
    "kwhost-protocol 1\ntitle \"\"\ntime-resolution 1\ncolour1 0x0\ncolour2 0x0\ncolour3 0x0\n"
    "thickness3 0\ncolour4 0x0\nthickness4 0\nconditions 1\n\n"
    "condition \"task\"\ncolour 0x3F0000CC\nintervals 2\n1 5\n11 15\n";

// Onsets 2 and 20 s of "face" for 3 s each, a "press" at 10 s without a duration.
constexpr char kEvents[] =
    "onset\tduration\ttrial_type\tcode\r\n2.0\t3.0\tface\tF\r\n10\tn/a\tpress\t1\r\n"
    "20.0000\t3\tface\tF\r\n";

// A log with triggers every 2 s from Time 10 s, but for the two due at 30 and 32 s (with
// `pulses`); a "face" Picture at 12 s for 4 s, a Response (code 1) at 15 s, a "house"
// Picture at 20 s for 3 s. From the first trigger: face 2 to 6 s, the response at 5 s, house
// 10 to 13 s; the missed triggers at 20 and 22 s.
std::string syntheticLog(bool pulses) {
  std::string log =
      "Scenario - synthetic\nLogfile written - 01/01/2020 10:00:00\n\nSubject\tTrial\tEvent "
      "Type\tCode\tTime\tTTime\tUncertainty\tDuration\tUncertainty\tReqTime\tReqDur\tStim "
      "Type\tPair Index\n\n";
  const auto picture = [](const char* code, int time, int duration) {
    return "S\t1\tPicture\t" + std::string(code) + "\t" + std::to_string(time) + "\t0\t1\t" +
           std::to_string(duration) + "\t1\t0\tnext\tother\t0\n";
  };
  for (int t = 100000; t <= 480000; t += 20000) {
    if (t == 120000)
      log += picture("face", 120000, 40000);
    if (t == 160000)
      log += "S\t1\tResponse\t1\t150000\t0\t1\n";
    if (t == 200000)
      log += picture("house", 200000, 30000);
    if (pulses && t != 300000 && t != 320000)
      log += "S\t1\tPulse\t53\t" + std::to_string(t) + "\t0\t1\n";
  }
  return log;
}

// The timeline kwhost draws from `text` in `file`.
Timeline timelineOf(const std::string& file, const std::string& text,
                    const RunSettings& settings = RunSettings()) {
  Timeline timeline;
  std::string error;
  if (file.size() > 4 && file.substr(file.size() - 4) == ".log") {
    static const testing::TestWords words;
    PresentationSource source(std::make_unique<MemoryLogSource>(text), file);
    RunRequest request;
    request.source = &source;
    request.name = file;
    request.settings = &settings;
    request.words = &words;
    request.propertyColumns = false;
    std::set<std::string> warnings;
    const Refusal refusal = runTimeline(request, file, timeline, warnings);
    EXPECT_FALSE(refusal.refused()) << refusal.message;
    return timeline;
  }
  if (file.size() > 4 && file.substr(file.size() - 4) == ".prt") {
    Protocol protocol;
    EXPECT_TRUE(parseProtocolText(text, file, protocol, error)) << error;
    return protocolTimeline(protocol, file);
  }
  EXPECT_TRUE(eventsFileTimeline(text, file, timeline, error)) << error;
  return timeline;
}

TEST(KwhostPlot, BarsWhereTheInputPutsThemAndGapsElsewhere) {
  const std::string withPulses = syntheticLog(true);
  const std::string withoutPulses = syntheticLog(false);
  const struct {
    const char* file;
    const char* text;
    std::vector<std::string> options;
    size_t row;
    double time;
    uint32_t colour;  // 0: a gap
  } cases[] = {
      {"p.prt", kDesign, {}, 0, 5, 0x00AA00},
      {"p.prt", kDesign, {}, 0, 15, 0},
      {"p.prt", kDesign, {}, 0, 25, 0},
      {"p.prt", kDesign, {}, 0, 35, 0x00AA00},
      {"p.prt", kDesign, {}, 1, 15, 0xAA0000},
      {"p.prt", kDesign, {}, 1, 5, 0},
      {"p.prt", kDesign, {}, 1, 35, 0},
      {"v.prt", kVolumes, {}, 0, 2.5, 0x0000CC},
      {"v.prt", kVolumes, {}, 0, 7.5, 0},
      {"v.prt", kVolumes, {}, 0, 12.5, 0x0000CC},
      {"v.prt", kVolumes, {}, 0, 4.5, 0x0000CC},  // volume 5 is the slot from 4 to 5
      {"v.prt", kVolumes, {}, 0, 5.5, 0},
      {"p.prt", kDesign, {"--from", "12", "--to", "18"}, 1, 13, 0xAA0000},
      {"p.prt", kDesign, {"--from", "12", "--to", "18"}, 0, 17, 0},
      {"p.prt", kDesign, {"--from", "25", "--to", "45", "--width", "700"}, 0, 38, 0x00AA00},
      {"p.prt", kDesign, {"--from", "25", "--to", "45", "--width", "700"}, 0, 42, 0},
      {"e.tsv", kEvents, {}, 0, 3.5, kTimelinePalette[0]},
      {"e.tsv", kEvents, {}, 0, 7, 0},
      {"e.tsv", kEvents, {}, 0, 22, kTimelinePalette[0]},
      {"e.tsv", kEvents, {}, 1, 10, kTimelinePalette[1]},
      {"e.tsv", kEvents, {}, 1, 12, 0},
      {"l.log", withPulses.c_str(), {}, 0, 4, kTimelinePalette[0]},
      {"l.log", withPulses.c_str(), {}, 0, 8, 0},
      {"l.log", withPulses.c_str(), {}, 1, 5, kTimelinePalette[1]},
      {"l.log", withPulses.c_str(), {}, 2, 11.5, kTimelinePalette[2]},
      {"l.log", withPulses.c_str(), {}, 3, 20, 0xD62728},  // 3: the trigger row; missed
      {"l.log", withPulses.c_str(), {}, 3, 22, 0xD62728},
      {"l.log", withPulses.c_str(), {"--zero", "scenario"}, 0, 14, kTimelinePalette[0]},
      {"l.log", withPulses.c_str(), {"--zero", "scenario"}, 0, 4, 0},
      {"l.log", withoutPulses.c_str(), {}, 0, 14, kTimelinePalette[0]},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    folder.write(c.file, c.text);
    std::vector<std::string> args = {"plot", c.file};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const testing::KwhostResult result = runKwhost(folder, args);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(result.err, HasSubstr("kwhost: saved " + std::string(c.file) + ".svg: "));
    const Image image = render(folder.file(std::string(c.file) + ".svg"));
    TimelineView view;
    RunSettings log;
    for (size_t i = 0; i + 1 < c.options.size(); i += 2) {
      if (c.options[i] == "--zero") {
        log.zero.kind = ZeroRule::Kind::kScenario;
        continue;
      }
      const double value = std::stod(c.options[i + 1]);
      if (c.options[i] == "--from")
        view.from = value;
      else if (c.options[i] == "--to")
        view.to = value;
      else
        view.width = static_cast<int>(value);
    }
    const TimelineGeometry g = timelineGeometry(timelineOf(c.file, c.text, log), view);
    ASSERT_EQ(image.width, g.width);
    const double y = c.row < g.rowTops.size()
                         ? g.rowTops[c.row] + kTimelineBarInset + kTimelineBarHeight / 2.0
                         : g.triggerRowTop + kTimelineRowHeight / 2.0;
    const uint32_t pixel = image.at(g.x(c.time), y);
    if (c.colour == 0)
      EXPECT_TRUE(blank(pixel)) << std::hex << pixel << " " << c.file << " row " << c.row << " at "
                                << c.time;
    else
      EXPECT_EQ(pixel, c.colour) << std::hex << pixel << " " << c.file << " row " << c.row << " at "
                                 << c.time;
  }
}

TEST(KwhostPlot, AWhiteConditionGetsAGreyEdge) {
  TempFolder folder;
  std::string protocol = kDesign;
  protocol.replace(protocol.find("0x3F00AA00"), 10, "0x3FFFFFFF");
  folder.write("p.prt", protocol);
  ASSERT_EQ(runKwhost(folder, {"plot", "p.prt"}).status, 0);
  const Image image = render(folder.file("p.prt.svg"));
  const TimelineGeometry g = timelineGeometry(timelineOf("p.prt", protocol), {});
  const double edge = g.rowTops[0] + kTimelineBarInset + 0.5;
  EXPECT_EQ(image.at(g.x(5), edge), 0x999999u);
  EXPECT_EQ(image.at(g.x(5), edge + kTimelineBarHeight / 2.0), 0xFFFFFFu);
  EXPECT_EQ(image.at(g.x(25), edge), 0xFFFFFFu);  // the gap: no edge
}

TEST(KwhostPlot, AMillionIntervalsMergedRenderUnderTwoMegabytes) {
  TempFolder folder;
  Protocol protocol;
  protocol.conditions.resize(60);
  int32_t t = 0;
  for (int i = 0; i < 1000000; ++i) {
    Condition& c = protocol.conditions[static_cast<size_t>(int64_t{i} * 7919 % 60)];
    c.colour = 0x3F0000FF;
    c.starts.push_back(t);
    c.ends.push_back(t + 1500);
    t += 2000;
  }
  std::string error;
  ASSERT_TRUE(saveProtocolFile(folder.file("big.prt"), protocol, false, "", error)) << error;
  const testing::KwhostResult result = runKwhost(folder, {"plot", "big.prt"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_LT(std::filesystem::file_size(folder.file("big.prt.svg")), 2000000u);
  expectWellFormed(folder.file("big.prt.svg"));
  const Image image = render(folder.file("big.prt.svg"));
  const TimelineGeometry g = timelineGeometry(protocolTimeline(protocol, "big.prt"), {});
  // Each row's intervals cover a little of every column: a pale blue, never a blank.
  for (const size_t row : {size_t{0}, size_t{31}, size_t{59}}) {
    const uint32_t pixel = image.at(g.plotLeft + g.plotWidth / 2.0, g.rowTops[row] + 11);
    EXPECT_FALSE(blank(pixel)) << std::hex << pixel;
    EXPECT_GT(pixel & 0xFF, (pixel >> 16) + 0x40) << std::hex << pixel;  // bluish
  }
}

TEST(KwhostPlot, AnyNameGivesWellFormedXmlThatShowsItAsText) {
  const struct {
    std::string quoted;  // as the protocol file writes it
    std::string shown;   // the whole name, UTF-8, as the tooltip holds it
  } cases[] = {
      {"<b>Faces & \\\"houses\\\"</b> 'x' ]]> <!--", "<b>Faces & \"houses\"</b> 'x' ]]> <!--"},
      {"caf\xE9 \x80 \\x01", "caf\xC3\xA9 \xE2\x82\xAC \xEF\xBF\xBD"},
      {"caf\xC3\xA9 <i>", "caf\xC3\xA9 <i>"},
      {std::string(200, '\xE9'),
       [] {
         std::string s;
         for (int i = 0; i < 200; ++i)
           s += "\xC3\xA9";
         return s;
       }()},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    folder.write("a&b <c>.prt",
                 "kwhost-protocol 1\ntitle \"<T> & \xE9\"\ntime-resolution 2\ncolour1 0x0\n"
                 "colour2 0x0\ncolour3 0x0\nthickness3 0\ncolour4 0x0\nthickness4 0\n"
                 "conditions 1\n\ncondition \"" +
                     c.quoted + "\"\ncolour 0x3F123456\nintervals 1\n0 1000\n");
    const testing::KwhostResult result = runKwhost(folder, {"plot", "a&b <c>.prt"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string svg = folder.file("a&b <c>.prt.svg");
    expectWellFormed(svg);
    EXPECT_EQ(xpathText(folder, svg, "//*[local-name()='title'][1]"), c.shown);
    EXPECT_EQ(xpathText(folder, svg, "//*[local-name()='text'][1]"), "a&b <c>.prt");
    EXPECT_EQ(xpathText(folder, svg, "//*[local-name()='text'][3]"), "title: <T> & \xC3\xA9");
  }
}

TEST(KwhostPlot, ARealLogAndItsImportedProtocol) {
  SF_SKIP_WITHOUT_REAL_LOGS();
  TempFolder folder;
  const std::string log = testing::copyRealLog(folder, "idor_sound");
  ASSERT_EQ(runKwhost(folder, {"import", log}).status, 0);
  for (const std::string& input : {log, std::string("idor_sound.prt")}) {
    const testing::KwhostResult result = runKwhost(folder, {"plot", input});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string svg = folder.file(input + ".svg");
    expectWellFormed(svg);
    const Image image = render(svg);
    EXPECT_EQ(image.width, kDefaultTimelineWidth);
  }
  // The log's 240 triggers, one scan, its time zero on the first.
  const std::string svg = folder.file(log + ".svg");
  EXPECT_EQ(xpathText(folder, svg, "//*[local-name()='text'][3]"),
            "time zero: trigger 1 (Pulse events), at Time 17328.2 ms in the log");
  EXPECT_THAT(folder.read(log + ".svg"), HasSubstr(">240 triggers</text>"));
  EXPECT_THAT(folder.read(log + ".svg"), HasSubstr(">1 scan (start to end)</text>"));
}

TEST(KwhostPlot, ALogWithoutTriggersIsDrawnFromTheScenarioAndTheTitleSaysSo) {
  TempFolder folder;
  folder.write("l.log", syntheticLog(false));
  const testing::KwhostResult result = runKwhost(folder, {"plot", "l.log"});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string svg = folder.file("l.log.svg");
  expectWellFormed(svg);
  // The note, wrapped at a blank to the picture's width, on two lines.
  EXPECT_EQ(xpathText(folder, svg, "//*[local-name()='text'][3]") + " " +
                xpathText(folder, svg, "//*[local-name()='text'][4]"),
            "drawn from the scenario's origin, as kwhost events refuses it under --zero auto: no "
            "scanner triggers (Pulse events) in l.log; no series of its events beats like "
            "triggers; its event types are Picture, Response; if it logged none, give --zero "
            "scenario, --zero MS or --zero code:NAME");
  // With an explicit zero that events refuses, nothing is drawn.
  const testing::KwhostResult refused = runKwhost(folder, {"plot", "l.log", "--zero", "code:x"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "kwhost: plot: no event of l.log has the code \"x\"\n");
}

TEST(KwhostPlot, SavesSafelyAndReportsFailuresWithTheirStatus) {
  TempFolder folder;
  folder.write("p.prt", kDesign);
  folder.write("mine.svg", "<svg>not kwhost's</svg>");
  std::filesystem::create_directory(folder.path() / "out");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"plot", "p.prt", "-o", "mine.svg"},
       1,
       "kwhost: plot: not replacing mine.svg: it is not a picture that kwhost wrote; it is left "
       "as it was (give --force to replace it)\n"},
      {{"plot", "p.prt"}, 0, ""},
      {{"plot", "p.prt"}, 0, ""},  // its own picture is replaced
      {{"plot", "p.prt", "--out-dir", "out"}, 0, ""},
      {{"plot", "missing.prt"},
       1,
       "kwhost: plot: cannot read missing.prt: No such file or directory\n"},
      {{"plot", "mine.svg"},
       1,
       "kwhost: plot: mine.svg: not a protocol file, a Presentation log or an events file\n"},
      {{"plot", "p.prt", "--from", "5", "--to", "5"},
       2,
       "kwhost: --from must be before --to\nRun with --help for more information.\n"},
      {{"plot", "p.prt", "--width", "299"},
       2,
       "kwhost: --width: 299 is outside 300 to 100000 pixels\nRun with --help for more "
       "information.\n"},
      {{"plot", "p.prt", "-o", "x.svg", "--out-dir", "out"},
       2,
       "kwhost: -o and --out-dir cannot be used together\nRun with --help for more "
       "information.\n"},
      {{"plot", "p.prt", "--from", "ten"},
       2,
       "kwhost: --from: \"ten\" is not a number\nRun with --help for more information.\n"},
      {{"plot", "p.prt", "--zero", "scenario"},
       2,
       "kwhost: plot: --zero goes with a Presentation log; p.prt is a protocol file\nRun with "
       "--help for more information.\n"},
      {{"plot", "p.prt", "--zero", "soon"},
       2,
       "kwhost: --zero: \"soon\" is none of auto, scenario, a time in ms (at most one decimal) "
       "or code:NAME\nRun with --help for more information.\n"},
      {{"plot", "p.prt", "-o", "mine.svg", "--force"}, 0, ""},
  };
  for (const auto& c : cases) {
    const testing::KwhostResult result = runKwhost(folder, c.args);
    EXPECT_EQ(result.status, c.status) << c.args.back() << ": " << result.err;
    if (c.status == 0)
      EXPECT_THAT(result.err, HasSubstr("kwhost: saved ")) << c.args.back();
    else
      EXPECT_EQ(result.err, c.err) << c.args.back();
  }
  EXPECT_TRUE(isTimelineSvg(folder.read("mine.svg")));
  EXPECT_TRUE(isTimelineSvg(folder.read("out/p.prt.svg")));
  EXPECT_THAT(folder.entries(), ElementsAre("mine.svg", "out", "p.prt", "p.prt.svg"));
}

}  // namespace
}  // namespace stimforge::kwhost
