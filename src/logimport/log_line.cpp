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

LogLine& LogLine::number(long long value) {
  char digits[24];
  size_t n = 0;
  // Works on the magnitude as unsigned, so the most negative value needs no special case.
  unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
  do {
    digits[sizeof digits - 1 - n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0)
    digits[sizeof digits - 1 - n++] = '-';
  return text(std::string_view(digits + sizeof digits - n, n));
}

LogLine& LogLine::rounded(double value, int width) {
  // Below 1e15 every double rounds to a whole number that a 64-bit integer holds exactly;
  // nearbyint rounds as printf does (to nearest, ties to even, in the current mode).
  if (std::fabs(value) < 1e15) {
    const double whole = std::nearbyint(value);
    char digits[24];
    size_t n = 0;
    unsigned long long magnitude = static_cast<unsigned long long>(std::fabs(whole));
    do {
      digits[sizeof digits - 1 - n++] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (std::signbit(whole))
      digits[sizeof digits - 1 - n++] = '-';  // "-0" too, as printf writes it
    static constexpr char kSpaces[] = "                                ";
    for (size_t pad = width > 0 ? static_cast<size_t>(width) : 0; pad > n;) {
      const size_t count = pad - n < sizeof kSpaces - 1 ? pad - n : sizeof kSpaces - 1;
      text(std::string_view(kSpaces, count));
      pad -= count;
    }
    return text(std::string_view(digits + sizeof digits - n, n));
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
