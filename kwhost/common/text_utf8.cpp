#include "kwhost/common/text_utf8.h"

#include <cstdint>

#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252's bytes 0x80 to 0x9F; 0 marks the five it leaves undefined.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

size_t utf8SequenceAt(std::string_view text, size_t pos, char32_t& codePoint) {
  const auto lead = static_cast<uint8_t>(text[pos]);
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  size_t length = 0;
  char32_t c = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - pos < length)
    return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<uint8_t>(text[pos + k]);
    if ((next & 0xC0) != 0x80)
      return 0;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
    return 0;
  codePoint = c;
  return length;
}

std::string asciiLowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool isValidUtf8(std::string_view text) {
  size_t i = 0;
  char32_t ignored = 0;
  while (i < text.size()) {
    if (static_cast<uint8_t>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t length = utf8SequenceAt(text, i, ignored);
    if (length == 0)
      return false;
    i += length;
  }
  return true;
}

std::string toUtf8(std::string_view text, Utf8Conversion& how) {
  how = Utf8Conversion();
  if (isValidUtf8(text))
    return std::string(text);
  how.converted = true;
  std::string out;
  out.reserve(text.size() * 2);
  for (const char byte : text) {
    const auto b = static_cast<uint8_t>(byte);
    char32_t c = b;
    if (b >= 0x80 && b <= 0x9F) {
      c = kHighControls[b - 0x80];
      if (c == 0) {
        c = kReplacement;
        ++how.undefinedBytes;
      }
    }
    appendUtf8(out, c);
  }
  return out;
}

std::string utf8Of(std::string_view raw, const char* what, std::set<std::string>& warnings) {
  Utf8Conversion how;
  std::string text = toUtf8(raw, how);
  if (how.converted) {
    std::string warning =
        std::string(what) + " \"" + escapeLine(text) + "\" is not UTF-8: read as Windows-1252";
    if (how.undefinedBytes > 0)
      warning += ", with " + std::to_string(how.undefinedBytes) + " undefined byte(s) as U+FFFD";
    warnings.insert(std::move(warning));
  }
  return text;
}

}  // namespace stimforge::kwhost
