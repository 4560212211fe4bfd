// The events table of a kwhost protocol file: one row per interval.
//
// A protocol counts from the scenario's start, not from the scan, so the caller gives time
// zero explicitly, in milliseconds whatever the protocol's unit:
//   milliseconds: onset = start - zero, duration = end - start;
//   volumes:      volume v starts at (v - 1) x TR - zero, an interval from v1 to v2 lasts
//                 (v2 - v1 + 1) x TR.
#ifndef STIMFORGE_KWHOST_EVENTS_FROM_PROTOCOL_H_
#define STIMFORGE_KWHOST_EVENTS_FROM_PROTOCOL_H_

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"
#include "kwhost/protocol/value.h"

namespace stimforge::kwhost {

struct ProtocolZero {
  // Time zero in tenths of a millisecond; 0 is the scenario's start.
  int64_t tenths = 0;
  int64_t trTenths = 0;  // the TR in tenths of a millisecond; 0 = not given
};

// Builds the table (sorted by onset, ties in condition then interval order) and the
// trial_type levels (onsets and durations in microseconds). Returns false with `error` set for
// a protocol in volumes without a TR,
// or a time resolution that is neither. Names that are not UTF-8 are converted (toUtf8), each with
// a warning in `warnings`. May throw std::bad_alloc.
[[nodiscard]] bool eventsFromProtocol(const Protocol& protocol, const ProtocolZero& zero,
                                      EventsTable& table, std::vector<TrialTypeLevel>& levels,
                                      std::set<std::string>& warnings, std::string& error);

// The events of `protocol`, read from the file named `name`, with time zero at the scenario's
// start (`zero` empty) or `zero` tenths from the protocol's origin, in milliseconds also for a
// protocol in volumes (whose TR is `trTenths`, 0 when none is given): the table and the
// sidecar's facts. Returns false with `error` set as eventsFromProtocol does. May throw
// std::bad_alloc.
[[nodiscard]] bool protocolEvents(const Protocol& protocol, const std::string& name,
                                  std::optional<int64_t> zero, int64_t trTenths, EventsTable& table,
                                  SidecarFacts& facts, std::set<std::string>& warnings,
                                  std::string& error);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_EVENTS_FROM_PROTOCOL_H_
