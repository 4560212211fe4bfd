// Text for SVG pictures: names and titles made safe for XML, cut to fit, and numbers
// written short.
#ifndef STIMFORGE_KWHOST_TIMELINE_SVG_TEXT_H_
#define STIMFORGE_KWHOST_TIMELINE_SVG_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace stimforge::kwhost {

// Appends `text` as XML character data, fit for an element's content and for an attribute
// in double or single quotes: '&', '<', '>', '"' and '\'' become entities; tab, line break
// and carriage return become a space; every byte that is not part of well-formed UTF-8, and
// every character XML 1.0 does not allow (other control characters, U+FFFE, U+FFFF), becomes
// U+FFFD. So any bytes at all give well-formed XML that shows them as text.
void appendXmlText(std::string& out, std::string_view text);
std::string xmlText(std::string_view text);

// `text` cut to at most `maxCharacters` characters (UTF-8 code points; a byte that is not
// well-formed UTF-8 counts as one): when it is longer, its first maxCharacters - 1
// characters and "…" (U+2026). Requires: maxCharacters >= 1.
std::string cutWithEllipsis(std::string_view text, size_t maxCharacters);

// `value` with at most `decimals` decimals, trailing zeros and a trailing dot dropped, and
// never "-0" ("12.5", "3", "-0.25"). Requires: 0 <= decimals <= 9, value finite.
std::string shortNumber(double value, int decimals);
void appendShortNumber(std::string& out, double value, int decimals);

// Appends the decimal digits of `value`, as std::to_string writes them, without a temporary:
// a picture holds hundreds of them.
void appendWholeNumber(std::string& out, size_t value);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_TIMELINE_SVG_TEXT_H_
