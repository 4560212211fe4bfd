#include "standin/timeline_sources.h"

#include "host/protocol_records.h"
#include "standin/svg_text.h"

namespace stimforge::standin {
namespace {

// Windows-1252's bytes 0x80 to 0x9F (0 where the code page defines none).
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

}  // namespace

uint32_t paletteColour(size_t row) {
  return kTimelinePalette[row % (sizeof kTimelinePalette / sizeof kTimelinePalette[0])];
}

std::string textAsUtf8(std::string_view text) {
  if (isUtf8(text))
    return std::string(text);
  std::string out;
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80)
      out += c;
    else if (byte < 0xA0)
      appendUtf8(out, kWindows1252High[byte - 0x80] != 0 ? kWindows1252High[byte - 0x80] : 0xFFFD);
    else
      appendUtf8(out, byte);
  }
  return out;
}

Timeline protocolTimeline(const Protocol& protocol, const std::string& displayName) {
  Timeline timeline;
  timeline.fileName = textAsUtf8(displayName);
  const bool volumes = protocol.timeResolution == kTimeResolutionVolumes;
  timeline.unit = volumes ? TimelineUnit::kVolumes : TimelineUnit::kSeconds;
  if (!protocol.title.empty())
    timeline.notes.push_back("title: " + textAsUtf8(protocol.title));
  if (!volumes && protocol.timeResolution != kTimeResolutionMilliseconds) {
    timeline.notes.push_back("time resolution " + std::to_string(protocol.timeResolution) +
                             " is neither volumes (1) nor milliseconds (2): drawn as "
                             "milliseconds");
  }
  for (const Condition& condition : protocol.conditions) {
    TimelineRow row;
    row.name = textAsUtf8(condition.name);
    row.rgb = static_cast<uint32_t>(condition.colour) & 0xFFFFFFu;
    const size_t n = condition.starts.size();
    row.starts.resize(n);
    row.ends.resize(n);
    for (size_t i = 0; i < n; ++i) {
      if (volumes) {
        row.starts[i] = static_cast<double>(condition.starts[i]) - 1.0;
        row.ends[i] = static_cast<double>(condition.ends[i]);
      } else {
        row.starts[i] = condition.starts[i] / 1000.0;
        row.ends[i] = condition.ends[i] / 1000.0;
      }
    }
    timeline.rows.push_back(std::move(row));
  }
  return timeline;
}

}  // namespace stimforge::standin
