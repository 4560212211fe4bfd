#include "kwhost/timeline/svg_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "kwhost/common/text_utf8.h"

namespace stimforge::kwhost {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

void appendXmlText(std::string& out, std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t codePoint = 0;
    const size_t length = utf8SequenceAt(text, pos, codePoint);
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
    char32_t ignored = 0;
    const size_t length = utf8SequenceAt(text, pos, ignored);
    pos += length == 0 ? 1 : length;
    ++characters;
  }
  return std::string(text);
}

namespace {

// `value` x 10^decimals rounded as "%.*f" rounds it, when that is sure without printing: the
// scaled value well inside 2^53 and not within 1e-6 of a half, where the decimal rounding of
// the exact binary value and that of the product could part. False otherwise.
bool scaledExactly(double value, int decimals, int64_t& scaled) {
  static constexpr double kPowers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
  if (decimals < 0 || decimals > 6)
    return false;
  const double product = value * kPowers[decimals];
  if (!(std::fabs(product) < 1e9))
    return false;
  const double floor = std::floor(product);
  const double fraction = product - floor;
  if (std::fabs(fraction - 0.5) < 1e-6)
    return false;
  scaled = static_cast<int64_t>(floor) + (fraction > 0.5 ? 1 : 0);
  return true;
}

}  // namespace

void appendShortNumber(std::string& out, double value, int decimals) {
  int64_t scaled = 0;
  if (scaledExactly(value, decimals, scaled)) {
    // The digits of |scaled|, the decimal point `decimals` from the right, trailing zeros of
    // the fraction dropped; "-" only before a number that is not 0.
    char digits[32];
    int length = 0;
    uint64_t magnitude =
        scaled < 0 ? static_cast<uint64_t>(-scaled) : static_cast<uint64_t>(scaled);
    int fraction = decimals;
    while (fraction > 0 && magnitude % 10 == 0 && magnitude != 0) {
      magnitude /= 10;
      --fraction;
    }
    if (magnitude == 0) {
      out += '0';
      return;
    }
    do {
      digits[length++] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
      if (length == fraction)
        digits[length++] = '.';
    } while (magnitude != 0 || length <= fraction);
    if (digits[length - 1] == '.')
      digits[length++] = '0';
    if (scaled < 0)
      out += '-';
    while (length > 0)
      out += digits[--length];
    return;
  }
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

void appendWholeNumber(std::string& out, size_t value) {
  char digits[24];
  int length = 0;
  do {
    digits[length++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (length > 0)
    out += digits[--length];
}

std::string shortNumber(double value, int decimals) {
  std::string out;
  appendShortNumber(out, value, decimals);
  return out;
}

}  // namespace stimforge::kwhost
