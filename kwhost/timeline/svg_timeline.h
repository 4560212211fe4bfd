// A timeline picture as a standalone SVG 1.1 document: one row per condition with its
// intervals as bars and its events without a duration as ticks, an axis with round ticks,
// a title, and for logs a row of scanner triggers with what their analysis found. Pure: the
// picture is made from plain data in memory; nothing here reads or writes files.
#ifndef STIMFORGE_KWHOST_TIMELINE_SVG_TIMELINE_H_
#define STIMFORGE_KWHOST_TIMELINE_SVG_TIMELINE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stimforge::kwhost {

// The unit of the time axis, and of every time below.
enum class TimelineUnit { kSeconds, kVolumes };

struct TimelineRow {
  std::string name;  // UTF-8 (other bytes are drawn as U+FFFD: convert them first)
  uint32_t rgb = 0;  // 0xRRGGBB
  // Bar i covers [starts[i], ends[i]). Always the same length; any order, overlaps allowed.
  // A bar that does not end after it starts is drawn as a tick at its start.
  std::vector<double> starts;
  std::vector<double> ends;
  std::vector<double> ticks;  // events without a duration, any order
};

// What the analysis of a log's scanner triggers found, drawn on a row of its own.
struct TimelineTriggers {
  std::vector<double> pulses;  // every trigger logged
  std::vector<double> missed;  // where triggers are missing (each an expected time)
  std::vector<double> extra;   // triggers too soon after the one before
  // Scan i ran from scanStarts[i] to scanEnds[i]. Always the same length.
  std::vector<double> scanStarts;
  std::vector<double> scanEnds;
  std::optional<double> timeZero;  // drawn across every row
  // With a BOLD run: the stored scan, from time zero to its end; the time outside it is
  // shaded across every row, and `outsideScan` stimulus events lie there.
  std::optional<std::pair<double, double>> storedScan;
  size_t outsideScan = 0;
  // Whether triggers were logged at all: an events file drawn over its scan has none, and
  // its legend shows the stored scan and time zero alone.
  bool logged = true;
};

struct Timeline {
  std::string fileName;            // first in the title (UTF-8)
  std::vector<std::string> notes;  // more title lines, one each (UTF-8)
  TimelineUnit unit = TimelineUnit::kSeconds;
  std::vector<TimelineRow> rows;             // drawn top to bottom in this order
  std::optional<TimelineTriggers> triggers;  // a trigger row under the conditions, and a legend
};

constexpr int kDefaultTimelineWidth = 1600;
constexpr int kMinTimelineWidth = 300;
constexpr int kMaxTimelineWidth = 100000;

// What part of the timeline is drawn, and how wide.
struct TimelineView {
  int width = kDefaultTimelineWidth;  // pixels; kMinTimelineWidth to kMaxTimelineWidth
  // The window of time shown, in the axis's unit. Unset: from the earlier of 0 and the first
  // time in the timeline, to its last time. Requires: finite, and from < to when both are set.
  std::optional<double> from;
  std::optional<double> to;
};

// Where renderTimelineSvg puts things, in pixels from the picture's top left corner.
struct TimelineGeometry {
  int width = 0;
  int plotLeft = 0;   // where the window's start is drawn; the names stand left of it
  int plotWidth = 0;  // pixels (and pixel columns) from the window's start to its end
  double from = 0;    // the window drawn, in the axis's unit
  double to = 1;
  std::vector<int> rowTops;  // row i's bars cover rowTops[i] + kTimelineBarInset downwards
  int triggerRowTop = -1;    // -1: no trigger row
  int axisY = 0;             // the axis line
  int legendTop = 0;         // the legend below it; the picture ends with the legend

  // The x at which time `t` is drawn.
  double x(double t) const { return plotLeft + (t - from) * plotWidth / (to - from); }
};

constexpr int kTimelineRowHeight = 22;
constexpr int kTimelineBarInset = 3;    // a bar's top below its row's top
constexpr int kTimelineBarHeight = 16;  // a bar's height

// The geometry of the picture renderTimelineSvg draws for the same arguments, with the same
// requirements.
TimelineGeometry timelineGeometry(const Timeline& timeline, const TimelineView& view);

// The first line of every picture renderTimelineSvg makes (a line break follows): the XML
// declaration and the comment by which kwhost knows a file as its own.
constexpr char kTimelineSvgFirstLine[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- kwhost plot: a timeline drawn by kwhost -->";

// The start of the picture's second line, which records its own bytes (own_record.h): the
// crc32 of the picture without that line follows, then " of this picture without this line
// -->". kwhost replaces a picture that records its bytes only while they are unchanged.
constexpr char kTimelineRecordPrefix[] = "<!-- kwhost: crc32 ";

// The whole SVG document. Bars and ticks that fall outside the window are left out, bars
// that cross its edges are cut there. Within a row, bars at least a pixel wide are drawn
// where they are; the rest are merged per pixel column into one mark whose opacity tells
// how much of the column they cover, so the text grows with the width and not with the
// number of bars. Marks of a colour close to white get a grey edge. Every text is escaped (any
// bytes give well-formed XML that draws them). Requires: the view's limits above; times not NaN.
std::string renderTimelineSvg(const Timeline& timeline, const TimelineView& view);

// Whether `head`, a file's first line (with or without what follows it), is the first line
// of a picture renderTimelineSvg made.
bool isTimelineSvg(std::string_view head);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_TIMELINE_SVG_TIMELINE_H_
