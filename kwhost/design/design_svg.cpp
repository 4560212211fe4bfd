#include "kwhost/design/design_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "kwhost/design/design_report.h"
#include "kwhost/timeline/sources.h"
#include "kwhost/timeline/svg_marks.h"
#include "kwhost/timeline/svg_text.h"

namespace stimforge::kwhost {
namespace {

constexpr int kWidth = 1000;
constexpr int kPanelTop = 76;
constexpr int kMatrixLeft = 70;
constexpr int kMatrixHeight = 360;
constexpr double kMatrixWidth = 280;  // at most, however many columns
constexpr double kWidestColumn = 24;
constexpr int kGreys = 8;
constexpr int kLabelChars = 18;
constexpr int kRowLabelWidth = 140;
constexpr int kCurveHeight = 200;
constexpr int kRightEdge = kWidth - 20;
constexpr int kCorrelationLevels = 5;  // per sign
constexpr unsigned kText = 0x222222;
constexpr unsigned kFrame = 0x999999;

std::string n(double value, int decimals = 1) {
  return shortNumber(value, decimals);
}

void text(std::string& out, double x, double y, const std::string& content,
          const char* attributes = "") {
  out += "<text x=\"" + n(x) + "\" y=\"" + n(y) + "\"" + attributes + ">" + xmlText(content) +
         "</text>\n";
}

// Characters of UTF-8 text, for sizes: bytes that do not continue a character.
size_t characters(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string name(const DesignCheck& check, size_t i) {
  return cutWithEllipsis(check.conditions[i].name, kLabelChars);
}

// The greys (0 black ... kGreys - 1 white) of `column` in `rows` rows, each the mean of its
// volumes (rows <= volumes), scaled over the column's values.
std::vector<int> greysOf(const std::vector<double>& column, size_t rows) {
  const auto [low, high] = std::minmax_element(column.begin(), column.end());
  std::vector<int> greys(rows, *high > 0 ? kGreys - 1 : 0);
  if (!(*high > *low))
    return greys;
  for (size_t r = 0; r < rows; ++r) {
    const size_t from = r * column.size() / rows;
    const size_t to = (r + 1) * column.size() / rows;
    double sum = 0;
    for (size_t k = from; k < to; ++k)
      sum += column[k];
    const double mean = sum / static_cast<double>(to - from);
    greys[r] = static_cast<int>(std::lround((mean - *low) / (*high - *low) * (kGreys - 1)));
  }
  return greys;
}

// The design matrix, in units of (column, row) scaled to its box: a row per volume, or per
// pixel when the volumes outnumber the pixels. Returns its width.
double appendMatrix(std::string& out, const DesignCheck& check, size_t matrixRows) {
  const size_t count = check.columns.size();
  const double cell = std::min(kWidestColumn, kMatrixWidth / static_cast<double>(count));
  const double width = cell * static_cast<double>(count);
  const size_t rows = std::min<size_t>(static_cast<size_t>(check.settings.volumes), matrixRows);
  std::vector<std::string> paths(kGreys);
  // A run of cells is a vertical stroke a column wide (butt ends: an exact rectangle).
  const auto cells = [](std::string& path, size_t j, size_t k, size_t length) {
    path += 'M';
    appendWholeNumber(path, j);
    path += ".5 ";
    appendWholeNumber(path, k);
    path += 'v';
    appendWholeNumber(path, length);
  };
  for (size_t j = 0; j < count; ++j) {
    const std::vector<int> greys = greysOf(check.columns[j], rows);
    // The column's commonest grey is drawn once under it, the other runs over it.
    std::vector<size_t> frequency(kGreys, 0);
    for (const int g : greys)
      ++frequency[static_cast<size_t>(g)];
    const int common =
        static_cast<int>(std::max_element(frequency.begin(), frequency.end()) - frequency.begin());
    if (common != kGreys - 1)  // white is the background
      cells(paths[static_cast<size_t>(common)], j, 0, greys.size());
    for (size_t k = 0; k < greys.size();) {
      size_t end = k + 1;
      while (end < greys.size() && greys[end] == greys[k])
        ++end;
      if (greys[k] != common)
        cells(paths[static_cast<size_t>(greys[k])], j, k, end - k);
      k = end;
    }
  }
  out += "<text x=\"" + std::to_string(kMatrixLeft) + "\" y=\"" + std::to_string(kPanelTop - 8) +
         "\" font-weight=\"bold\">design matrix</text>\n";
  out += "<g transform=\"translate(" + std::to_string(kMatrixLeft) + " " +
         std::to_string(kPanelTop) + ") scale(" + n(cell, 4) + " " +
         n(kMatrixHeight / static_cast<double>(rows), 6) +
         ")\" fill=\"none\" stroke-width=\"1\" shape-rendering=\"crispEdges\">\n";
  for (int g = 0; g < kGreys; ++g) {
    if (paths[static_cast<size_t>(g)].empty())
      continue;
    const int level = 255 * g / (kGreys - 1);
    out += "<path stroke=\"" + hexColour(static_cast<unsigned>(level * 0x010101)) + "\" d=\"" +
           paths[static_cast<size_t>(g)] + "\"/>\n";
  }
  out += "</g>\n<rect x=\"" + std::to_string(kMatrixLeft) + "\" y=\"" + std::to_string(kPanelTop) +
         "\" width=\"" + n(width, 2) + "\" height=\"" + std::to_string(kMatrixHeight) +
         "\" fill=\"none\" stroke=\"" + hexColour(kFrame) + "\"/>\n";
  const double end = static_cast<double>(check.settings.volumes) * check.settings.trSeconds;
  text(out, kMatrixLeft - 4, kPanelTop + 10, "0 s", " text-anchor=\"end\"");
  text(out, kMatrixLeft - 4, kPanelTop + kMatrixHeight, designNumber(end) + " s",
       " text-anchor=\"end\"");
  text(out, kMatrixLeft - 4, kPanelTop + kMatrixHeight / 2, "time",
       " text-anchor=\"end\" fill=\"#777777\"");
  return width;
}

// The labels under the matrix: the conditions' and the constant's names when the columns are
// wide enough, else one for them all; the cosines as one group. Returns the lowest y used.
int appendMatrixLabels(std::string& out, const DesignCheck& check, double width) {
  const size_t conditions = check.conditions.size();
  const double cell = width / static_cast<double>(check.columns.size());
  const int top = kPanelTop + kMatrixHeight + 6;
  int bottom = top + 14;
  if (cell >= 10) {
    size_t longest = characters("constant");
    for (size_t i = 0; i <= conditions; ++i) {
      const std::string label = i < conditions ? name(check, i) : "constant";
      longest = std::max(longest, characters(label));
      const double x = kMatrixLeft + (static_cast<double>(i) + 0.5) * cell - 3;
      out += "<text transform=\"translate(" + n(x) + " " + std::to_string(top) +
             ") rotate(90)\" font-size=\"10\">" + xmlText(label) + "</text>\n";
    }
    bottom = top + static_cast<int>(longest) * 6;
  } else {
    text(out, kMatrixLeft, top + 10, std::to_string(conditions) + " conditions, the constant",
         " font-size=\"10\"");
    bottom = top + 24;
  }
  if (check.cosines > 0) {
    const double x = kMatrixLeft + static_cast<double>(conditions + 1) * cell;
    text(out, cell >= 10 ? x : kMatrixLeft, cell >= 10 ? top + 10 : top + 24,
         std::to_string(check.cosines) + (check.cosines == 1 ? " cosine" : " cosines"),
         " font-size=\"10\"");
  }
  return bottom;
}

// A round step for ticks on an axis of `span` seconds: about six ticks.
double tickStep(double span) {
  const double rough = span / 6;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double m : {1.0, 2.0, 5.0}) {
    if (m * power >= rough)
      return m * power;
  }
  return 10 * power;
}

// The events of each condition in a row of its own under the curves, merged per pixel
// column, then the time axis. Returns the lowest y used.
int appendEventRows(std::string& out, const DesignCheck& check, int plotLeft, int plotWidth,
                    int top, double end) {
  const size_t conditions = check.conditions.size();
  const int row = std::clamp(160 / static_cast<int>(conditions), 3, 14);
  const double scale = plotWidth / end;
  for (size_t i = 0; i < conditions; ++i) {
    std::vector<char> marks(static_cast<size_t>(plotWidth), 0);
    for (const DesignEvent& event : check.events[i]) {
      const double from = std::max(0.0, event.onset);
      const double to = std::min(end, event.onset + event.duration.value_or(0.0));
      if (event.onset >= end || to < 0)
        continue;
      const size_t first = std::min(marks.size() - 1, static_cast<size_t>(from * scale));
      const size_t last =
          std::min(marks.size() - 1, static_cast<size_t>(std::max(from, to) * scale));
      std::fill(marks.begin() + static_cast<std::ptrdiff_t>(first),
                marks.begin() + static_cast<std::ptrdiff_t>(last) + 1, 1);
    }
    const int y = top + static_cast<int>(i) * row;
    SegmentPath path(y + row / 2.0);
    addColumnRuns(marks, 1, plotLeft, path);
    path.write(out, hexColour(paletteColour(i)), std::max(1, row - 1), 1.0);
    if (row >= 9) {
      text(
          out, plotLeft - 4, y + row - 2, name(check, i),
          (" text-anchor=\"end\" font-size=\"" + std::to_string(std::min(row, 11)) + "\"").c_str());
    }
  }
  const int axis = top + static_cast<int>(conditions) * row + 2;
  out += "<path stroke=\"" + hexColour(kFrame) + "\" d=\"M" + std::to_string(plotLeft) + " " +
         std::to_string(axis) + "h" + std::to_string(plotWidth) + "\"/>\n";
  const double step = tickStep(end);
  for (double t = 0; t <= end * (1 + 1e-12); t += step) {
    const double x = plotLeft + t * scale;
    out += "<path stroke=\"" + hexColour(kFrame) + "\" d=\"M" + n(x) + " " + std::to_string(axis) +
           "v4\"/>\n";
    text(out, x, axis + 16, designNumber(t), " text-anchor=\"middle\" font-size=\"10\"");
  }
  text(out, kRightEdge, axis + 30, "seconds from the first stored volume",
       " text-anchor=\"end\" font-size=\"10\"");
  return axis + 30;
}

// One curve per condition through at most one point per volume and per pixel column, in
// whole pixels relative to the point before.
std::string curvePath(const std::vector<double>& column, int plotLeft, int plotWidth, int base,
                      double low, double high) {
  const int64_t volumes = static_cast<int64_t>(column.size());
  const int64_t samples = std::min<int64_t>(volumes, plotWidth + 1);
  std::string d;
  long lastX = 0;
  long lastY = 0;
  long flat = 0;
  bool inLine = false;
  for (int64_t s = 0; s < samples; ++s) {
    const int64_t k = samples == 1 ? 0 : s * (volumes - 1) / (samples - 1);
    const double at =
        volumes == 1 ? 0.0 : static_cast<double>(k) / static_cast<double>(volumes - 1);
    const long x = plotLeft + std::lround(at * plotWidth);
    const long y =
        std::lround(base - (column[static_cast<size_t>(k)] - low) / (high - low) * kCurveHeight);
    if (s == 0) {
      d = "M" + std::to_string(x) + " " + std::to_string(y);
    } else if (y == lastY) {
      flat += x - lastX;  // a flat stretch is one "h"
    } else {
      if (flat > 0)
        d += "h" + std::to_string(flat);
      d += flat > 0 || !inLine ? "l" : " ";  // "l" goes on for the pairs after it
      inLine = true;
      flat = 0;
      d += std::to_string(x - lastX) + (y < lastY ? "" : " ") + std::to_string(y - lastY);
    }
    lastX = x;
    lastY = y;
  }
  if (flat > 0)
    d += "h" + std::to_string(flat);
  return d;
}

// The regressors over the stored scan, one colour each, and their events below. Returns the
// lowest y used.
int appendRegressors(std::string& out, const DesignCheck& check, int left) {
  const size_t conditions = check.conditions.size();
  const int plotLeft = left + kRowLabelWidth;
  const int plotWidth = kRightEdge - plotLeft;
  double low = 0;
  double high = 0;
  for (size_t i = 0; i < conditions; ++i) {
    const auto [a, b] = std::minmax_element(check.columns[i].begin(), check.columns[i].end());
    low = std::min(low, *a);
    high = std::max(high, *b);
  }
  if (!(high > low))
    high = low + 1;
  text(out, plotLeft, kPanelTop - 8, "regressors and events", " font-weight=\"bold\"");
  const int base = kPanelTop + kCurveHeight;
  out += "<rect x=\"" + std::to_string(plotLeft) + "\" y=\"" + std::to_string(kPanelTop) +
         "\" width=\"" + std::to_string(plotWidth) + "\" height=\"" + std::to_string(kCurveHeight) +
         "\" fill=\"none\" stroke=\"" + hexColour(kFrame) + "\"/>\n";
  text(out, plotLeft - 4, kPanelTop + 10, designNumber(high), " text-anchor=\"end\"");
  text(out, plotLeft - 4, base, designNumber(low), " text-anchor=\"end\"");
  for (size_t i = 0; i < conditions; ++i) {
    out += "<path fill=\"none\" stroke=\"" + hexColour(paletteColour(i)) +
           "\" stroke-width=\"1.5\" d=\"" +
           curvePath(check.columns[i], plotLeft, plotWidth, base, low, high) + "\"/>\n";
  }
  const double end = static_cast<double>(check.settings.volumes) * check.settings.trSeconds;
  return appendEventRows(out, check, plotLeft, plotWidth, base + 8, end);
}

// The colour of correlation level `level` (-kCorrelationLevels ... kCorrelationLevels):
// white at 0, towards red above, towards blue below.
std::string correlationColour(int level) {
  const double t = std::abs(level) / static_cast<double>(kCorrelationLevels);
  const unsigned target = level > 0 ? 0xB2182B : 0x2166AC;
  unsigned rgb = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double channel = 255 + (((target >> shift) & 0xFF) - 255.0) * t;
    rgb |= static_cast<unsigned>(std::lround(channel)) << shift;
  }
  return hexColour(rgb);
}

// The rows' names ("1 A"), the columns' numbers, the values when the cells are big enough,
// and the legend of the colours.
void appendCorrelationLabels(std::string& out, const DesignCheck& check,
                             const std::vector<double>& r, const std::vector<bool>& known, int left,
                             int top, int cell) {
  const size_t count = check.conditions.size();
  const int font = std::min(cell - 1, 11);
  for (size_t i = 0; font >= 7 && i < count; ++i) {
    const std::string size = " font-size=\"" + std::to_string(font) + "\"";
    const int y = top + static_cast<int>(i) * cell;
    text(out, left - 4, y + cell / 2.0 + font / 2.5, std::to_string(i + 1) + " " + name(check, i),
         (" text-anchor=\"end\"" + size).c_str());
    if (cell >= 16 || (i + 1) % 5 == 0) {  // narrow columns: every fifth number
      text(out, left + (static_cast<double>(i) + 0.5) * cell, top - 3, std::to_string(i + 1),
           (" text-anchor=\"middle\"" + size).c_str());
    }
  }
  for (size_t a = 0; cell >= 30 && a < count; ++a) {
    for (size_t b = 0; b < count; ++b) {
      const double value = r[a * count + b];
      const bool dark = known[a * count + b] && std::fabs(value) >= 0.7;
      text(out, left + (static_cast<double>(b) + 0.5) * cell,
           top + (static_cast<double>(a) + 0.5) * cell + 4,
           known[a * count + b] ? n(value, 2) : "?",
           dark ? " text-anchor=\"middle\" font-size=\"10\" fill=\"#FFFFFF\""
                : " text-anchor=\"middle\" font-size=\"10\"");
    }
  }
  const int x = left + cell * static_cast<int>(count) + 30;
  for (int level = -kCorrelationLevels; level <= kCorrelationLevels; ++level) {
    const int y = top + (kCorrelationLevels - level) * 12;
    out += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
           "\" width=\"16\" height=\"12\" fill=\"" + correlationColour(level) + "\"/>\n";
    if (level % kCorrelationLevels == 0)
      text(out, x + 20, y + 10, n(level / double(kCorrelationLevels)), " font-size=\"10\"");
  }
  if (std::find(known.begin(), known.end(), false) != known.end()) {
    text(out, x, top + (2 * kCorrelationLevels + 1) * 12 + 14,
         "? undefined (a regressor that does not vary)", " font-size=\"10\"");
  }
}

// The correlation matrix, its rows named and its columns numbered, and its legend. Returns
// the lowest y used.
int appendCorrelations(std::string& out, const DesignCheck& check, int top) {
  const size_t count = check.conditions.size();
  const int cell = std::clamp(360 / static_cast<int>(count), 4, 36);
  const int left = kMatrixLeft + kRowLabelWidth;
  text(out, kMatrixLeft, top - 22, "correlations of the regressors", " font-weight=\"bold\"");
  std::vector<double> r(count * count, 1.0);
  std::vector<bool> known(count * count, true);
  for (const PairFigures& pair : check.pairs) {
    for (const size_t at : {pair.first * count + pair.second, pair.second * count + pair.first}) {
      known[at] = pair.correlation.has_value();
      r[at] = pair.correlation.value_or(0.0);
    }
  }
  std::vector<std::string> paths(2 * kCorrelationLevels + 2);  // the last: undefined
  for (size_t a = 0; a < count; ++a) {
    for (size_t b = 0; b < count; ++b) {
      const int level = static_cast<int>(std::lround(r[a * count + b] * kCorrelationLevels));
      if (known[a * count + b] && level == 0)
        continue;  // white is the background
      const size_t path =
          known[a * count + b] ? static_cast<size_t>(level + kCorrelationLevels) : paths.size() - 1;
      paths[path] += "M" + std::to_string(left + static_cast<int>(b) * cell) + " " +
                     std::to_string(top + static_cast<int>(a) * cell) + "h" + std::to_string(cell) +
                     "v" + std::to_string(cell) + "h-" + std::to_string(cell) + "z";
    }
  }
  for (size_t p = 0; p < paths.size(); ++p) {
    if (paths[p].empty())
      continue;
    const std::string colour = p + 1 == paths.size()
                                   ? std::string("#BBBBBB")
                                   : correlationColour(static_cast<int>(p) - kCorrelationLevels);
    out += "<path fill=\"" + colour + "\" d=\"" + paths[p] + "\"/>\n";
  }
  const int side = cell * static_cast<int>(count);
  out += "<rect x=\"" + std::to_string(left) + "\" y=\"" + std::to_string(top) + "\" width=\"" +
         std::to_string(side) + "\" height=\"" + std::to_string(side) +
         "\" fill=\"none\" stroke=\"" + hexColour(kFrame) + "\"/>\n";
  appendCorrelationLabels(out, check, r, known, left, top, cell);
  return top + std::max(side, (2 * kCorrelationLevels + 1) * 12 + 18);
}

// "COUNT NOUN", the noun in the plural unless COUNT is 1.
std::string counted(size_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string subtitle(const DesignCheck& check) {
  const std::string findings = check.findings.empty() ? std::string("no findings")
                                                      : counted(check.findings.size(), "finding");
  return counted(static_cast<size_t>(check.settings.volumes), "volume") + ", TR " +
         n(check.settings.trSeconds * 1000.0, 3) +
         " ms; X: " + counted(check.conditions.size(), "condition") + ", the constant, " +
         counted(check.cosines, "cosine") + "; " + findings;
}

}  // namespace

std::string renderDesignSvg(const DesignCheck& check, const std::string& title, size_t matrixRows) {
  std::string body;
  text(body, 20, 24, title, " font-size=\"15\" font-weight=\"bold\"");
  text(body, 20, 44, subtitle(check));
  const double width = appendMatrix(body, check, std::max<size_t>(1, matrixRows));
  const int matrixBottom = appendMatrixLabels(body, check, width);
  const int regressorsLeft = kMatrixLeft + static_cast<int>(std::ceil(width)) + 30;
  const int regressorsBottom = appendRegressors(body, check, regressorsLeft);
  const int bottom = appendCorrelations(body, check, std::max(matrixBottom, regressorsBottom) + 40);
  const int height = bottom + 24;
  std::string out = kDesignSvgFirstLine;
  out += "\n<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
         std::to_string(kWidth) + "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " +
         std::to_string(kWidth) + " " + std::to_string(height) +
         "\" font-family=\"sans-serif\" font-size=\"12\" fill=\"" + hexColour(kText) + "\">\n";
  out += "<rect width=\"100%\" height=\"100%\" fill=\"#FFFFFF\"/>\n";
  out += body;
  out += "</svg>\n";
  return out;
}

bool isDesignSvg(std::string_view head) {
  const std::string_view line = kDesignSvgFirstLine;
  return head.substr(0, line.size()) == line &&
         (head.size() == line.size() || head[line.size()] == '\n' || head[line.size()] == '\r');
}

}  // namespace stimforge::kwhost
