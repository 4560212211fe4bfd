// Timelines made from what kwhost reads: a protocol (and, further on, a Presentation log or
// an events file). Each becomes the plain data that svg_timeline.h draws.
#ifndef STIMFORGE_KWHOST_TIMELINE_SOURCES_H_
#define STIMFORGE_KWHOST_TIMELINE_SOURCES_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "kwhost/protocol/value.h"
#include "kwhost/scan/bold_run.h"
#include "kwhost/timeline/svg_timeline.h"

namespace stimforge::kwhost {

// The colours given to the rows of logs and events files, in order of first appearance
// (again from the first after the last): dark and saturated enough to read on white.
constexpr uint32_t kTimelinePalette[] = {0x1F77B4, 0xFF7F0E, 0x2CA02C, 0xD62728, 0x9467BD,
                                         0x8C564B, 0xE377C2, 0x7F7F7F, 0xBCBD22, 0x17BECF};
uint32_t paletteColour(size_t row);

// `text` as UTF-8: unchanged when it is well-formed UTF-8, else each byte read as
// Windows-1252 (the code page Presentation writes in), the five bytes that code page leaves
// undefined as U+FFFD.
std::string textAsUtf8(std::string_view text);

// The timeline of `protocol`, titled `displayName`: one row per condition in protocol order,
// in its colour without the top byte, on the protocol's own axis. Milliseconds are drawn in
// seconds, interval [start, end] as [start, end) / 1000; volumes in volumes, interval
// [first, last] as [first - 1, last), the slots those volumes fill counting from the scan's
// start (an interval of volumes 1 to 10 covers the axis from 0 to 10). A time resolution
// that is neither is drawn as milliseconds, and a note in the title says so.
Timeline protocolTimeline(const Protocol& protocol, const std::string& displayName);

// The timeline of an events file (a BIDS events table, as `kwhost events` writes it) whose
// text is `text`, titled `displayName`: one row per trial_type in order of first appearance
// (one row "events" without that column), coloured from kTimelinePalette; a row with a
// duration above 0 is a bar from its onset, one with 0 or n/a a tick. Seconds on the axis,
// from the file's zero. Lines may end in "\r\n". Returns
// false with `error` set ("NAME:LINE: what is wrong") when the header lacks onset or
// duration, a line (an empty one too) has another number of cells than the header, or an onset or
// duration is not a number (duration: or n/a; not negative).
[[nodiscard]] bool eventsFileTimeline(std::string_view text, const std::string& displayName,
                                      Timeline& timeline, std::string& error);

// Draws the stored scan of `bold` (from 0, the first stored volume, to volumes x TR) over an
// events file's `timeline`, and time zero; the rows outside it are counted. A run without a
// TR draws nothing.
void addStoredScan(const BoldRun& bold, Timeline& timeline);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_TIMELINE_SOURCES_H_
