#include "kwhost/timeline/svg_timeline.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/common/own_record.h"
#include "kwhost/timeline/svg_marks.h"
#include "kwhost/timeline/svg_text.h"

namespace stimforge::kwhost {
namespace {

constexpr int kMargin = 8;
constexpr int kRightMargin = 24;
constexpr int kTitleHeight = 20;    // the file name's line
constexpr int kLineHeight = 17;     // each further title line
constexpr int kCharacterWidth = 7;  // a generous average for 12-pixel sans-serif text
constexpr int kAxisTickLength = 5;
constexpr int kAxisTickSpacing = 110;  // pixels aimed at between labelled ticks
constexpr int kLegendHeight = 20;
constexpr double kTimelineTimeLimit = 1e300;

constexpr unsigned kStripe = 0xF2F2F2;
constexpr unsigned kGrid = 0xDDDDDD;
constexpr unsigned kPaleEdge = 0x999999;
constexpr unsigned kText = 0x222222;
constexpr unsigned kPulse = 0x777777;
constexpr unsigned kMissed = 0xD62728;
constexpr unsigned kExtra = 0xFF7F0E;
constexpr unsigned kScan = 0x1F77B4;
constexpr unsigned kScanBand = 0xD6E6F4;
constexpr unsigned kTimeZero = 0x2CA02C;
constexpr unsigned kOutsideScan = 0x555555;
constexpr double kOutsideScanOpacity = 0.15;

struct Extent {
  double first = std::numeric_limits<double>::infinity();
  double last = -std::numeric_limits<double>::infinity();
  void add(double t) {
    first = std::min(first, t);
    last = std::max(last, t);
  }
  void add(const std::vector<double>& times) {
    for (const double t : times)
      add(t);
  }
  bool empty() const { return first > last; }
};

Extent extentOf(const Timeline& timeline) {
  Extent extent;
  for (const TimelineRow& row : timeline.rows) {
    extent.add(row.starts);
    extent.add(row.ends);
    extent.add(row.ticks);
  }
  if (timeline.triggers) {
    const TimelineTriggers& t = *timeline.triggers;
    extent.add(t.pulses);
    extent.add(t.missed);
    extent.add(t.extra);
    extent.add(t.scanStarts);
    extent.add(t.scanEnds);
    if (t.timeZero)
      extent.add(*t.timeZero);
    if (t.storedScan) {
      extent.add(t.storedScan->first);
      extent.add(t.storedScan->second);
    }
  }
  return extent;
}

// The notes under the summary line, each wrapped at blanks to the picture's width (about 6.5
// pixels a character of the 12-pixel font), a word longer than a line cut where a character
// begins.
std::vector<std::string> noteLines(const Timeline& timeline, int width) {
  const size_t limit = std::max<size_t>(40, static_cast<size_t>((width - 2 * kMargin) / 6.5));
  std::vector<std::string> lines;
  for (const std::string& note : timeline.notes) {
    std::string_view rest = note;
    while (rest.size() > limit) {
      size_t cut = rest.rfind(' ', limit);
      size_t next = cut + 1;
      if (cut == std::string_view::npos || cut == 0) {
        cut = limit;
        while (cut > 1 && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80)
          --cut;
        next = cut;
      }
      lines.emplace_back(rest.substr(0, cut));
      rest.remove_prefix(next);
    }
    lines.emplace_back(rest);
  }
  return lines;
}

int titleLines(const Timeline& timeline, int width) {
  return 1 + static_cast<int>(noteLines(timeline, width).size());
}

const char* unitName(TimelineUnit unit) {
  return unit == TimelineUnit::kVolumes ? "volumes" : "s";
}

void appendPlural(std::string& out, size_t count, const char* one, const char* many) {
  out += std::to_string(count);
  out += ' ';
  out += count == 1 ? one : many;
}

// "3 conditions, 7 intervals, from 0 to 120 s" and, for a window, "; shown: 10 to 20 s".
std::string summaryLine(const Timeline& timeline, const TimelineView& view,
                        const TimelineGeometry& g) {
  size_t bars = 0;
  size_t ticks = 0;
  for (const TimelineRow& row : timeline.rows) {
    bars += row.starts.size();
    ticks += row.ticks.size();
  }
  std::string line;
  appendPlural(line, timeline.rows.size(), "condition", "conditions");
  line += ", ";
  appendPlural(line, bars, "interval", "intervals");
  if (ticks > 0) {
    line += ", ";
    appendPlural(line, ticks, "event without a duration", "events without a duration");
  }
  const Extent extent = extentOf(timeline);
  const char* unit = unitName(timeline.unit);
  if (!extent.empty()) {
    line += ", from " + shortNumber(extent.first, 4) + " to " + shortNumber(extent.last, 4) + ' ' +
            unit;
  }
  if (view.from || view.to) {
    line += "; shown: " + shortNumber(g.from, 4) + " to " + shortNumber(g.to, 4) + ' ' + unit;
  }
  return line;
}

// The distance between labelled ticks: 1, 2 or 5 times a power of ten, the smallest that
// keeps them about kAxisTickSpacing pixels apart. Its decimals in `decimals`.
double tickStep(const TimelineGeometry& g, int& decimals) {
  // Kept within what log10 and pow handle, whatever times the timeline holds.
  const double wanted = std::clamp((g.to - g.from) * kAxisTickSpacing / g.plotWidth, 1e-300, 1e300);
  const int power = static_cast<int>(std::floor(std::log10(wanted)));
  const double magnitude = std::pow(10.0, power);
  double step = 10 * magnitude;
  for (const double m : {1.0, 2.0, 5.0}) {
    if (m * magnitude >= wanted * 0.999) {
      step = m * magnitude;
      break;
    }
  }
  decimals = std::clamp(-static_cast<int>(std::floor(std::log10(step) + 1e-9)), 0, 9);
  return step;
}

void appendText(std::string& out, double x, double y, std::string_view text,
                const char* attributes = "") {
  out += "<text x=\"";
  appendShortNumber(out, x, 2);
  out += "\" y=\"";
  appendShortNumber(out, y, 2);
  out += '"';
  out += attributes;
  out += '>';
  appendXmlText(out, text);
  out += "</text>\n";
}

void drawGridAndAxis(std::string& out, const TimelineGeometry& g, TimelineUnit unit) {
  int decimals = 0;
  const double step = tickStep(g, decimals);
  std::string grid;
  std::string ticks;
  std::string labels;
  const double first = std::ceil(g.from / step - 1e-9);
  for (int i = 0; i < 1000; ++i) {
    double t = (first + i) * step;
    if (t > g.to + step * 1e-9)
      break;
    if (std::fabs(t) < step * 1e-9)
      t = 0;
    const double x = std::round(g.x(t)) + 0.5;  // crisp one-pixel lines
    const std::string at = shortNumber(x, 2);
    grid += "M" + at + " " + std::to_string(g.rowTops.empty() ? g.axisY : g.rowTops.front()) + "V" +
            std::to_string(g.axisY);
    ticks += "M" + at + " " + std::to_string(g.axisY) + "v" + std::to_string(kAxisTickLength);
    appendText(labels, x, g.axisY + kAxisTickLength + 13, shortNumber(t, decimals),
               " text-anchor=\"middle\"");
  }
  out += "<path d=\"" + grid + "\" fill=\"none\" stroke=\"" + hexColour(kGrid) + "\"/>\n";
  out += "<path d=\"M" + std::to_string(g.plotLeft) + " " + std::to_string(g.axisY) + ".5h" +
         std::to_string(g.plotWidth) + ticks + "\" fill=\"none\" stroke=\"" + hexColour(kText) +
         "\"/>\n";
  out += labels;
  appendText(out, g.plotLeft + g.plotWidth / 2.0, g.axisY + kAxisTickLength + 30,
             unit == TimelineUnit::kVolumes ? "volumes" : "time (s)", " text-anchor=\"middle\"");
}

// The row's name at the left, cut to the room there, with the whole name as its tooltip.
void drawName(std::string& out, const std::string& name, const TimelineGeometry& g, int top) {
  const size_t room =
      static_cast<size_t>(std::max(1, (g.plotLeft - 2 * kMargin) / kCharacterWidth));
  out += "<g><title>";
  appendXmlText(out, name);
  out += "</title>";
  std::string text;
  appendText(text, kMargin, top + kTimelineBarInset + 12, cutWithEllipsis(name, room));
  text.pop_back();  // the line break: the group closes on the same line
  out += text + "</g>\n";
}

// One condition's bars and ticks. Returns whether bars were merged into pixel columns.
bool drawRow(std::string& out, const TimelineRow& row, const TimelineGeometry& g, int top) {
  const size_t columns = static_cast<size_t>(g.plotWidth);
  const double scale = g.plotWidth / (g.to - g.from);
  std::vector<double> x0;
  std::vector<double> x1;
  std::vector<double> tickTimes = row.ticks;
  for (size_t i = 0; i < row.starts.size(); ++i) {
    const double s = row.starts[i];
    const double e = row.ends[i];
    if (!(e > s)) {
      tickTimes.push_back(s);
      continue;
    }
    const double a = std::max(s, g.from);
    const double b = std::min(e, g.to);
    if (b <= a)
      continue;
    x0.push_back(std::min((a - g.from) * scale, static_cast<double>(columns)));
    x1.push_back(std::min((b - g.from) * scale, static_cast<double>(columns)));
    if (x1.back() <= x0.back()) {  // too short to survive the scaling: a sliver
      x0.pop_back();
      x1.pop_back();
      tickTimes.push_back(a);
    }
  }
  std::vector<double> wideX0;
  std::vector<double> wideX1;
  std::vector<float> coverage(columns, 0.0f);
  mergeBars(x0, x1, wideX0, wideX1, coverage);
  std::vector<char> levels(columns, 0);
  bool merged = false;
  for (size_t c = 0; c < columns; ++c) {
    levels[c] = static_cast<char>(coverageLevel(coverage[c]));
    merged = merged || levels[c] != 0;
  }
  std::vector<char> tickColumns(columns, 0);
  markTimes(tickTimes, g.from, g.to, scale, tickColumns);

  const std::string colour = hexColour(row.rgb);
  // A colour close to white (a protocol may well give one) would vanish on the white page:
  // its marks get a grey edge above and below.
  const unsigned r = (row.rgb >> 16) & 0xFF;
  const unsigned gr = (row.rgb >> 8) & 0xFF;
  const unsigned b = row.rgb & 0xFF;
  const bool pale = 299 * r + 587 * gr + 114 * b > 1000 * 0xE6;
  const auto draw = [&](const SegmentPath& path, double opacity) {
    if (pale)
      path.write(out, hexColour(kPaleEdge), kTimelineBarHeight, opacity);
    path.write(out, colour, pale ? kTimelineBarHeight - 2 : kTimelineBarHeight, opacity);
  };
  const double y = top + kTimelineBarInset + kTimelineBarHeight / 2.0;
  for (int level = 1; level <= kCoverageLevels; ++level) {
    SegmentPath path(y);
    addColumnRuns(levels, static_cast<char>(level), g.plotLeft, path);
    draw(path, kCoverageOpacity[level - 1]);
  }
  SegmentPath wide(y);
  for (size_t i = 0; i < wideX0.size(); ++i)
    wide.add(g.plotLeft + wideX0[i], g.plotLeft + wideX1[i]);
  draw(wide, 1.0);
  SegmentPath ticks(y);
  addColumnRuns(tickColumns, 1, g.plotLeft, ticks);
  draw(ticks, 1.0);
  return merged;
}

// Column marks of `times` on the trigger row, `height` pixels high around its middle.
size_t drawTriggerMarks(std::string& out, const std::vector<double>& times, unsigned colour,
                        int height, const TimelineGeometry& g) {
  std::vector<char> columns(static_cast<size_t>(g.plotWidth), 0);
  const double scale = g.plotWidth / (g.to - g.from);
  markTimes(times, g.from, g.to, scale, columns);
  SegmentPath path(g.triggerRowTop + kTimelineRowHeight / 2.0);
  addColumnRuns(columns, 1, g.plotLeft, path);
  path.write(out, hexColour(colour), height, 1.0);
  return times.size();
}

// The time before the stored scan and after it, shaded across every row and the triggers.
void shadeOutsideScan(std::string& out, const std::pair<double, double>& scan,
                      const TimelineGeometry& g) {
  const int top = g.rowTops.empty() ? g.triggerRowTop : g.rowTops.front();
  const int height = g.triggerRowTop + kTimelineRowHeight - top;
  for (const auto& [a, b] : {std::make_pair(g.from, std::min(scan.first, g.to)),
                             std::make_pair(std::max(scan.second, g.from), g.to)}) {
    if (b <= a)
      continue;
    out += "<rect x=\"" + shortNumber(g.x(a), 2) + "\" y=\"" + std::to_string(top) + "\" width=\"" +
           shortNumber(g.x(b) - g.x(a), 2) + "\" height=\"" + std::to_string(height) +
           "\" fill=\"" + hexColour(kOutsideScan) + "\" fill-opacity=\"" +
           shortNumber(kOutsideScanOpacity, 2) + "\"/>\n";
  }
}

void drawTriggers(std::string& out, const TimelineTriggers& t, const TimelineGeometry& g) {
  const int top = g.triggerRowTop;
  drawName(out, t.logged ? "scanner triggers" : "the stored scan", g, top);
  // Scans as bands, their starts and ends as edges.
  SegmentPath bands(top + kTimelineRowHeight / 2.0);
  std::vector<std::pair<double, double>> scans;
  for (size_t i = 0; i < t.scanStarts.size(); ++i) {
    const double a = std::max(t.scanStarts[i], g.from);
    const double b = std::min(t.scanEnds[i], g.to);
    if (b > a)
      scans.emplace_back(g.x(a), g.x(b));
  }
  std::sort(scans.begin(), scans.end());
  double reached = -1;
  for (const auto& [a, b] : scans) {
    const double from = std::max(a, reached);
    if (b > from + 0.01) {
      bands.add(from, b);
      reached = b;
    }
  }
  bands.write(out, hexColour(kScanBand), kTimelineRowHeight - 2, 1.0);
  std::vector<double> edges = t.scanStarts;
  edges.insert(edges.end(), t.scanEnds.begin(), t.scanEnds.end());
  drawTriggerMarks(out, edges, kScan, kTimelineRowHeight - 2, g);
  drawTriggerMarks(out, t.pulses, kPulse, 8, g);
  drawTriggerMarks(out, t.extra, kExtra, kTimelineRowHeight - 6, g);
  drawTriggerMarks(out, t.missed, kMissed, kTimelineRowHeight - 6, g);
  if (t.storedScan)
    shadeOutsideScan(out, *t.storedScan, g);
  if (t.timeZero && *t.timeZero >= g.from && *t.timeZero <= g.to) {
    const std::string x = shortNumber(std::round(g.x(*t.timeZero)) + 0.5, 2);
    const int first = g.rowTops.empty() ? top : g.rowTops.front();
    out += "<path d=\"M" + x + " " + std::to_string(first) + "V" +
           std::to_string(top + kTimelineRowHeight) + "\" fill=\"none\" stroke=\"" +
           hexColour(kTimeZero) + "\" stroke-width=\"2\" stroke-dasharray=\"6 3\"/>\n";
  }
}

struct LegendEntry {
  unsigned colour;
  double opacity;
  std::string text;
};

void drawLegend(std::string& out, const std::vector<LegendEntry>& entries,
                const TimelineGeometry& g, int top) {
  int x = g.plotLeft;
  int y = top;
  for (const LegendEntry& entry : entries) {
    const int width = 20 + static_cast<int>(entry.text.size()) * kCharacterWidth;
    if (x > g.plotLeft && x + width > g.width - kMargin) {
      x = g.plotLeft;
      y += kLegendHeight;
    }
    out += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y + 4) +
           "\" width=\"12\" height=\"12\" fill=\"" + hexColour(entry.colour) + '"';
    if (entry.opacity < 1)
      out += " fill-opacity=\"" + shortNumber(entry.opacity, 2) + '"';
    out += "/>\n";
    appendText(out, x + 17, y + 14, entry.text);
    x += width + 16;
  }
}

std::vector<LegendEntry> legendEntries(const Timeline& timeline, bool merged) {
  std::vector<LegendEntry> entries;
  if (merged) {
    entries.push_back({0x888888, kCoverageOpacity[0],
                       "paler columns: intervals narrower than a pixel, merged (paler: less "
                       "of the column covered)"});
  }
  if (!timeline.triggers)
    return entries;
  const TimelineTriggers& t = *timeline.triggers;
  if (!t.logged) {
    std::string outside = "outside the stored scan: ";
    appendPlural(outside, t.outsideScan, "event", "events");
    entries.push_back({kScan, 1.0, "the stored scan"});
    entries.push_back({kTimeZero, 1.0, "time zero: the first stored volume"});
    entries.push_back({kOutsideScan, kOutsideScanOpacity * 2, outside});
    return entries;
  }
  std::string pulses;
  appendPlural(pulses, t.pulses.size(), "trigger", "triggers");
  std::string missed;
  appendPlural(missed, t.missed.size(), "missed trigger", "missed triggers");
  std::string extra;
  appendPlural(extra, t.extra.size(), "extra trigger", "extra triggers");
  std::string scans;
  appendPlural(scans, t.scanStarts.size(), "scan (start to end)", "scans (start to end)");
  entries.push_back({kPulse, 1.0, pulses});
  entries.push_back({kMissed, 1.0, missed});
  entries.push_back({kExtra, 1.0, extra});
  entries.push_back({kScan, 1.0, scans});
  entries.push_back({kTimeZero, 1.0, t.timeZero ? "time zero" : "no time zero"});
  if (t.storedScan) {
    std::string outside = "outside the stored scan: ";
    appendPlural(outside, t.outsideScan, "stimulus event", "stimulus events");
    entries.push_back({kOutsideScan, kOutsideScanOpacity * 2, outside});
  }
  return entries;
}

// Rows of the legend: estimated the way drawLegend flows them.
int legendRows(const std::vector<LegendEntry>& entries, const TimelineGeometry& g) {
  if (entries.empty())
    return 0;
  int rows = 1;
  int x = g.plotLeft;
  for (const LegendEntry& entry : entries) {
    const int width = 20 + static_cast<int>(entry.text.size()) * kCharacterWidth;
    if (x > g.plotLeft && x + width > g.width - kMargin) {
      x = g.plotLeft;
      ++rows;
    }
    x += width + 16;
  }
  return rows;
}

}  // namespace

