#include "kwhost/common/own_record.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace stimforge::kwhost {

uint32_t crc32Of(std::string_view bytes, uint32_t crc) {
  uLong value = crc;
  // zlib takes lengths of 32 bits: a long text goes in pieces.
  constexpr size_t kPiece = size_t{1} << 30;
  for (size_t at = 0; at < bytes.size(); at += kPiece) {
    const size_t size = std::min(kPiece, bytes.size() - at);
    value = ::crc32(value, reinterpret_cast<const Bytef*>(bytes.data() + at),
                    static_cast<uInt>(size));
  }
  return static_cast<uint32_t>(value);
}

bool crc32OfFile(const std::string& path, uint32_t& crc) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    return false;
  std::vector<char> piece(size_t{1} << 20);
  uint32_t value = 0;
  size_t read = 0;
  while ((read = std::fread(piece.data(), 1, piece.size(), file)) > 0)
    value = crc32Of(std::string_view(piece.data(), read), value);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  if (ok)
    crc = value;
  return ok;
}

std::string crc32Text(uint32_t crc) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(crc));
  return text;
}

bool parseCrc32(std::string_view digits, uint32_t& crc) {
  if (digits.size() != 8)
    return false;
  uint32_t value = 0;
  for (const char c : digits) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0)
      return false;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  crc = value;
  return true;
}

std::optional<RecordLine> recordLineOf(std::string_view text, std::string_view prefix) {
  for (size_t begin = 0; begin < text.size();) {
    size_t end = text.find('\n', begin);
    end = end == std::string_view::npos ? text.size() : end + 1;
    if (text.substr(begin, prefix.size()) == prefix)
      return RecordLine{begin, end};
    begin = end;
  }
  return std::nullopt;
}

uint32_t crc32Without(std::string_view text, const RecordLine& line) {
  return crc32Of(text.substr(line.end), crc32Of(text.substr(0, line.begin)));
}

OwnRecord ownRecordOf(std::string_view text, std::string_view prefix) {
  const std::optional<RecordLine> line = recordLineOf(text, prefix);
  if (!line)
    return OwnRecord::kNone;
  uint32_t recorded = 0;
  if (!parseCrc32(text.substr(line->begin + prefix.size(), 8), recorded))
    return OwnRecord::kChanged;
  return crc32Without(text, *line) == recorded ? OwnRecord::kUnchanged : OwnRecord::kChanged;
}

std::string withOwnRecord(std::string text, std::string_view prefix) {
  const std::optional<RecordLine> line = recordLineOf(text, prefix);
  if (line)
    text.replace(line->begin + prefix.size(), 8, crc32Text(crc32Without(text, *line)));
  return text;
}

}  // namespace stimforge::kwhost
