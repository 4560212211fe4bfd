// How kwhost knows a file it last wrote: a record inside the file, on a line of its own, of
// the crc32 (zlib's) of the file's bytes without that line. Any change since, even of one
// byte, shows; the record detects edits, it is no protection against tampering.
#ifndef STIMFORGE_KWHOST_COMMON_OWN_RECORD_H_
#define STIMFORGE_KWHOST_COMMON_OWN_RECORD_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace stimforge::kwhost {

// The crc32 of `bytes`, continuing `crc` (0 to start).
uint32_t crc32Of(std::string_view bytes, uint32_t crc = 0);

// The crc32 of the file at `path`, read a piece at a time. Returns false when it cannot be
// read.
[[nodiscard]] bool crc32OfFile(const std::string& path, uint32_t& crc);

// A crc32 as eight lower-case hexadecimal digits, and back (false unless exactly eight).
std::string crc32Text(uint32_t crc);
[[nodiscard]] bool parseCrc32(std::string_view digits, uint32_t& crc);

// The first line of `text` that begins with `prefix`: [begin, end), its line break included.
struct RecordLine {
  size_t begin = 0;
  size_t end = 0;
};
std::optional<RecordLine> recordLineOf(std::string_view text, std::string_view prefix);

// The crc32 of `text` without `line`.
uint32_t crc32Without(std::string_view text, const RecordLine& line);

// What a file's own record says of it.
enum class OwnRecord {
  kNone,       // it holds no record (a file from before records, or no file of kwhost's)
  kUnchanged,  // its bytes are those kwhost wrote
  kChanged,    // changed since kwhost wrote it (or the record itself was edited)
};

// The record of `text` whose line begins with `prefix` followed by the eight digits.
OwnRecord ownRecordOf(std::string_view text, std::string_view prefix);

// `text` whose record line holds `prefix` and eight zeros, the zeros replaced by the crc32 of
// the text without that line. Requires: such a line.
std::string withOwnRecord(std::string text, std::string_view prefix);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_COMMON_OWN_RECORD_H_
