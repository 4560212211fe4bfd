// The times of a run as kwhost keeps them, and their one conversion each to milliseconds and
// seconds. Times stay integers until they are printed, so that no event moves by rounding.
#ifndef STIMFORGE_KWHOST_COMMON_LOG_TIME_H_
#define STIMFORGE_KWHOST_COMMON_LOG_TIME_H_

#include <cstdint>
#include <string>

namespace stimforge::kwhost {

// Tenths of a millisecond: the unit of Presentation's Time column, and of the trigger
// analysis and its report. Figures that are not whole tenths (medians, fits) are doubles in
// tenths.
using Tenths = int64_t;

// Microseconds: the unit of an events table's onsets and durations, fine enough for every
// stimulus program kwhost reads (Presentation's tenths are whole hundreds of them).
using Micros = int64_t;

inline constexpr Micros kMicrosPerTenth = 100;

// Parts of a microsecond, 10^18 to one: the rest a source that times finer than microseconds
// (PsychoPy's cells of up to 19 decimals) keeps beside a time's whole microseconds, its floor.
inline constexpr int64_t kPartsPerMicro = 1'000'000'000'000'000'000;

// (a + aParts) - (b + bParts) in microseconds, rounded once, half up (toward +infinity): an
// onset from time zero, exact to the last digit until here. Requires: the parts in [0,
// kPartsPerMicro), a - b within int64_t.
inline constexpr Micros roundedDifference(Micros a, int64_t aParts, Micros b, int64_t bParts) {
  int64_t parts = aParts - bParts;
  Micros whole = a - b;
  if (parts < 0) {
    parts += kPartsPerMicro;
    --whole;
  }
  return whole + (parts >= kPartsPerMicro / 2 ? 1 : 0);
}

// Times beyond this many tenths of a millisecond (about 31 years) either way are not taken as
// times, so that no onset or duration can overflow, in tenths or in microseconds.
inline constexpr Tenths kMaxLogTime = 10'000'000'000'000'000;

inline constexpr Micros microsOfTenths(Tenths tenths) {
  return tenths * kMicrosPerTenth;
}
inline constexpr double msOfTenths(double tenths) {
  return tenths / 10.0;
}
inline constexpr double tenthsOfMs(double ms) {
  return ms * 10.0;
}
inline constexpr double secondsOfTenths(double tenths) {
  return tenths / 10000.0;
}
inline constexpr double secondsOfMicros(double micros) {
  return micros / 1e6;
}
inline constexpr double secondsOfMs(double ms) {
  return ms / 1000.0;
}
inline constexpr double msOfSeconds(double seconds) {
  return seconds * 1000.0;
}

// A time in tenths of a millisecond as milliseconds with one decimal: 173282 -> "17328.2",
// -125 -> "-12.5"; exact for every value.
std::string formatMs(Tenths time);

// A time in microseconds as milliseconds: one decimal when it is whole tenths (as every
// Presentation time is), else three: 17328200 -> "17328.2", 10957123 -> "10957.123".
std::string formatMsOfMicros(Micros time);

// `value` with exactly `decimals` decimals, as printf's "%.*f" writes it.
std::string formatFixed(double value, int decimals);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_COMMON_LOG_TIME_H_
