// The columns of a data file sorted into loops, components and further columns (the names
// in data_file.h). Internal to kwhost/psychopy: readPsychopyDataFile uses it.
#ifndef STIMFORGE_KWHOST_PSYCHOPY_DATA_COLUMNS_H_
#define STIMFORGE_KWHOST_PSYCHOPY_DATA_COLUMNS_H_

#include <cstddef>
#include <string>

#include "kwhost/psychopy/data_file.h"

namespace stimforge::kwhost {

// What the columns tell about the kind of file.
struct ColumnCensus {
  size_t started = 0;         // components with a .started column
  std::string firstStarted;   // the first such column's name
  std::string firstResponse;  // the first .keys or .rt column's name, "" when none
};

// Fills file.names, loops, components and furtherColumns from the table's header.
ColumnCensus classifyColumns(PsychopyDataFile& file);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_PSYCHOPY_DATA_COLUMNS_H_
