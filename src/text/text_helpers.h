// Text helpers: colour codes and the file names under which the host saves protocols.
// Every file name the plug-in forms comes from these. Each returns a new text owned by the
// caller; none keeps state.
#ifndef STIMFORGE_TEXT_TEXT_HELPERS_H_
#define STIMFORGE_TEXT_TEXT_HELPERS_H_

#include <cstdint>
#include <optional>
#include <string>

namespace stimforge {

// The value of a hexadecimal colour text such as "3366CC". Walks from the last character
// (position 0) to the first; "0"-"9" and "A"-"F" add value * 16^position, summed in single
// precision and truncated after each digit; any other character, lower-case letters
// included, adds nothing but keeps its position. Exact for six-character texts; longer
// texts saturate at INT32_MAX instead of overflowing. An empty text gives 0.
int32_t hexColourToInt(const std::string& text);

// The path up to, not including, the last dot of its file name. A file name without a dot
// has no extension: the whole path is returned. An empty path gives "''" (two apostrophes),
// which then stands at the front of any name built from it.
std::string stripExtension(const std::string& path);

// The path's last four characters (a dot and a three-letter extension for the names the
// plug-in handles). A file name without a dot gives the empty text; a path of one to three
// characters is returned whole. An empty path gives "-1".
std::string extensionOf(const std::string& path);

// stripExtension(path) + suffix + extensionOf(path): C:\exp\run1.prt with "_ordered" gives
// C:\exp\run1_ordered.prt.
std::string withSuffixBeforeExtension(const std::string& path, const std::string& suffix);

// stripExtension(path) + extension; the extension carries its own dot (".prt").
std::string withExtension(const std::string& path, const std::string& extension);

// The file-name part of the path, after its last separator ("/" when the path holds one,
// the backslash otherwise); without its extension when cutExtension is set (a name without
// a dot is kept whole); with "-" appended when appendDash is set. An empty path gives no
// result.
std::optional<std::string> baseNameOf(const std::string& path, bool cutExtension, bool appendDash);

}  // namespace stimforge

#endif  // STIMFORGE_TEXT_TEXT_HELPERS_H_
