// Small text conversions shared by the stand-in host's units: the log pane's rendering of
// the host's mark-up, the one-line escaping of raw logs and transcripts, and strict
// whole-number parsing.
#ifndef STIMFORGE_KWHOST_COMMON_TEXT_CODEC_H_
#define STIMFORGE_KWHOST_COMMON_TEXT_CODEC_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace stimforge::kwhost {

// Appends `text` with the host's rich-text mark-up rendered as plain text: "<P>" becomes a
// line break and an empty line, "<BR>" a line break, "<i>" and "</i>" are dropped (each in
// upper or lower case). Everything else is kept as it stands.
void appendRenderedMarkup(std::string& out, std::string_view text);
std::string renderMarkup(std::string_view text);

// Appends `text` as one line of a raw log or transcript: backslash, line break and tab
// become "\\", "\n" and "\t"; every other byte is kept.
void appendEscapedLine(std::string& out, std::string_view text);
std::string escapeLine(std::string_view text);

// Parses a whole decimal number: an optional sign and one or more digits, nothing else
// (no spaces). Returns false, `value` unchanged, for anything else or a number outside
// the 32-bit signed range.
[[nodiscard]] bool parseInt32(std::string_view text, int32_t& value);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_COMMON_TEXT_CODEC_H_
