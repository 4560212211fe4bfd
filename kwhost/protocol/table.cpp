#include "kwhost/protocol/table.h"

#include <cstdio>

#include "kwhost/common/text_codec.h"
#include "kwhost/protocol/file.h"

namespace stimforge::kwhost {
namespace {

std::string hex(int32_t colour) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(static_cast<uint32_t>(colour)));
  return text;
}

const char* unitName(int32_t timeResolution) {
  if (timeResolution == kTimeResolutionMilliseconds)
    return "milliseconds";
  if (timeResolution == kTimeResolutionVolumes)
    return "volumes";
  return "unknown unit";
}

}  // namespace

std::string formatProtocolTable(const Protocol& p) {
  std::string out;
  out += "File             " + escapeLine(p.fileName) + "\n";
  out += "Title            " + quotedText(p.title) + "\n";
  out += "Time resolution  " + std::to_string(p.timeResolution) + " (" +
         unitName(p.timeResolution) + ")\n";
  out += "Colours          colour1 " + hex(p.colour1) + "  colour2 " + hex(p.colour2) +
         "  colour3 " + hex(p.colour3) + "  colour4 " + hex(p.colour4) + "\n";
  out += "Pen thicknesses  thickness3 " + std::to_string(p.thickness3) + "  thickness4 " +
         std::to_string(p.thickness4) + "\n";
  out += "Conditions       " + std::to_string(p.conditions.size()) + "\n";
  for (size_t c = 0; c < p.conditions.size(); ++c) {
    const Condition& condition = p.conditions[c];
    const size_t count = condition.starts.size();
    out += "\nCondition " + std::to_string(c) + ": " + quotedText(condition.name) + ", colour " +
           hex(condition.colour) + ", " + std::to_string(count) +
           (count == 1 ? " interval\n" : " intervals\n");
    if (count == 0)
      continue;
    out += "        start          end\n";
    for (size_t i = 0; i < count; ++i) {
      char line[64];
      std::snprintf(line, sizeof line, "  %11d  %11d\n", static_cast<int>(condition.starts[i]),
                    static_cast<int>(condition.ends[i]));
      out += line;
    }
  }
  return out;
}

}  // namespace stimforge::kwhost
