// Text as UTF-8: what kwhost writes for others to read (events files, sidecars, pictures).
// Presentation writes a log's texts in the machine's code page, usually Windows-1252; a text
// that is already valid UTF-8 is kept as it stands.
#ifndef STIMFORGE_KWHOST_COMMON_TEXT_UTF8_H_
#define STIMFORGE_KWHOST_COMMON_TEXT_UTF8_H_

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

namespace stimforge::kwhost {

// The length (1 to 4) of the well-formed UTF-8 sequence at `pos`, its code point stored in
// `codePoint`; 0, `codePoint` unchanged, when the bytes there are not one (a stray
// continuation byte, an overlong form, a surrogate, a code point above U+10FFFF, a sequence
// cut short). kwhost's one UTF-8 decoder. Requires: pos < text.size().
size_t utf8SequenceAt(std::string_view text, size_t pos, char32_t& codePoint);

// `text` with the ASCII letters A to Z in lower case and every other byte as it was (UTF-8
// sequences among them): file extensions and labels compared without case.
std::string asciiLowerCase(std::string text);

// Whether `text` is well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogates (U+D800 to U+DFFF), nothing above U+10FFFF.
bool isValidUtf8(std::string_view text);

// How toUtf8 read a text.
struct Utf8Conversion {
  bool converted = false;     // the text was not UTF-8 and was read as Windows-1252
  size_t undefinedBytes = 0;  // bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D written as U+FFFD
};

// `text` as UTF-8: itself when isValidUtf8, otherwise every byte read as Windows-1252
// (0x80 to 0x9F as that code page has them, 0xA0 to 0xFF as Latin-1), its five undefined
// bytes as U+FFFD. Stores in `how` which happened; the caller warns. May throw
// std::bad_alloc.
std::string toUtf8(std::string_view text, Utf8Conversion& how);

// `raw` as UTF-8 (toUtf8), with a warning added to `warnings` when it was read as
// Windows-1252: WHAT "TEXT" is not UTF-8: read as Windows-1252[, with N undefined byte(s) as
// U+FFFD], the text as converted, escaped for one line. The one wording of that warning.
// May throw std::bad_alloc.
std::string utf8Of(std::string_view raw, const char* what, std::set<std::string>& warnings);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_COMMON_TEXT_UTF8_H_
