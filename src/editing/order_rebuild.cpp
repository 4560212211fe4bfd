#include "editing/order_rebuild.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "editing/edit_support.h"
#include "host/host_api.h"
#include "text/text_helpers.h"

namespace stimforge {
namespace {

constexpr size_t kLineSize = 512;
constexpr size_t kNoCopy = std::numeric_limits<size_t>::max();

// A copy of one current condition's intervals, made before the host's arrays go away.
struct IntervalCopy {
  std::vector<int32_t> starts;
  std::vector<int32_t> ends;
};

// The record handed back to the host: a fresh one with only the name and colour the host
// gave, so that no pointer into the host's released arrays goes back to it. A name that
// fills its field without a NUL is cut by one character to get its NUL.
ProtocolCondition movedRecord(const ProtocolCondition& fetched) {
  ProtocolCondition record = makeEmptyCondition();
  const size_t length = std::min(textFieldLength(fetched.name), sizeof record.name - 1);
  std::memcpy(record.name, fetched.name, length);
  record.colour = fetched.colour;
  return record;
}

}  // namespace

bool rebuildInOrderWith(const ProtocolHeader& currentHeader, const ConditionOrder& order,
                        const std::string& suffix, const PositionColour& colourAt) {
  const HostApi& host = hostApi();
  const std::string fileName = headerFileName(currentHeader);
  if (!checkConditionOrder(order) || !checkNewFileName(fileName, suffix))
    return false;

  // Everything is read from the host before anything in it changes. A condition that stands
  // at several positions is fetched (and logged) for each, but its intervals are copied once.
  const size_t n = order.entries.size();
  std::vector<ProtocolCondition> moved;
  moved.reserve(n);
  std::vector<size_t> copyOfPosition(n, kNoCopy);
  std::vector<size_t> copyOfCondition(n, kNoCopy);
  std::vector<IntervalCopy> copies;
  char line[kLineSize];
  for (size_t k = 0; k < n; ++k) {
    const int32_t old = order.entries[k];
    ProtocolCondition fetched = makeEmptyCondition();
    host.kwGetProtocolCondition(old, &fetched);
    std::snprintf(line, sizeof line, "Condition name: %.*s\nNumber of intervals: %i",
                  static_cast<int>(textFieldLength(fetched.name)), fetched.name,
                  fetched.numberOfIntervals);
    host.kwLogText(line);
    std::snprintf(line, sizeof line, "New position: %i, previously: %i", static_cast<int>(k), old);
    host.kwLogText(line);

    size_t& copy = copyOfCondition[static_cast<size_t>(old)];
    if (copy == kNoCopy) {
      const size_t count = intervalCount(fetched);
      copies.push_back(
          {std::vector<int32_t>(fetched.intervalStarts, fetched.intervalStarts + count),
           std::vector<int32_t>(fetched.intervalEnds, fetched.intervalEnds + count)});
      copy = copies.size() - 1;
    }
    copyOfPosition[k] = copy;
    moved.push_back(movedRecord(fetched));
  }

  // Everything that allocates is done before the clear: from there on nothing may fail (run
  // out of memory) before the rebuilt protocol is set and saved.
  const std::string title = headerTitle(currentHeader);
  const std::string newFileName = newProtocolFileName(fileName, suffix);

  // The host's interval arrays end here; only the copies are read from now on.
  host.kwClearProtocol();
  ProtocolHeader newHeader = makeEmptyHeader();
  applyHeaderDefaults(newHeader, title.c_str());
  for (size_t k = 0; k < n; ++k) {
    moved[k].colour = colourAt(k, moved[k].colour);
    host.kwAddProtocolCondition(&moved[k]);
    const IntervalCopy& intervals = copies[copyOfPosition[k]];
    for (size_t j = 0; j < intervals.starts.size(); ++j)
      host.kwAddProtocolConditionInterval(static_cast<int>(k), intervals.starts[j],
                                          intervals.ends[j]);
  }
  newHeader.numberOfConditions = static_cast<int32_t>(n);
  // The intervals were copied unchanged, so they keep the current protocol's unit.
  newHeader.timeResolution = currentHeader.timeResolution;
  copyTextField(newHeader.fileName, sizeof newHeader.fileName, newFileName.c_str());
  host.kwSetProtocol(&newHeader);
  host.kwSaveProtocol(newFileName.c_str());
  logSavedName(newFileName);
  return true;
}

bool rebuildInOrder(const ProtocolHeader& currentHeader, const ConditionOrder& order) {
  return rebuildInOrderWith(currentHeader, order, "_ordered",
                            [](size_t, int32_t ownColour) { return ownColour; });
}

}  // namespace stimforge
