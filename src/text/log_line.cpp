#include "text/log_line.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace stimforge {

LogLine& LogLine::rounded(double value, int width) {
  // Below 1e15 every double rounds to a whole number that a 64-bit integer holds exactly;
  // nearbyint rounds as printf does (to nearest, ties to even, in the current mode).
  if (std::fabs(value) < 1e15) {
    const double whole = std::nearbyint(value);
    char digits[24];
    char* end = digits;
    if (std::signbit(whole))
      *end++ = '-';  // "-0" too, as printf writes it
    end = std::to_chars(end, digits + sizeof digits,
                        static_cast<unsigned long long>(std::fabs(whole)))
              .ptr;
    const char* const begin = digits;
    const size_t n = static_cast<size_t>(end - begin);
    const size_t padding = width > 0 && static_cast<size_t>(width) > n ? width - n : 0;
    if (padding + n <= kCapacity - 1 - length_) {  // the usual case: it fits
      std::memset(text_ + length_, ' ', padding);
      std::memcpy(text_ + length_ + padding, begin, n);
      length_ += padding + n;
      text_[length_] = '\0';
      return *this;
    }
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
