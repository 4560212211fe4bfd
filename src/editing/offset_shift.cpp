#include "editing/offset_shift.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "editing/edit_support.h"
#include "host/host_api.h"
#include "text/log_line.h"
#include "text/text_helpers.h"

namespace stimforge {
namespace {

constexpr size_t kLineSize = 512;
constexpr int32_t kMaxAmount = 3000000;
constexpr int64_t kLargestTime = std::numeric_limits<int32_t>::max();

// Whether adding `amount` keeps every interval value a protocol can hold.
bool fitsAfterAdding(const std::vector<ProtocolCondition>& conditions, int32_t amount) {
  int64_t largest = std::numeric_limits<int32_t>::min();
  for (const ProtocolCondition& c : conditions) {
    const size_t count = intervalCount(c);
    for (size_t j = 0; j < count; ++j)
      largest = std::max({largest, int64_t{c.intervalStarts[j]}, int64_t{c.intervalEnds[j]}});
  }
  return largest + amount <= kLargestTime;
}

// Computed in 64 bits so that neither direction can overflow. Subtracting clamps both ends
// at 0: an interval that ends before the new time 0 becomes 0 - 0 rather than reaching into
// negative times.
int32_t shifted(int32_t value, int32_t amount, bool subtract) {
  if (subtract)
    return static_cast<int32_t>(std::max<int64_t>(int64_t{value} - amount, 0));
  return static_cast<int32_t>(int64_t{value} + amount);  // checked by fitsAfterAdding
}

}  // namespace

bool shiftIntervalOffsets(const ProtocolHeader& header, int shiftDirection, int32_t amount) {
  const HostApi& host = hostApi();
  const bool subtract = shiftDirection == kShiftSubtract;
  char suffix[50];
  std::snprintf(suffix, sizeof suffix, "%s%i", subtract ? "_min" : "_plus", amount);
  const std::string fileName = headerFileName(header);
  if (!checkNewFileName(fileName, suffix))
    return false;

  // Every condition is fetched before anything is written, so that a shift that cannot be
  // done is refused with the host's protocol as it was. The records point into the host's
  // arrays, which stay valid: nothing below changes the protocol's shape.
  const size_t n = static_cast<size_t>(std::max(header.numberOfConditions, 0));
  std::vector<ProtocolCondition> conditions(n, makeEmptyCondition());
  for (size_t i = 0; i < n; ++i)
    host.kwGetProtocolCondition(static_cast<int>(i), &conditions[i]);

  char line[kLineSize];
  if (!subtract && !fitsAfterAdding(conditions, amount)) {
    std::snprintf(line, sizeof line,
                  "Shifting by %d would take an interval past the largest time a protocol can "
                  "hold.",
                  amount);
    logRefusal(line);
    return false;
  }

  // Formed before the first interval moves: once the host's arrays change, nothing may fail
  // (run out of memory) before the save.
  const std::string newFileName = newProtocolFileName(fileName, suffix);
  std::snprintf(line, sizeof line, "Changing protocol offset with %d...", amount);
  host.kwLogText(line);
  for (ProtocolCondition& c : conditions) {
    std::snprintf(line, sizeof line, "\nCurrent condition: %.*s",
                  static_cast<int>(textFieldLength(c.name)), c.name);
    host.kwLogText(line);
    const size_t count = intervalCount(c);
    for (size_t j = 0; j < count; ++j) {
      int32_t& start = c.intervalStarts[j];
      int32_t& end = c.intervalEnds[j];
      // Two lines per interval, millions for a long session: built without format parsing.
      LogLine previous;
      previous.text("Previous interval: ").number(start).text(" - ").number(end);
      host.kwLogText(previous.c_str());
      start = shifted(start, amount, subtract);
      end = shifted(end, amount, subtract);
      LogLine next;
      next.text("New interval: ").number(start).text(" - ").number(end);
      host.kwLogText(next.c_str());
    }
  }

  host.kwSaveProtocol(newFileName.c_str());
  logSavedName(newFileName);
  return true;
}

void runOffsetShiftCommand() {
  const HostApi& host = hostApi();
  ProtocolHeader header = makeEmptyHeader();
  host.kwMessageBox("This function changes the offsets from all intervals");
  // Any result of 1 or more means a protocol is present (the other editing commands insist
  // on exactly 1).
  if (host.kwGetProtocol(&header) <= 0) {
    host.kwLogText("No protocol linked.");
    host.kwLogText("Cancelled further operations.");
    return;
  }

  // Only volumes have a prompt of their own; milliseconds, and any unit the host may add,
  // are asked for in milliseconds.
  const char* prompt = header.timeResolution == kTimeResolutionVolumes
                           ? "Please enter the number of volumes that the intervals should shift"
                           : "Please enter the amount of milliseconds that the intervals should "
                             "shift";
  const int amount = host.kwGetIntegerInput(prompt, 0, 0, kMaxAmount);
  if (amount < 0) {
    host.kwLogText("Cancelled further operations.");
    return;
  }
  const int shiftDirection =
      host.kwYesNoMessageBox(
          "Should the offset be subtracted (yes) or added (no) to the current intervals?") != 0
          ? kShiftSubtract
          : kShiftAdd;

  if (shiftIntervalOffsets(header, shiftDirection, amount))
    host.kwLogText("Plugin operations finished successfully.");
}

}  // namespace stimforge
