// The picture of a design check as a standalone SVG 1.1 document, small enough for a study
// report to hold one per run: the design matrix (one grey-scale band per column, time
// downwards, each column scaled from its least value, black, to its largest, white), the
// conditions' regressors over the stored scan with their events below them, and the matrix of
// the regressors' correlations, each labelled. Pure: made in memory from the check.
#ifndef STIMFORGE_KWHOST_DESIGN_DESIGN_SVG_H_
#define STIMFORGE_KWHOST_DESIGN_DESIGN_SVG_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "kwhost/design/design_check.h"

namespace stimforge::kwhost {

// The first line of every picture renderDesignSvg makes (a line break follows): the XML
// declaration and the comment by which kwhost knows a file as its own.
constexpr char kDesignSvgFirstLine[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- kwhost design: a design check drawn by "
    "kwhost -->";

// The matrix is drawn in at most this many rows (more volumes are averaged into them).
inline constexpr size_t kDesignMatrixRows = 180;

// The whole document, titled `title` (UTF-8; any bytes give well-formed XML). It grows with
// the columns, not with the events or the volumes: the matrix is one path per grey (8
// greys: each column's commonest grey once under it, then its other runs of equal cells, a
// cell per volume or, with more volumes than `matrixRows` (at least 1), per row: their
// mean), the
// curves have at most one point per volume and per pixel column (a flat stretch one step),
// the events are merged per pixel column, and the correlations are one path per colour (11
// colours, white left out). Requires: a check that checkDesign filled.
std::string renderDesignSvg(const DesignCheck& check, const std::string& title,
                            size_t matrixRows = kDesignMatrixRows);

// Whether `head`, a file's first line (with or without what follows it), is the first line
// of a picture renderDesignSvg made.
bool isDesignSvg(std::string_view head);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_DESIGN_DESIGN_SVG_H_
