// The numbers of a Presentation log's columns. Times and durations are in tenths of a
// millisecond, written as whole numbers; other numeric columns hold small whole numbers,
// and any of them may be empty or hold a word such as "NA" or "next".
#ifndef STIMFORGE_LOGFORMAT_LOG_NUMBERS_H_
#define STIMFORGE_LOGFORMAT_LOG_NUMBERS_H_

#include <cstdint>
#include <string_view>

namespace stimforge {

// Reads a decimal number from the start of a field, as formatted input would: an optional
// sign, digits with an optional fraction, an optional exponent; whatever follows is
// ignored. Returns false when the field does not start with one (empty, "NA"). A value
// beyond the double range gives an infinity, one too small gives zero.
[[nodiscard]] bool readDecimal(std::string_view field, double& value);

// Reads a whole number from the start of a field: an optional sign and digits; whatever
// follows is ignored. Returns false when the field does not start with one or its value
// lies outside the 32-bit range.
// Inline: every event line's Trial is read with it.
[[nodiscard]] inline bool readWholeNumber(std::string_view field, int32_t& value) {
  size_t i = 0;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  if (i == field.size() || !(field[i] >= '0' && field[i] <= '9'))
    return false;
  long long magnitude = 0;
  const long long limit = negative ? 2147483648LL : 2147483647LL;
  for (; i < field.size() && (field[i] >= '0' && field[i] <= '9'); ++i) {
    magnitude = magnitude * 10 + (field[i] - '0');
    if (magnitude > limit)
      return false;
  }
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

// A numeric column, read strictly: the whole field (blanks around it aside) is the number.
struct LogNumber {
  enum class Kind : uint8_t {
    kMissing,   // empty, a word, or not a number as a whole ("12abc")
    kWhole,     // digits with an optional sign, within 64 bits: `whole` holds it exactly
    kFraction,  // any other finite decimal number ("12.5", "1e3"): `value` holds it
  };
  Kind kind = Kind::kMissing;
  int64_t whole = 0;   // when kWhole
  double value = 0.0;  // when kWhole (the same value) or kFraction

  bool present() const { return kind != Kind::kMissing; }
  bool isWhole() const { return kind == Kind::kWhole; }
};

// Reads a field as a LogNumber. Never fails: what is not a number is kMissing.
LogNumber readLogNumber(std::string_view field);

}  // namespace stimforge

#endif  // STIMFORGE_LOGFORMAT_LOG_NUMBERS_H_
