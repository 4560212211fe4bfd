// The events of a PsychoPy data file's scan as its source keeps them for its passes: rows
// ready for a pass, in the order of their exact onsets. Internal to kwhost/sources.
#ifndef STIMFORGE_KWHOST_SOURCES_PSYCHOPY_KEPT_H_
#define STIMFORGE_KWHOST_SOURCES_PSYCHOPY_KEPT_H_

#include <cstdint>
#include <vector>

#include "kwhost/events/table.h"
#include "kwhost/psychopy/data_file.h"
#include "kwhost/psychopy/events.h"

namespace stimforge::kwhost {

// Three arrays, one entry per event: its row (onset: the floor of its exact onset; duration
// rounded once, or kNotApplicable; trial: its data row; code and eventType: its component),
// the parts of a microsecond beyond the onset's floor (kPartsPerMicro), and its key (an index
// into PsychopyScan::keys; -1 for a shown event).
struct KeptEvents {
  std::vector<EventRow> rows;
  std::vector<int64_t> parts;
  std::vector<int32_t> keys;
  size_t size() const { return rows.size(); }
};

// Scans `file` (scanPsychopyEvents) into `events`, cleared first and reserved once for what the
// cells announce, then sorted by exact onset, equal ones in the file's order. Returns what the
// scan found besides. May throw std::bad_alloc.
PsychopyScan keepPsychopyEvents(const PsychopyDataFile& file, KeptEvents& events);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SOURCES_PSYCHOPY_KEPT_H_
