#include "logformat/log_numbers.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

namespace stimforge {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// When the eight bytes at `p` are all decimal digits, stores their value in `value` and
// returns true; otherwise returns false, `value` unchanged. Times in logs have seven to ten
// digits: eight at once is cheaper than one by one.
bool eightDigits(const char* p, unsigned long long& value) {
#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  uint64_t word = 0;
  std::memcpy(&word, p, sizeof word);
  uint64_t digits = 0;
  if (!eightDigitsValue(word, digits))
    return false;
  value = digits;
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

}  // namespace

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

LogNumber readLogNumber(std::string_view field) {
  LogNumber number;
  // The common case first: 1 to 18 digits and nothing else, as Presentation writes its
  // times; so few digits cannot leave 64 bits.
  if (field.size() - 1 < 18) {
    uint64_t magnitude = 0;
    size_t j = 0;
    for (unsigned digit = 0;
         j < field.size() && (digit = static_cast<unsigned char>(field[j]) - '0') <= 9; ++j) {
      magnitude = magnitude * 10 + digit;
    }
    if (j == field.size()) {
      number.kind = LogNumber::Kind::kWhole;
      number.whole = static_cast<int64_t>(magnitude);
      number.value = static_cast<double>(number.whole);
      return number;
    }
  }
  while (!field.empty() && isBlank(field.front()))
    field.remove_prefix(1);
  while (!field.empty() && isBlank(field.back()))
    field.remove_suffix(1);
  size_t i = 0;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  // A whole number: digits only, within 64 bits. Presentation writes its times so, and
  // they are kept exactly.
  if (i < field.size()) {
    uint64_t magnitude = 0;
    size_t j = i;
    constexpr uint64_t kLimit = uint64_t{std::numeric_limits<int64_t>::max()};
    for (; j < field.size() && isDigit(field[j]); ++j) {
      const uint64_t digit = static_cast<uint64_t>(field[j] - '0');
      if (magnitude > (kLimit - digit) / 10)
        break;  // beyond 64 bits: read below as a decimal number
      magnitude = magnitude * 10 + digit;
    }
    if (j == field.size()) {
      const int64_t value = static_cast<int64_t>(magnitude);
      number.kind = LogNumber::Kind::kWhole;
      number.whole = negative ? -value : value;
      number.value = static_cast<double>(number.whole);
      return number;
    }
  }
  // Any other number must fill the field; a value beyond the double range is no number.
  double value = 0.0;
  const char* const end = field.data() + field.size();
  const std::from_chars_result result =
      std::from_chars(field.data() + i, end, value, std::chars_format::general);
  if (i == field.size() || result.ec != std::errc() || result.ptr != end)
    return number;
  number.kind = LogNumber::Kind::kFraction;
  number.value = negative ? -value : value;
  return number;
}

}  // namespace stimforge
