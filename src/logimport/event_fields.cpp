#include "logimport/event_fields.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

#if defined(_MSC_VER)
#include <intrin.h>
#endif

namespace stimforge {
namespace {

// The characters that separate fields on a line without a tab, as formatted input reads
// them.
bool isBlank(char c) {
  // One test of a bit set: space (32) and tab, line feed, vertical tab, form feed and
  // carriage return (9 to 13).
  const unsigned byte = static_cast<unsigned char>(c);
  return byte <= 32 && ((0x100003E00ULL >> byte) & 1) != 0;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text) {
  if (text.empty() || (!isBlank(text.front()) && !isBlank(text.back())))
    return text;
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isBlank(text[begin]))
    ++begin;
  while (end > begin && isBlank(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

// The number of the lowest byte whose top bit is set in `flags`. Requires: flags != 0.
unsigned lowestFlaggedByte(uint64_t flags) {
#if defined(_MSC_VER)
  unsigned long bit = 0;
  _BitScanForward64(&bit, flags);
  return static_cast<unsigned>(bit) / 8;
#else
  return static_cast<unsigned>(__builtin_ctzll(flags)) / 8;
#endif
}

// Finds the next tabs in data[position, size): stores the positions of up to `wanted` of
// them in `tabs` and returns how many it found (fewer only when the line has no more).
size_t findTabs(const char* data, size_t position, size_t size, size_t* tabs, size_t wanted) {
  size_t found = 0;
  if (wanted == 0)
    return found;
#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  // Eight bytes at a time. In `flags` the top bit of a byte is set exactly when the byte
  // is a tab (the byte of word ^ tabs is then 0; adding 0x7F to its low seven bits sets
  // the top bit of every other byte, and no carry crosses into the next byte). The word's
  // lowest byte is its first in memory on a little-endian machine.
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kLowSeven = kOnes * 0x7F;
  while (size - position >= 8) {
    uint64_t word = 0;
    std::memcpy(&word, data + position, sizeof word);
    const uint64_t x = word ^ (kOnes * '\t');
    uint64_t flags = ~(((x & kLowSeven) + kLowSeven) | x) & (kOnes * 0x80);
    while (flags != 0) {
      tabs[found++] = position + lowestFlaggedByte(flags);
      if (found == wanted)
        return found;
      flags &= flags - 1;
    }
    position += 8;
  }
#endif
  for (; position < size; ++position) {
    if (data[position] == '\t') {
      tabs[found++] = position;
      if (found == wanted)
        break;
    }
  }
  return found;
}

// The fields of a tab-separated line from `start` on: field k begins after the k-th tab
// found (at `start` for k = 0) and ends at the next one, or at the line's end; a line with
// n more tabs has n + 1 more fields. Blanks around a field are trimmed.
class TabFields {
 public:
  static constexpr size_t kMaxTabs = 8;

  // Looks for the tabs that end the first `count` fields (count <= kMaxTabs).
  TabFields(std::string_view line, size_t start, size_t count)
      : line_(line), start_(start), exists_(start <= line.size()) {
    if (exists_)
      found_ = findTabs(line.data(), start, line.size(), tabs_, count);
  }
  // The fields after Code, from the tabs that readLeadingFields found.
  explicit TabFields(std::string_view line, const EventFields& fields)
      : line_(line), start_(fields.afterCode), exists_(fields.afterCode <= line.size()) {
    found_ = fields.tabsAfterCodeFound;
    for (size_t k = 0; k < found_; ++k)
      tabs_[k] = fields.tabsAfterCode[k];
  }

  // Whether field k exists (k < the count given).
  bool has(size_t k) const { return exists_ && k <= found_; }
  // Field k. Requires: has(k).
  std::string_view field(size_t k) const {
    const size_t begin = k == 0 ? start_ : tabs_[k - 1] + 1;
    const size_t end = k < found_ ? tabs_[k] : line_.size();
    return trimmed(std::string_view(line_.data() + begin, end - begin));
  }
  // Where the field after field k begins: past the line's end when field k is its last.
  size_t after(size_t k) const { return k < found_ ? tabs_[k] + 1 : line_.size() + 1; }
  // The tabs found after field k, into `fields` (at most four).
  void keepTabsAfter(size_t k, EventFields& fields) const {
    fields.tabsAfterCodeFound = 0;
    for (size_t i = k + 1; i < found_ && fields.tabsAfterCodeFound < 4; ++i)
      fields.tabsAfterCode[fields.tabsAfterCodeFound++] = tabs_[i];
  }

 private:
  std::string_view line_;
  size_t start_;
  bool exists_;
  size_t tabs_[kMaxTabs];  // the first found_ are set
  size_t found_ = 0;
};

// Walks the blank-separated fields of a line without a tab, from a given position.
class FieldCursor {
 public:
  FieldCursor(std::string_view line, size_t position) : line_(line), position_(position) {}

  // The next field, or false when the line has no more.
  bool next(std::string_view& field) {
    const char* const data = line_.data();
    const size_t size = line_.size();
    while (position_ < size && isBlank(data[position_]))
      ++position_;
    if (position_ >= size)
      return false;
    const size_t begin = position_;
    while (position_ < size && !isBlank(data[position_]))
      ++position_;
    field = std::string_view(data + begin, position_ - begin);
    return true;
  }

  // Skips `count` fields; false when the line ends first.
  bool skip(int count) {
    std::string_view ignored;
    for (int i = 0; i < count; ++i) {
      if (!next(ignored))
        return false;
    }
    return true;
  }

  size_t position() const { return position_; }

 private:
  std::string_view line_;
  size_t position_;
};

// When the eight bytes at `p` are all decimal digits, stores their value in `value` and
// returns true; otherwise returns false, `value` unchanged. Times in logs have seven to ten
// digits: eight at once is cheaper than one by one.
bool eightDigits(const char* p, unsigned long long& value) {
#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  uint64_t word = 0;
  std::memcpy(&word, p, sizeof word);
  // Every byte is a digit when its high half is 3 and adding 6 keeps it so.
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  const uint64_t high = kOnes * 0xF0;
  if ((word & high) != kOnes * 0x30 || ((word + kOnes * 0x06) & high) != kOnes * 0x30)
    return false;
  // The first digit is the lowest byte: combine neighbours into pairs, fours, eights.
  word -= kOnes * '0';
  word = (word * 10 + (word >> 8)) & 0x00FF00FF00FF00FFULL;
  word = (word * 100 + (word >> 16)) & 0x0000FFFF0000FFFFULL;
  word = (word * 10000 + (word >> 32)) & 0x00000000FFFFFFFFULL;
  value = word;
  return true;
#else
  static_cast<void>(p);
  static_cast<void>(value);
  return false;
#endif
}

// Whether a decimal number's value lies beyond the double range (rather than below it),
// judged from the position of its first significant digit.
bool overflows(std::string_view digits, long long exponent) {
  bool seenPoint = false;
  long long integerDigits = 0;
  long long leadingFractionZeros = 0;
  bool significant = false;
  for (char c : digits) {
    if (c == '.') {
      seenPoint = true;
      continue;
    }
    if (!seenPoint) {
      if (significant || c != '0') {
        significant = true;
        ++integerDigits;
      }
    } else if (!significant) {
      if (c != '0')
        significant = true;
      else
        ++leadingFractionZeros;
    }
  }
  const long long magnitude = integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1);
  return magnitude + exponent > 0;
}

// A text up to its first NUL byte. The host takes names and log lines as NUL-terminated
// texts, so nothing after a NUL could reach it: codes that differ only there would become
// distinct conditions of one name.
std::string_view upToNul(std::string_view field) {
  return field.substr(0, field.find('\0'));
}

}  // namespace

bool readLeadingFields(std::string_view line, bool hasSubjectColumn, EventFields& fields) {
  // Every field but the tab positions, which are read only up to the count set below.
  fields.trial = 0;
  fields.eventType = std::string_view();
  fields.code = std::string_view();
  fields.time = std::string_view();
  fields.duration = std::string_view();
  fields.afterCode = 0;
  fields.tabsAfterCodeFound = 0;
  // Subject (when there is one), Trial, EventType, Code.
  const size_t trialField = hasSubjectColumn ? 1 : 0;
  // The tabs of Time, TTime, Uncertainty and Duration are looked for at once.
  const TabFields tabs(line, 0, trialField + 3 + 4);
  fields.tabSeparated = tabs.has(1);
  if (fields.tabSeparated) {
    const size_t codeField = trialField + 2;
    if (!tabs.has(codeField))
      return false;
    if (hasSubjectColumn && tabs.field(0).empty())
      return false;
    if (!readWholeNumber(tabs.field(trialField), fields.trial))
      return false;
    fields.eventType = upToNul(tabs.field(trialField + 1)).substr(0, kMaxEventTypeLength);
    fields.code = upToNul(tabs.field(codeField)).substr(0, kMaxCodeLength);
    if (fields.eventType.empty() || fields.code.empty())
      return false;
    fields.afterCode = tabs.after(codeField);
    tabs.keepTabsAfter(codeField, fields);
    return true;
  }
  FieldCursor cursor(line, 0);
  std::string_view field;
  if (hasSubjectColumn && !cursor.next(field))
    return false;
  if (!cursor.next(field) || !readWholeNumber(field, fields.trial))
    return false;
  if (!cursor.next(field) || upToNul(field).empty())
    return false;
  fields.eventType = upToNul(field).substr(0, kMaxEventTypeLength);
  if (!cursor.next(field) || upToNul(field).empty())
    return false;
  fields.code = upToNul(field).substr(0, kMaxCodeLength);
  fields.afterCode = cursor.position();
  return true;
}

void readTime(std::string_view line, EventFields& fields) {
  fields.time = std::string_view();
  fields.duration = std::string_view();
  if (fields.tabSeparated) {
    const TabFields tabs(line, fields);
    if (tabs.has(0))
      fields.time = tabs.field(0);
    return;
  }
  FieldCursor cursor(line, fields.afterCode);
  if (!cursor.next(fields.time))
    fields.time = std::string_view();
}

void readTimeAndDuration(std::string_view line, EventFields& fields) {
  fields.time = std::string_view();
  fields.duration = std::string_view();
  // Time, TTime, Uncertainty, Duration; TTime and Uncertainty are not used.
  if (fields.tabSeparated) {
    const TabFields tabs(line, fields);
    if (tabs.has(0))
      fields.time = tabs.field(0);
    if (tabs.has(3))
      fields.duration = tabs.field(3);
    return;
  }
  FieldCursor cursor(line, fields.afterCode);
  if (!cursor.next(fields.time)) {
    fields.time = std::string_view();
    return;
  }
  if (!cursor.skip(2))
    return;
  if (!cursor.next(fields.duration))
    fields.duration = std::string_view();
}

bool readDecimal(std::string_view field, double& value) {
  const char* const begin = field.data();
  const char* const end = begin + field.size();
  const char* p = begin;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  const char* const digitsBegin = p;
  unsigned long long whole = 0;
  // The common case first: up to 15 digits and nothing after them that belongs to the
  // number, which converts exactly without the general parser.
  const char* const fastEnd = end - p > 15 ? p + 15 : end;
  if (fastEnd - p >= 8 && eightDigits(p, whole))
    p += 8;
  for (unsigned digit = 0; p < fastEnd && (digit = static_cast<unsigned char>(*p) - '0') <= 9;
       ++p) {
    whole = whole * 10 + digit;
  }
  if (p > digitsBegin && (p == end || (!isDigit(*p) && *p != '.' && *p != 'e' && *p != 'E'))) {
    value = negative ? -static_cast<double>(whole) : static_cast<double>(whole);
    return true;
  }
  p = digitsBegin;
  whole = 0;
  int digitCount = 0;
  while (p < end && isDigit(*p)) {
    if (digitCount < 19)
      whole = whole * 10 + static_cast<unsigned>(*p - '0');
    ++digitCount;
    ++p;
  }
  bool plain = true;  // digits only: no fraction, no exponent
  if (p < end && *p == '.') {
    plain = false;
    ++p;
    while (p < end && isDigit(*p)) {
      ++digitCount;
      ++p;
    }
  }
  if (digitCount == 0)
    return false;
  const char* const digitsEnd = p;
  long long exponent = 0;
  if (p < end && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    bool negativeExponent = false;
    if (q < end && (*q == '+' || *q == '-')) {
      negativeExponent = *q == '-';
      ++q;
    }
    if (q < end && isDigit(*q)) {
      plain = false;
      while (q < end && isDigit(*q)) {
        if (exponent < 100000)
          exponent = exponent * 10 + (*q - '0');
        ++q;
      }
      if (negativeExponent)
        exponent = -exponent;
      p = q;
    }
  }
  // Up to 15 digits a whole number converts exactly without the general parser.
  if (plain && digitCount <= 15) {
    value = static_cast<double>(whole);
  } else {
    // from_chars reads the same grammar, without a leading '+' and whatever the locale.
    double parsed = 0.0;
    const std::from_chars_result result =
        std::from_chars(digitsBegin, p, parsed, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
      const bool tooLarge = overflows(
          std::string_view(digitsBegin, static_cast<size_t>(digitsEnd - digitsBegin)), exponent);
      parsed = tooLarge ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
      return false;
    }
    value = parsed;
  }
  if (negative)
    value = -value;
  return true;
}

bool readWholeNumber(std::string_view field, int32_t& value) {
  size_t i = 0;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  if (i == field.size() || !isDigit(field[i]))
    return false;
  long long magnitude = 0;
  const long long limit = negative ? 2147483648LL : 2147483647LL;
  for (; i < field.size() && isDigit(field[i]); ++i) {
    magnitude = magnitude * 10 + (field[i] - '0');
    if (magnitude > limit)
      return false;
  }
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace stimforge
