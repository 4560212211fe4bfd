#include "kwhost/common/text_codec.h"

#include <cctype>
#include <cstddef>
#include <cstring>

namespace stimforge::kwhost {
namespace {

// Whether `text` at `pos` starts with `tag`, letters compared without case.
bool tagAt(std::string_view text, size_t pos, std::string_view tag) {
  if (text.size() - pos < tag.size())
    return false;
  for (size_t i = 0; i < tag.size(); ++i) {
    const unsigned char a = static_cast<unsigned char>(text[pos + i]);
    const unsigned char b = static_cast<unsigned char>(tag[i]);
    if (std::tolower(a) != std::tolower(b))
      return false;
  }
  return true;
}

}  // namespace

void appendRenderedMarkup(std::string& out, std::string_view text) {
  // Every log line passes through here: the text between tags is appended in one piece,
  // and most lines hold no '<' at all.
  size_t pos = 0;
  while (pos < text.size()) {
    const void* found = std::memchr(text.data() + pos, '<', text.size() - pos);
    const size_t tag = found == nullptr
                           ? text.size()
                           : static_cast<size_t>(static_cast<const char*>(found) - text.data());
    out.append(text.data() + pos, tag - pos);
    pos = tag;
    if (pos == text.size())
      break;
    if (tagAt(text, pos, "<P>")) {
      out += "\n\n";
      pos += 3;
    } else if (tagAt(text, pos, "<BR>")) {
      out += '\n';
      pos += 4;
    } else if (tagAt(text, pos, "<i>")) {
      pos += 3;
    } else if (tagAt(text, pos, "</i>")) {
      pos += 4;
    } else {
      out += '<';
      ++pos;
    }
  }
}

std::string renderMarkup(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  appendRenderedMarkup(out, text);
  return out;
}

void appendEscapedLine(std::string& out, std::string_view text) {
  // Runs without a byte to escape are appended in one piece.
  size_t pos = 0;
  while (pos < text.size()) {
    size_t special = pos;
    while (special < text.size() && text[special] != '\\' && text[special] != '\n' &&
           text[special] != '\t')
      ++special;
    out.append(text.data() + pos, special - pos);
    if (special == text.size())
      break;
    switch (text[special]) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += "\\t";
        break;
    }
    pos = special + 1;
  }
}

std::string escapeLine(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  appendEscapedLine(out, text);
  return out;
}

bool parseInt32(std::string_view text, int32_t& value) {
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos == text.size())
    return false;
  // Accumulated as a magnitude in 64 bits, stopped as soon as it leaves the range.
  int64_t magnitude = 0;
  const int64_t limit = negative ? int64_t{2147483648} : int64_t{2147483647};
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c < '0' || c > '9')
      return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit)
      return false;
  }
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace stimforge::kwhost
