#include "kwhost/host/call_lines.h"

#include <cstdio>

namespace stimforge::kwhost {
namespace {

std::string hexColour(int32_t colour) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(static_cast<uint32_t>(colour)));
  return text;
}

template <size_t N>
std::string fieldText(const char (&field)[N]) {
  return std::string(field, textFieldLength(field));
}

}  // namespace

std::string callLine(std::string_view entry, std::initializer_list<std::string_view> arguments) {
  std::string line(entry);
  line += '(';
  bool first = true;
  for (const std::string_view argument : arguments) {
    if (!first)
      line += ", ";
    line += argument;
    first = false;
  }
  line += ')';
  return line;
}

std::string callLine(std::string_view entry, std::initializer_list<std::string_view> arguments,
                     std::string_view result) {
  std::string line = callLine(entry, arguments);
  line += " -> ";
  line += result;
  return line;
}

std::string dialogLine(std::string_view entry, std::initializer_list<std::string_view> arguments,
                       int result, std::string_view answer) {
  return callLine(entry, arguments, result == 1 ? "1 " + std::string(answer) : std::string("0"));
}

std::string integerInputLine(std::string_view prompt, int defaultValue, int minimum, int maximum,
                             int answer) {
  return callLine(
      "kwGetIntegerInput",
      {prompt, std::to_string(defaultValue), std::to_string(minimum), std::to_string(maximum)},
      std::to_string(answer));
}

std::string setProtocolLine(const ProtocolHeader& header) {
  return callLine("kwSetProtocol",
                  {std::to_string(header.numberOfConditions), fieldText(header.fileName),
                   fieldText(header.protocolTitle), std::to_string(header.timeResolution)});
}

std::string addConditionLine(const ProtocolCondition& condition) {
  return callLine("kwAddProtocolCondition",
                  {fieldText(condition.name), hexColour(condition.colour)});
}

std::string addIntervalLine(int index, int start, int end) {
  return callLine("kwAddProtocolConditionInterval",
                  {std::to_string(index), std::to_string(start), std::to_string(end)});
}

}  // namespace stimforge::kwhost