TimelineGeometry timelineGeometry(const Timeline& timeline, const TimelineView& view) {
  TimelineGeometry g;
  g.width = std::clamp(view.width, kMinTimelineWidth, kMaxTimelineWidth);
  g.plotLeft = std::min(260, g.width / 4);
  g.plotWidth = g.width - g.plotLeft - kRightMargin;
  const Extent extent = extentOf(timeline);
  g.from = view.from ? *view.from : (extent.empty() ? 0.0 : std::min(0.0, extent.first));
  g.to = view.to ? *view.to : (extent.empty() ? g.from + 1 : extent.last);
  // Times that are not finite (an onset plus a duration beyond the doubles) end the window
  // at the largest span that still is.
  g.from = std::clamp(g.from, -kTimelineTimeLimit, kTimelineTimeLimit);
  g.to = std::clamp(g.to, -kTimelineTimeLimit, kTimelineTimeLimit);
  if (!(g.to > g.from)) {  // an empty window: a unit of time, or more where 1 is lost
    const double unit = std::max(1.0, std::fabs(view.to && !view.from ? g.to : g.from) * 1e-9);
    if (view.to && !view.from)
      g.from = g.to - unit;
    else
      g.to = g.from + unit;
  }
  int y = kMargin + kTitleHeight + kLineHeight * titleLines(timeline, g.width) + kMargin;
  for (size_t i = 0; i < timeline.rows.size(); ++i) {
    g.rowTops.push_back(y);
    y += kTimelineRowHeight;
  }
  if (timeline.triggers) {
    y += 6;
    g.triggerRowTop = y;
    y += kTimelineRowHeight;
  }
  g.axisY = y + 2;
  g.legendTop = g.axisY + kAxisTickLength + 36;
  return g;
}

