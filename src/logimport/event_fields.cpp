#include "logimport/event_fields.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

namespace stimforge {
namespace {

// The characters that separate fields on a line without a tab, as formatted input reads
// them.
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\n';
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

// Walks the fields of one line from a given position.
class FieldCursor {
 public:
  FieldCursor(std::string_view line, bool tabSeparated, size_t position)
      : line_(line), tabSeparated_(tabSeparated), position_(position) {}

  // The next field, or false when the line has no more.
  bool next(std::string_view& field) {
    const char* const data = line_.data();
    const size_t size = line_.size();
    if (tabSeparated_) {
      if (position_ > size)
        return false;
      // Fields are short: a plain loop beats a library search here.
      size_t end = position_;
      while (end < size && data[end] != '\t')
        ++end;
      field = trimmed(std::string_view(data + position_, end - position_));
      // Past the line's end once the last field is taken; one past a tab otherwise.
      position_ = end + 1;
      return true;
    }
    while (position_ < size && isBlank(data[position_]))
      ++position_;
    if (position_ == size)
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
  bool tabSeparated_;
  size_t position_;
};

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
  fields = EventFields();
  fields.tabSeparated = std::memchr(line.data(), '\t', line.size()) != nullptr;
  FieldCursor cursor(line, fields.tabSeparated, 0);
  std::string_view field;
  if (hasSubjectColumn && (!cursor.next(field) || field.empty()))
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

void readTimeAndDuration(std::string_view line, EventFields& fields) {
  FieldCursor cursor(line, fields.tabSeparated, fields.afterCode);
  fields.time = std::string_view();
  fields.duration = std::string_view();
  if (!cursor.next(fields.time))
    return;
  // TTime and Uncertainty are not used.
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
