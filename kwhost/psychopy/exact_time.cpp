#include "kwhost/psychopy/exact_time.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "kwhost/psychopy/words.h"

namespace stimforge::kwhost {
namespace {

constexpr int64_t kUsPerSecond = 1000000;
// The exponent is kept within these bounds while it is read: beyond them every digit of any
// mantissa a cell can hold is out of range or below the 25th decimal.
constexpr int64_t kExponentBound = 100000000;

constexpr int64_t pow10(int n) {
  int64_t value = 1;
  for (int i = 0; i < n; ++i)
    value *= 10;
  return value;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The magnitude being assembled: whole seconds, six decimals of microseconds, eighteen
// decimals of the rest, and the 25th decimal for the rounding.
struct Magnitude {
  int64_t seconds = 0;
  int64_t micro = 0;
  int64_t rest = 0;
  int roundDigit = 0;
  bool tooLarge = false;

  // Places digit `d` at the power of ten `p` (10^p seconds).
  void place(int d, int64_t p) {
    if (p >= 12) {
      tooLarge = tooLarge || d != 0;
    } else if (p >= 0) {
      seconds += d * pow10Table(static_cast<int>(p));
    } else if (p >= -6) {
      micro += d * pow10Table(static_cast<int>(p + 6));
    } else if (p >= -24) {
      rest += d * pow10Table(static_cast<int>(p + 24));
    } else if (p == -25) {
      roundDigit = d;
    }
  }
  static int64_t pow10Table(int n) {
    static constexpr int64_t table[] = {pow10(0),  pow10(1),  pow10(2),  pow10(3),  pow10(4),
                                        pow10(5),  pow10(6),  pow10(7),  pow10(8),  pow10(9),
                                        pow10(10), pow10(11), pow10(12), pow10(13), pow10(14),
                                        pow10(15), pow10(16), pow10(17)};
    return table[n];
  }
  // Rounds the 25th decimal half up; false when the result reaches kMaxExactSeconds.
  bool round() {
    if (roundDigit >= 5 && ++rest == ExactTime::kRestPerMicrosecond) {
      rest = 0;
      if (++micro == kUsPerSecond) {
        micro = 0;
        ++seconds;
      }
    }
    return !tooLarge && seconds < kMaxExactSeconds;
  }
};

// Reads "[sign]digits" of an exponent from `s` at `i`; false when there is no digit.
bool readExponent(std::string_view s, size_t& i, int64_t& exponent) {
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-'))
    negative = s[i++] == '-';
  const size_t first = i;
  int64_t value = 0;
  for (; i < s.size() && isDigit(s[i]); ++i)
    value = value < kExponentBound ? value * 10 + (s[i] - '0') : value;
  exponent = negative ? -value : value;
  return i > first;
}

// The time of magnitude `m`, rounded, with its sign; false when out of range.
bool finish(Magnitude& m, bool negative, ExactTime& time) {
  if (!m.round())
    return false;
  int64_t us = m.seconds * kUsPerSecond + m.micro;
  int64_t rest = m.rest;
  if (negative) {
    us = -us - (rest > 0 ? 1 : 0);
    rest = rest > 0 ? ExactTime::kRestPerMicrosecond - rest : 0;
  }
  time = ExactTime::fromParts(us, rest);
  return true;
}

// "digits.digits" with 1 to 7 digits before the point and 1 to 24 after it, in a cell of
// 8 bytes or more, as nearly every time PsychoPy writes is ("174.3931180005893"): false for
// anything else (a sign, an exponent, more digits), which the general parser decides. The decimals
// are read as up to three words of eight digits, the last one from the word that ends the cell,
// shifted down and filled up with '0's; no digit loop, no rounding (nothing lies past the 24th
// decimal).
bool parsePlain(std::string_view s, ExactTime& time) {
  const size_t n = s.size();
  const char* const p = s.data();
  if (n < 8 || !words::littleEndian())
    return false;
  // The point within the first word, and the whole seconds before it from that word, shifted
  // up and filled below with '0's.
  const uint64_t first = words::load(p);
  const uint64_t point = words::zeroBytes(first ^ words::repeat('.'));
  const size_t i = point != 0 ? static_cast<size_t>(words::lowestBit(point)) / 8 : 0;
  const size_t decimals = n - i - 1;
  if (i == 0 || decimals > 24)
    return false;
  const uint64_t whole = (first << (8 * (8 - i))) | (words::repeat('0') >> (8 * i));
  if (!words::allDigits(whole))
    return false;
  const int64_t seconds = words::eightDigits(whole);
  const char* const f = p + i + 1;
  uint32_t field[3] = {0, 0, 0};
  for (size_t k = 0; k < 3 && 8 * k < decimals; ++k) {
    const size_t length = std::min<size_t>(8, decimals - 8 * k);
    const uint64_t word = length == 8 ? words::load(f + 8 * k)
                                      : (words::load(p + n - 8) >> (8 * (8 - length))) |
                                            (words::repeat('0') << (8 * length));
    if (!words::allDigits(word))
      return false;
    field[k] = words::eightDigits(word);
  }
  time = ExactTime::fromParts(
      seconds * kUsPerSecond + field[0] / 100,
      int64_t{field[0] % 100} * 10000000000000000 + int64_t{field[1]} * 100000000 + field[2]);
  return true;
}

// Every form parseExactTime takes, exponents and long digit strings included.
bool parseGeneral(std::string_view s, ExactTime& time) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-'))
    negative = s[i++] == '-';
  const size_t intBegin = i;
  while (i < s.size() && isDigit(s[i]))
    ++i;
  const std::string_view intDigits = s.substr(intBegin, i - intBegin);
  std::string_view fracDigits;
  if (i < s.size() && s[i] == '.') {
    const size_t fracBegin = ++i;
    while (i < s.size() && isDigit(s[i]))
      ++i;
    fracDigits = s.substr(fracBegin, i - fracBegin);
  }
  if (intDigits.empty() && fracDigits.empty())
    return false;
  int64_t exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E') && !readExponent(s, ++i, exponent))
    return false;
  if (i != s.size())
    return false;
  Magnitude m;
  // The first digit's power of ten; each next digit is one lower. Digits past the 25th
  // decimal are skipped, so that very long digit strings cannot run the power down.
  int64_t p = static_cast<int64_t>(intDigits.size()) - 1 + exponent;
  for (const std::string_view digits : {intDigits, fracDigits}) {
    for (const char c : digits) {
      if (p < -25)
        break;
      m.place(c - '0', p--);
    }
  }
  return finish(m, negative, time);
}

}  // namespace

ExactTime ExactTime::operator+(ExactTime other) const {
  int64_t us = us_ + other.us_;
  int64_t rest = rest_ + other.rest_;  // below 2e18: fits
  if (rest >= kRestPerMicrosecond) {
    rest -= kRestPerMicrosecond;
    ++us;
  }
  return ExactTime(us, rest);
}

ExactTime ExactTime::operator-(ExactTime other) const {
  int64_t us = us_ - other.us_;
  int64_t rest = rest_ - other.rest_;
  if (rest < 0) {
    rest += kRestPerMicrosecond;
    --us;
  }
  return ExactTime(us, rest);
}

bool parseExactTime(std::string_view s, ExactTime& time) {
  ExactTime parsed;
  if (!parsePlain(s, parsed) && !parseGeneral(s, parsed))
    return false;
  time = parsed;
  return true;
}

void appendSecondsText(std::string& out, ExactTime time) {
  const int64_t us = time.roundedMicroseconds();
  uint64_t magnitude = us < 0 ? 0 - static_cast<uint64_t>(us) : static_cast<uint64_t>(us);
  char digits[32];  // written from the end: six decimals, the point, the whole seconds
  size_t at = sizeof digits;
  for (int i = 0; i < 6; ++i, magnitude /= 10)
    digits[--at] = static_cast<char>('0' + magnitude % 10);
  digits[--at] = '.';
  do {
    digits[--at] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude > 0);
  if (us < 0)
    digits[--at] = '-';
  out.append(digits + at, sizeof digits - at);
}

std::string secondsText(ExactTime time) {
  std::string text;
  appendSecondsText(text, time);
  return text;
}

std::string exactSecondsText(ExactTime time) {
  const bool negative = time.floorMicroseconds() < 0;
  const ExactTime magnitude = negative ? -time : time;
  const auto us = static_cast<uint64_t>(magnitude.floorMicroseconds());
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s%" PRIu64 ".%06" PRIu64 "%018" PRId64,
                negative ? "-" : "", us / kUsPerSecond, us % kUsPerSecond, magnitude.rest());
  std::string text = buffer;
  while (text.back() == '0' && text[text.size() - 2] != '.')
    text.pop_back();
  return text;
}

}  // namespace stimforge::kwhost
