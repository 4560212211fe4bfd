#include "kwhost/common/log_time.h"

#include <cstdio>

namespace stimforge::kwhost {

std::string formatMs(Tenths time) {
  // Digits of the magnitude, so that the most negative value prints too.
  const uint64_t magnitude =
      time < 0 ? static_cast<uint64_t>(-(time + 1)) + 1 : static_cast<uint64_t>(time);
  return (time < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." +
         std::to_string(magnitude % 10);
}

std::string formatMsOfMicros(Micros time) {
  if (time % kMicrosPerTenth == 0)
    return formatMs(time / kMicrosPerTenth);
  const uint64_t magnitude =
      time < 0 ? static_cast<uint64_t>(-(time + 1)) + 1 : static_cast<uint64_t>(time);
  std::string thousandths = std::to_string(magnitude % 1000);
  thousandths.insert(0, 3 - thousandths.size(), '0');
  return (time < 0 ? "-" : "") + std::to_string(magnitude / 1000) + "." + thousandths;
}

std::string formatFixed(double value, int decimals) {
  char text[400];  // the longest double in "%f" has 309 digits before the point
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace stimforge::kwhost
