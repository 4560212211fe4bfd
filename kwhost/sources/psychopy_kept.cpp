#include "kwhost/sources/psychopy_kept.h"

#include <algorithm>
#include <numeric>
#include <string_view>

#include "kwhost/common/log_time.h"

namespace stimforge::kwhost {
namespace {

class Keeper : public PsychopyEventSink {
 public:
  explicit Keeper(KeptEvents& events) : events_(events) {}
  void event(const PsychopyEvent& e, std::string_view) override {
    EventRow row;
    row.onset = e.onset.floorMicroseconds();
    row.duration = e.hasDuration ? e.duration.roundedMicroseconds() : kNotApplicable;
    row.trial = static_cast<int32_t>(e.row);
    row.code = e.component;
    row.eventType = e.component;
    events_.rows.push_back(row);
    events_.parts.push_back(e.onset.rest());
    events_.keys.push_back(e.kind == PsychopyEventKind::kKeyPress ? e.key : -1);
  }

 private:
  KeptEvents& events_;
};

bool before(const KeptEvents& events, size_t a, size_t b) {
  const Micros x = events.rows[a].onset;
  const Micros y = events.rows[b].onset;
  return x < y || (x == y && events.parts[a] < events.parts[b]);
}

template <typename T>
void applyOrder(std::vector<T>& values, const std::vector<size_t>& order) {
  std::vector<T> sorted;
  sorted.reserve(order.size());
  for (const size_t from : order)
    sorted.push_back(values[from]);
  values.swap(sorted);
}

// Sorts by exact onset, equal ones in the file's order. A data file's events are nearly in
// time order (a row's by column, not by time; a row's first start may lie a little before the
// last of the row before): an insertion sort moves each only a few places, and a merge sort
// takes over should it move too much.
void sortByTime(KeptEvents& events) {
  const size_t budget = 16 * events.size() + 64;
  size_t moves = 0;
  for (size_t i = 1; i < events.size(); ++i) {
    if (!before(events, i, i - 1))
      continue;
    const EventRow row = events.rows[i];
    const int64_t parts = events.parts[i];
    const int32_t key = events.keys[i];
    size_t j = i;
    for (; j > 0 && (row.onset < events.rows[j - 1].onset ||
                     (row.onset == events.rows[j - 1].onset && parts < events.parts[j - 1]));
         --j) {
      events.rows[j] = events.rows[j - 1];
      events.parts[j] = events.parts[j - 1];
      events.keys[j] = events.keys[j - 1];
    }
    events.rows[j] = row;
    events.parts[j] = parts;
    events.keys[j] = key;
    moves += i - j;
    if (moves > budget) {
      // Stable still: the part sorted so far keeps the file's order among equal times.
      std::vector<size_t> order(events.size());
      std::iota(order.begin(), order.end(), size_t{0});
      std::stable_sort(order.begin(), order.end(),
                       [&events](size_t a, size_t b) { return before(events, a, b); });
      applyOrder(events.rows, order);
      applyOrder(events.parts, order);
      applyOrder(events.keys, order);
      return;
    }
  }
}

}  // namespace

PsychopyScan keepPsychopyEvents(const PsychopyDataFile& file, KeptEvents& events) {
  events = KeptEvents();
  const size_t announced = announcedPsychopyEvents(file);
  events.rows.reserve(announced);
  events.parts.reserve(announced);
  events.keys.reserve(announced);
  Keeper keeper(events);
  PsychopyScan scan = scanPsychopyEvents(file, keeper);
  sortByTime(events);
  return scan;
}

}  // namespace stimforge::kwhost
