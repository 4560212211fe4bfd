#include "kwhost/timeline/svg_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace stimforge::kwhost {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at `pos` (1 to 4) with its code point in
// `codePoint`, or 0 when the bytes there are not one (overlong forms and surrogates
// included).
size_t utf8Sequence(std::string_view text, size_t pos, uint32_t& codePoint) {
  const unsigned char lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  size_t length = 0;
  uint32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    minimum = 0x80;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    minimum = 0x800;
    codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    minimum = 0x10000;
    codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - pos < length)
    return 0;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80)
      return 0;
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
    return 0;
  return length;
}

}  // namespace

void appendXmlText(std::string& out, std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    uint32_t codePoint = 0;
    const size_t length = utf8Sequence(text, pos, codePoint);
    if (length == 0) {
      out += kReplacement;
      ++pos;
      continue;
    }
    switch (codePoint) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '\t':
      case '\n':
      case '\r':
        out += ' ';
        break;
      default:
        if (codePoint < 0x20 || codePoint == 0xFFFE || codePoint == 0xFFFF)
          out += kReplacement;
        else
          out.append(text.data() + pos, length);
        break;
    }
    pos += length;
  }
}

std::string xmlText(std::string_view text) {
  std::string out;
  appendXmlText(out, text);
  return out;
}

std::string cutWithEllipsis(std::string_view text, size_t maxCharacters) {
  size_t pos = 0;
  size_t characters = 0;
  size_t keep = 0;  // the bytes of the first maxCharacters - 1 characters
  while (pos < text.size()) {
    if (characters == maxCharacters - 1)
      keep = pos;
    if (characters == maxCharacters)
      return std::string(text.substr(0, keep)) + "\xE2\x80\xA6";
    uint32_t ignored = 0;
    const size_t length = utf8Sequence(text, pos, ignored);
    pos += length == 0 ? 1 : length;
    ++characters;
  }
  return std::string(text);
}

void appendShortNumber(std::string& out, double value, int decimals) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) {
    out += '0';  // only for values far beyond any time axis
    return;
  }
  size_t end = static_cast<size_t>(n);
  bool hasDot = false;
  for (size_t i = 0; i < end; ++i)
    hasDot = hasDot || buffer[i] == '.';
  if (hasDot) {
    while (buffer[end - 1] == '0')
      --end;
    if (buffer[end - 1] == '.')
      --end;
  }
  if (end == 2 && buffer[0] == '-' && buffer[1] == '0')
    out += '0';
  else
    out.append(buffer, end);
}

std::string shortNumber(double value, int decimals) {
  std::string out;
  appendShortNumber(out, value, decimals);
  return out;
}

}  // namespace stimforge::kwhost
