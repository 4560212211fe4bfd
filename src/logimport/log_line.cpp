#include "logimport/log_line.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace stimforge {

LogLine& LogLine::text(std::string_view characters) {
  const size_t room = kCapacity - 1 - length_;
  const size_t count = characters.size() < room ? characters.size() : room;
  if (count > 0)
    std::memcpy(text_ + length_, characters.data(), count);
  length_ += count;
  text_[length_] = '\0';
  return *this;
}

namespace {

// Writes the decimal digits of `magnitude` so that they end just before `end`; returns
// where they begin. 32-bit division is the common case and the cheaper one.
char* digitsBefore(char* end, unsigned long long magnitude) {
  while (magnitude > 0xFFFFFFFFu) {
    *--end = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  }
  uint32_t small = static_cast<uint32_t>(magnitude);
  do {
    *--end = static_cast<char>('0' + small % 10);
    small /= 10;
  } while (small != 0);
  return end;
}

}  // namespace

LogLine& LogLine::number(long long value) {
  char digits[24];
  char* const end = digits + sizeof digits;
  // Works on the magnitude as unsigned, so the most negative value needs no special case.
  char* begin = digitsBefore(end, value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value));
  if (value < 0)
    *--begin = '-';
  return text(std::string_view(begin, static_cast<size_t>(end - begin)));
}

LogLine& LogLine::rounded(double value, int width) {
  // Below 1e15 every double rounds to a whole number that a 64-bit integer holds exactly;
  // nearbyint rounds as printf does (to nearest, ties to even, in the current mode).
  if (std::fabs(value) < 1e15) {
    const double whole = std::nearbyint(value);
    char digits[24];
    char* const end = digits + sizeof digits;
    char* begin = digitsBefore(end, static_cast<unsigned long long>(std::fabs(whole)));
    if (std::signbit(whole))
      *--begin = '-';  // "-0" too, as printf writes it
    const size_t n = static_cast<size_t>(end - begin);
    static constexpr char kSpaces[] = "                                ";
    for (size_t pad = width > 0 ? static_cast<size_t>(width) : 0; pad > n;) {
      const size_t count = pad - n < sizeof kSpaces - 1 ? pad - n : sizeof kSpaces - 1;
      text(std::string_view(kSpaces, count));
      pad -= count;
    }
    return text(std::string_view(begin, n));
  }
  // Large and non-finite values are rare: printf writes them (up to 309 digits).
  char buffer[400];
  const int written = std::snprintf(buffer, sizeof buffer, "%*.0f", width, value);
  if (written > 0)
    text(std::string_view(buffer, static_cast<size_t>(written) < sizeof buffer
                                      ? static_cast<size_t>(written)
                                      : sizeof buffer - 1));
  return *this;
}

}  // namespace stimforge
