// Turns the events of a Presentation log into a new protocol in the host, in milliseconds:
// one condition per distinct code (in the order the codes first occur), one interval per
// event, saved beside the log under the log's name with the extension ".prt".
#ifndef STIMFORGE_LOGIMPORT_PROTOCOL_BUILDER_H_
#define STIMFORGE_LOGIMPORT_PROTOCOL_BUILDER_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "logimport/presentation_log.h"

namespace stimforge {

// The two names of the protocol made from the log at `logPath`: the one shown in the log
// (the ".prt" name with "_MSEC" before its extension) and the one set and saved (the log's
// path with the extension ".prt").
struct ProtocolNames {
  std::string shown;
  std::string saved;
};
ProtocolNames protocolNamesFor(const std::string& logPath);

// Whether both names fit a protocol's file name (the shown one is the longer).
bool protocolNamesFit(const std::string& logPath);

// Empties the host's protocol and fills it from `log`: the conditions, the intervals, the
// header (title = the log's base name), then has the host save it under the ".prt" name.
// `durationMode` 2 gives each interval the event's own Duration; any other value lets it
// last until 2 ms before the next event in the table, and the last event its own
// Duration. Writes its progress to the host's log. Returns true; returns false, with the
// host untouched and nothing written, only when the names do not fit (protocolNamesFit).
// Goes over the first eventCount events (no more than the table holds).
[[nodiscard]] bool buildProtocol(const PresentationLog& log, int durationMode);

// The interval arithmetic, all in whole milliseconds from tenths of a millisecond. Values
// beyond the 32-bit range are clamped to it; a value that is not a number counts as 0.

// The start of an event's interval: time / 10, truncated toward zero.
int32_t intervalStart(double time);
// The length up to the next event: floor((truncated (next - this) - 20) / 10), that is
// the gap less 2 ms, rounded down; never negative.
int32_t intervalLengthToNext(double time, double nextTime);
// The length from a Duration: floor(duration / 10); never negative.
int32_t intervalLengthFromDuration(double duration);
// start + length, clamped to the 32-bit range.
int32_t intervalEnd(int32_t start, int32_t length);

// The colour of the k-th condition created (k from 1): 0x3F000000 + 50005 * k in 32-bit
// arithmetic, so that from the 336th condition on it carries into the top byte.
int32_t conditionColour(uint32_t k);

}  // namespace stimforge

#endif  // STIMFORGE_LOGIMPORT_PROTOCOL_BUILDER_H_
