// The marks of a timeline picture: bars and ticks turned into stroked SVG paths whose size
// is bounded by the number of pixel columns, however many bars and ticks there are.
#ifndef STIMFORGE_KWHOST_TIMELINE_SVG_MARKS_H_
#define STIMFORGE_KWHOST_TIMELINE_SVG_MARKS_H_

#include <string>
#include <vector>

namespace stimforge::kwhost {

// The opacity levels of merged pixel columns: level n of kCoverageLevels is drawn with
// opacity kCoverageOpacity[n - 1]; a column with any bar in it is at least level 1.
constexpr int kCoverageLevels = 4;
constexpr double kCoverageOpacity[kCoverageLevels] = {0.4, 0.6, 0.8, 1.0};

// Horizontal segments on one line, drawn as one path with a stroke as wide as a bar is
// high (butt ends: each segment is an exact rectangle). Coordinates are written with two
// decimals, each relative to where the one before ended, without accumulating rounding.
class SegmentPath {
 public:
  explicit SegmentPath(double y) : y_(y) {}

  // Adds the segment from x0 to x1. Requires: x0 < x1, and x0 not left of the end of the
  // segment added before.
  void add(double x0, double x1);
  bool empty() const { return d_.empty(); }

  // Appends <path d=".." stroke=COLOUR stroke-width=WIDTH [stroke-opacity=OPACITY]/> with a
  // line break (nothing when empty). `colour` is "#RRGGBB".
  void write(std::string& out, const std::string& colour, int strokeWidth, double opacity) const;

 private:
  double y_;
  double cursor_ = 0;
  std::string d_;
};

// A row's bars in pixels: the bars [x0[i], x1[i]) relative to the window's start (which is
// pixel 0; the window ends at `columns`), already cut to the window, merged where they
// overlap or touch. Each merged bar at least a pixel wide lands in `wide`, as it is; the
// others add the part of each pixel column they cover to `coverage` (one per column).
// Requires: x0[i] < x1[i], all within [0, columns]; coverage.size() == columns.
void mergeBars(std::vector<double>& x0, std::vector<double>& x1, std::vector<double>& wideX0,
               std::vector<double>& wideX1, std::vector<float>& coverage);

// The level (0 for none, else 1 to kCoverageLevels) of a column covered by `coverage`.
int coverageLevel(float coverage);

// Adds every run of consecutive columns whose mark[c] equals `value` to `path`, column c
// being drawn from plotLeft + c to plotLeft + c + 1.
void addColumnRuns(const std::vector<char>& mark, char value, int plotLeft, SegmentPath& path);

// Marks in `columns` (one per pixel column, 0..columns.size()-1) the column of each time in
// `times` that falls in the window [from, to]; `scale` is pixels per unit of time. Returns
// whether any did.
bool markTimes(const std::vector<double>& times, double from, double to, double scale,
               std::vector<char>& columns);

// "#RRGGBB" for 0xRRGGBB.
std::string hexColour(unsigned rgb);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_TIMELINE_SVG_MARKS_H_
