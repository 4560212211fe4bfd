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

// When the eight bytes of `word` are all decimal digits, the first of them in its lowest
// byte (as a load from memory gives them on a little-endian machine), stores their value in
// `value` and returns true; otherwise returns false, `value` unchanged. Times in logs have
// five to ten digits: eight at once are cheaper than one by one.
[[nodiscard]] inline bool eightDigitsValue(uint64_t word, uint64_t& value) {
  // Every byte is a digit when its high half is 3 and adding 6 keeps it so.
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  const uint64_t high = kOnes * 0xF0;
  if ((word & high) != kOnes * 0x30 || ((word + kOnes * 0x06) & high) != kOnes * 0x30)
    return false;
  // Neighbours into pairs, fours and eights, the first digit the most significant.
  word -= kOnes * '0';
  word = (word * 10 + (word >> 8)) & 0x00FF00FF00FF00FFULL;
  word = (word * 100 + (word >> 16)) & 0x0000FFFF0000FFFFULL;
  word = (word * 10000 + (word >> 32)) & 0x00000000FFFFFFFFULL;
  value = word;
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