std::string renderTimelineSvg(const Timeline& timeline, const TimelineView& view) {
  const TimelineGeometry g = timelineGeometry(timeline, view);
  // The rows first, so that the legend knows whether bars were merged.
  std::string rows;
  bool merged = false;
  for (size_t i = 0; i < timeline.rows.size(); ++i) {
    if (i % 2 == 1) {
      rows += "<rect x=\"0\" y=\"" + std::to_string(g.rowTops[i]) + "\" width=\"" +
              std::to_string(g.width) + "\" height=\"" + std::to_string(kTimelineRowHeight) +
              "\" fill=\"" + hexColour(kStripe) + "\"/>\n";
    }
  }
  std::string marks;
  for (size_t i = 0; i < timeline.rows.size(); ++i) {
    drawName(marks, timeline.rows[i].name, g, g.rowTops[i]);
    merged = drawRow(marks, timeline.rows[i], g, g.rowTops[i]) || merged;
  }
  if (timeline.triggers)
    drawTriggers(marks, *timeline.triggers, g);
  const std::vector<LegendEntry> legend = legendEntries(timeline, merged);
  const int height = g.legendTop + legendRows(legend, g) * kLegendHeight + kMargin;

  std::string out;
  out.reserve(rows.size() + marks.size() + 4096);
  out += kTimelineSvgFirstLine;
  out += '\n';
  out += kTimelineRecordPrefix;
  out += "00000000 of this picture without this line -->\n";
  const std::string w = std::to_string(g.width);
  const std::string h = std::to_string(height);
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + w + "\" height=\"" +
         h + "\" viewBox=\"0 0 " + w + " " + h +
         "\" font-family=\"sans-serif\" font-size=\"12\" fill=\"" + hexColour(kText) + "\">\n";
  out += "<rect x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\" fill=\"#FFFFFF\"/>\n";
  appendText(out, kMargin, kMargin + 15, timeline.fileName,
             " font-size=\"16\" font-weight=\"bold\"");
  int y = kMargin + kTitleHeight + 13;
  appendText(out, kMargin, y, summaryLine(timeline, view, g));
  for (const std::string& line : noteLines(timeline, g.width)) {
    y += kLineHeight;
    appendText(out, kMargin, y, line);
  }
  out += rows;
  drawGridAndAxis(out, g, timeline.unit);
  out += marks;
  drawLegend(out, legend, g, g.legendTop);
  out += "</svg>\n";
  return withOwnRecord(std::move(out), kTimelineRecordPrefix);
}

bool isTimelineSvg(std::string_view head) {
  const std::string_view line = kTimelineSvgFirstLine;
  return head.substr(0, line.size()) == line &&
         (head.size() == line.size() || head[line.size()] == '\n' || head[line.size()] == '\r');
}

}  // namespace stimforge::kwhost
