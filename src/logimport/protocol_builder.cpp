#include "logimport/protocol_builder.h"

#include <cmath>
#include <limits>
#include <map>
#include <string_view>
#include <vector>

#include "host/host_api.h"
#include "host/protocol_records.h"
#include "logformat/log_fields.h"
#include "text/log_line.h"
#include "text/text_helpers.h"

// Each distinct code becomes a condition named after it: the reader keeps no longer codes
// than a condition name holds, so that distinct codes stay distinct conditions.
static_assert(stimforge::kMaxCodeLength == stimforge::kMaxConditionNameLength,
              "a kept code fits a condition name");

namespace stimforge {
namespace {

// Truncates toward zero into the 32-bit range; converting a double outside it would be
// undefined.
int32_t clampedToInt32(double value) {
  if (std::isnan(value))
    return 0;
  if (value <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  if (value >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

// A length that would end the interval before its start becomes 0: the interval then
// ends where it starts.
int32_t nonNegativeLength(double length) {
  return length > 0.0 ? clampedToInt32(length) : 0;
}

// Everything the build needs that takes memory, worked out before the host's protocol is
// emptied: once it is, nothing may fail.
struct ConditionPlan {
  // Condition index by name, in the order the codes first occur in the table.
  std::map<std::string_view, int32_t> conditionIndexByName;
  // The codes of the conditions, in that order.
  std::vector<uint32_t> codeOfCondition;
  // The condition index of each entry of the log's code table (-1: not used).
  std::vector<int32_t> conditionOfCode;
};

ConditionPlan planConditions(const PresentationLog& log, size_t eventCount) {
  ConditionPlan plan;
  plan.conditionOfCode.assign(log.codes.size(), -1);
  for (size_t i = 0; i < eventCount; ++i) {
    const uint32_t code = log.events[i].code;
    if (plan.conditionOfCode[code] >= 0)
      continue;
    const auto inserted = plan.conditionIndexByName.emplace(
        log.codes[code], static_cast<int32_t>(plan.codeOfCondition.size()));
    if (inserted.second)
      plan.codeOfCondition.push_back(code);
    plan.conditionOfCode[code] = inserted.first->second;
  }
  return plan;
}

void createConditionsAndIntervals(const PresentationLog& log, size_t eventCount,
                                  const ConditionPlan& plan, ProtocolHeader& header,
                                  int durationMode) {
  const HostApi& host = hostApi();
  host.kwLogText("Creating and preparing conditions and intervals lists...");
  host.kwLogText("Searching condition names...");

  for (size_t k = 0; k < plan.codeOfCondition.size(); ++k) {
    ProtocolCondition condition = makeEmptyCondition();
    copyTextField(condition.name, sizeof condition.name,
                  log.codes[plan.codeOfCondition[k]].c_str());
    condition.colour = conditionColour(static_cast<uint32_t>(k + 1));
    host.kwAddProtocolCondition(&condition);
  }
  header.numberOfConditions = static_cast<int32_t>(plan.codeOfCondition.size());

  for (size_t i = 0; i < eventCount; ++i) {
    const LogEvent& event = log.events[i];
    const int32_t start = intervalStart(event.time);
    int32_t length = 0;
    if (durationMode == 2) {
      length = intervalLengthFromDuration(event.duration);
    } else if (i + 1 < eventCount) {
      // The next event in the table, whatever its condition.
      length = intervalLengthToNext(event.time, log.events[i + 1].time);
    } else {
      host.kwLogText("Last interval(s), computation based on Duration in protocol.");
      length = intervalLengthFromDuration(event.duration);
    }
    const int32_t end = intervalEnd(start, length);
    host.kwAddProtocolConditionInterval(plan.conditionOfCode[event.code], start, end);
    LogLine line;
    line.text("Added interval: ").number(start).text(" - ").number(end);
    line.text(", for condition: ").text(log.codeOf(event));
    host.kwLogText(line.c_str());
  }
}

}  // namespace

ProtocolNames protocolNamesFor(const std::string& logPath) {
  ProtocolNames names;
  names.saved = withExtension(logPath, ".prt");
  names.shown = withSuffixBeforeExtension(names.saved, "_MSEC");
  return names;
}

bool protocolNamesFit(const std::string& logPath) {
  const ProtocolNames names = protocolNamesFor(logPath);
  return names.shown.size() <= kMaxFileNameLength && names.saved.size() <= kMaxFileNameLength;
}

int32_t intervalStart(double time) {
  return clampedToInt32(time / 10.0);
}

int32_t intervalLengthToNext(double time, double nextTime) {
  // Stops 2 ms short of the next event, so that neighbouring intervals never touch.
  const double difference = std::trunc(nextTime - time);
  return nonNegativeLength(std::floor((difference - 20.0) / 10.0));
}

int32_t intervalLengthFromDuration(double duration) {
  return nonNegativeLength(std::floor(duration / 10.0));
}

int32_t intervalEnd(int32_t start, int32_t length) {
  return clampedToInt32(static_cast<double>(start) + static_cast<double>(length));
}

int32_t conditionColour(uint32_t k) {
  // Unsigned, so that the sum wraps instead of overflowing; then the same 32 bits as a
  // signed value.
  const uint32_t colour = static_cast<uint32_t>(kConditionColourBase) + 50005u * k;
  return colour <= static_cast<uint32_t>(std::numeric_limits<int32_t>::max())
             ? static_cast<int32_t>(colour)
             : static_cast<int32_t>(static_cast<int64_t>(colour) - (int64_t{1} << 32));
}

bool buildProtocol(const PresentationLog& log, int durationMode) {
  if (!protocolNamesFit(log.path))
    return false;
  const ProtocolNames names = protocolNamesFor(log.path);
  size_t eventCount = log.eventCount > 0 ? static_cast<size_t>(log.eventCount) : 0;
  if (eventCount > log.events.size())
    eventCount = log.events.size();
  const ConditionPlan plan = planConditions(log, eventCount);

  const HostApi& host = hostApi();
  host.kwClearProtocol();
  ProtocolHeader header = makeEmptyHeader();
  host.kwLogText("Creating new protocol...");
  header.timeResolution = kTimeResolutionMilliseconds;
  copyTextField(header.fileName, sizeof header.fileName, names.shown.c_str());
  LogLine nameLine;
  nameLine.text("Creating protocol name:\n\n\t").text(names.shown).text("\n");
  host.kwLogText(nameLine.c_str());

  createConditionsAndIntervals(log, eventCount, plan, header, durationMode);

  host.kwLogText("Setting colors and pen thickness...");
  applyHeaderDefaults(header, log.baseName.c_str());
  // The "_MSEC" name above is only shown; the protocol is set and saved under the plain
  // ".prt" name.
  copyTextField(header.fileName, sizeof header.fileName, names.saved.c_str());
  host.kwSetProtocol(&header);
  host.kwSaveProtocol(header.fileName);
  host.kwLogText("Protocol generated from Presentation Log file.");
  return true;
}

}  // namespace stimforge
