// Reads a fuzzer's input as a stream of small values, so that every byte string is a valid
// input: a read past the end gives 0 or an empty text. fuzz/make_seeds.py writes inputs in
// this form.
#ifndef STIMFORGE_FUZZ_FUZZ_INPUT_H_
#define STIMFORGE_FUZZ_FUZZ_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace stimforge::fuzzing {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t remaining() const { return size_ - pos_; }
  bool empty() const { return pos_ == size_; }

  // One byte; 0 past the end.
  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }

  // A compact integer: a byte b below 255 is the value b; the byte 255 is followed by a
  // little-endian int32 (missing bytes count as 0).
  int32_t number() {
    const uint8_t b = byte();
    if (b != 0xFF)
      return b;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
      value |= uint32_t{byte()} << (8 * i);
    int32_t result;
    std::memcpy(&result, &value, sizeof result);
    return result;
  }

  // A text of any bytes, NUL included: a length byte (255 adds one more length byte, for
  // 255 to 510 bytes), then the bytes, fewer when the input ends first.
  std::string text() {
    size_t length = byte();
    if (length == 0xFF)
      length += byte();
    return take(length);
  }

  // A longer text (a whole log file): a little-endian 16-bit length, then the bytes.
  std::string longText() {
    size_t length = byte();
    length |= size_t{byte()} << 8;
    return take(length);
  }

  // Everything not read yet.
  std::string rest() { return take(remaining()); }

 private:
  std::string take(size_t length) {
    if (length > remaining())
      length = remaining();
    std::string result(reinterpret_cast<const char*>(data_ + pos_), length);
    pos_ += length;
    return result;
  }

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace stimforge::fuzzing

#endif  // STIMFORGE_FUZZ_FUZZ_INPUT_H_
