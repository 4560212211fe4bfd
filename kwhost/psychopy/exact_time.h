// A time in seconds read from the decimal digits of a PsychoPy data file's cell, kept exact:
// whole microseconds (the floor) plus the rest of a microsecond in units of 1e-18 of a
// microsecond, that is 24 decimals of a second. PsychoPy writes Python floats, up to 19
// decimals in the real files, so sums and differences of its cells (started + rt, onset -
// time zero) are exact here and rounded once, to microseconds, when written. No floating
// point is used on the way, and no 128-bit integers.
#ifndef STIMFORGE_KWHOST_PSYCHOPY_EXACT_TIME_H_
#define STIMFORGE_KWHOST_PSYCHOPY_EXACT_TIME_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace stimforge::kwhost {

// The largest magnitude a cell may hold, exclusive: 10^12 s (about 31,700 years). Any sum or
// difference of up to nine parsed times stays within int64 microseconds.
inline constexpr int64_t kMaxExactSeconds = 1000000000000;

class ExactTime {
 public:
  static constexpr int64_t kRestPerMicrosecond = 1000000000000000000;  // 1e18

  ExactTime() = default;
  static ExactTime microseconds(int64_t us) { return ExactTime(us, 0); }
  // floorUs + rest / 1e18 microseconds. Requires: 0 <= rest < 1e18.
  static ExactTime fromParts(int64_t floorUs, int64_t rest) { return ExactTime(floorUs, rest); }

  // The value is floorMicroseconds() + rest() / 1e18 microseconds; 0 <= rest() < 1e18, also
  // for negative times (-0.5 us is floor -1, rest 5e17).
  int64_t floorMicroseconds() const { return us_; }
  int64_t rest() const { return rest_; }

  // Rounded once to whole microseconds, half up: a tie goes toward +infinity, so 2.5 us
  // gives 3 and -2.5 us gives -2.
  int64_t roundedMicroseconds() const { return us_ + (rest_ >= kRestPerMicrosecond / 2 ? 1 : 0); }

  // Exact. Requires: the result lies within +-9.2e12 s (see kMaxExactSeconds).
  ExactTime operator+(ExactTime other) const;
  ExactTime operator-(ExactTime other) const;
  ExactTime operator-() const { return ExactTime() - *this; }

  bool operator==(ExactTime o) const { return us_ == o.us_ && rest_ == o.rest_; }
  bool operator!=(ExactTime o) const { return !(*this == o); }
  bool operator<(ExactTime o) const { return us_ < o.us_ || (us_ == o.us_ && rest_ < o.rest_); }
  bool operator>(ExactTime o) const { return o < *this; }
  bool operator<=(ExactTime o) const { return !(o < *this); }
  bool operator>=(ExactTime o) const { return !(*this < o); }

 private:
  ExactTime(int64_t us, int64_t rest) : us_(us), rest_(rest) {}
  int64_t us_ = 0;
  int64_t rest_ = 0;
};

// Parses a cell's number: an optional sign, digits with an optional decimal point (at least
// one digit), and an optional exponent ("1.2e-05", "3E+2"); nothing else, no spaces. Digits
// past the 24th decimal of a second are rounded half up on the magnitude (a tie away from
// zero) at parse; such a time is rounded twice on its way to microseconds
// ("0.0000004999999999999999999" becomes 0.0000005 s, then 1 us). No real cell has them. Returns
// false, `time` unchanged, for anything else: "None", "nan", "inf", an empty cell, text, or a
// magnitude of kMaxExactSeconds or more.
[[nodiscard]] bool parseExactTime(std::string_view cell, ExactTime& time);

// The time rounded to microseconds (roundedMicroseconds) as seconds with six decimals:
// "174.361571", "-0.000002", "0.000000".
std::string secondsText(ExactTime time);
// The same text appended to `out`, without a formatting library: for writers of a million
// onsets.
void appendSecondsText(std::string& out, ExactTime time);

// Every digit the time holds, as seconds, trailing zeros of the decimals dropped (at least one
// decimal kept): "174.36157069914044", "-0.0000025", "12.0". For messages and tests.
std::string exactSecondsText(ExactTime time);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_PSYCHOPY_EXACT_TIME_H_
