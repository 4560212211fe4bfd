#include "kwhost/timeline/svg_marks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "kwhost/timeline/svg_text.h"

namespace stimforge::kwhost {
namespace {

double rounded2(double value) {
  return std::round(value * 100.0) / 100.0;
}

}  // namespace

void SegmentPath::add(double x0, double x1) {
  if (d_.empty()) {
    d_ += 'M';
    cursor_ = rounded2(x0);
    appendShortNumber(d_, cursor_, 2);
    d_ += ' ';
    appendShortNumber(d_, y_, 2);
  } else {
    // The moves are relative, so that the numbers stay short; each is taken from the
    // rounded position reached so far, so rounding never adds up along the row.
    const double dx = rounded2(x0 - cursor_);
    if (dx != 0) {
      d_ += 'm';
      appendShortNumber(d_, dx, 2);
      d_ += " 0";
    }
    cursor_ += dx;
  }
  const double length = std::max(0.01, rounded2(x1 - cursor_));
  d_ += 'h';
  appendShortNumber(d_, length, 2);
  cursor_ += length;
}

void SegmentPath::write(std::string& out, const std::string& colour, int strokeWidth,
                        double opacity) const {
  if (d_.empty())
    return;
  out += "<path d=\"";
  out += d_;
  out += "\" fill=\"none\" stroke=\"";
  out += colour;
  out += "\" stroke-width=\"";
  out += std::to_string(strokeWidth);
  if (opacity < 1) {
    out += "\" stroke-opacity=\"";
    appendShortNumber(out, opacity, 2);
  }
  out += "\"/>\n";
}

void mergeBars(std::vector<double>& x0, std::vector<double>& x1, std::vector<double>& wideX0,
               std::vector<double>& wideX1, std::vector<float>& coverage) {
  const size_t n = x0.size();
  if (n == 0)
    return;
  // Protocols keep each condition's intervals in time order: sort only when they are not.
  std::vector<size_t> order;
  if (!std::is_sorted(x0.begin(), x0.end())) {
    order.resize(n);
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&x0](size_t a, size_t b) { return x0[a] < x0[b]; });
  }
  const auto flush = [&](double a, double b) {
    if (b - a >= 1.0) {
      wideX0.push_back(a);
      wideX1.push_back(b);
      return;
    }
    // Narrower than a pixel: it touches one column, or two.
    const size_t columns = coverage.size();
    const size_t first = std::min(columns - 1, static_cast<size_t>(a));
    const double split = static_cast<double>(first + 1);
    if (b <= split || first + 1 >= columns) {
      coverage[first] += static_cast<float>(std::max(b - a, 1e-6));
    } else {
      coverage[first] += static_cast<float>(std::max(split - a, 1e-6));
      coverage[first + 1] += static_cast<float>(std::max(b - split, 1e-6));
    }
  };
  double a = 0;
  double b = 0;
  for (size_t k = 0; k < n; ++k) {
    const size_t i = order.empty() ? k : order[k];
    if (k > 0 && x0[i] <= b) {
      b = std::max(b, x1[i]);
      continue;
    }
    if (k > 0)
      flush(a, b);
    a = x0[i];
    b = x1[i];
  }
  flush(a, b);
}

int coverageLevel(float coverage) {
  if (coverage <= 0)
    return 0;
  const int level = static_cast<int>(std::ceil(coverage * kCoverageLevels - 1e-4));
  return std::clamp(level, 1, kCoverageLevels);
}

void addColumnRuns(const std::vector<char>& mark, char value, int plotLeft, SegmentPath& path) {
  const size_t columns = mark.size();
  size_t c = 0;
  while (c < columns) {
    if (mark[c] != value) {
      ++c;
      continue;
    }
    size_t end = c + 1;
    while (end < columns && mark[end] == value)
      ++end;
    path.add(plotLeft + static_cast<double>(c), plotLeft + static_cast<double>(end));
    c = end;
  }
}

bool markTimes(const std::vector<double>& times, double from, double to, double scale,
               std::vector<char>& columns) {
  bool any = false;
  const size_t count = columns.size();
  for (const double t : times) {
    if (t < from || t > to)
      continue;
    const double px = (t - from) * scale;
    columns[std::min(count - 1, static_cast<size_t>(px))] = 1;
    any = true;
  }
  return any;
}

std::string hexColour(unsigned rgb) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%06X", rgb & 0xFFFFFFu);
  return buffer;
}

}  // namespace stimforge::kwhost
