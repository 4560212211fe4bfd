#include "logformat/log_source.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace stimforge {

bool MemoryLogSource::rewind() {
  position_ = 0;
  return true;
}

bool MemoryLogSource::read(char* buffer, size_t capacity, size_t& count) {
  count = std::min(capacity, text_.size() - position_);
  if (count > 0)
    std::memcpy(buffer, text_.data() + position_, count);
  position_ += count;
  return true;
}

FileLogSource::~FileLogSource() {
  if (file_ != nullptr)
    std::fclose(file_);
}

bool FileLogSource::rewind() {
  std::clearerr(file_);
  return std::fseek(file_, 0, SEEK_SET) == 0;
}

bool FileLogSource::read(char* buffer, size_t capacity, size_t& count) {
  count = std::fread(buffer, 1, capacity, file_);
  if (count < capacity && std::ferror(file_)) {
    count = 0;
    return false;
  }
  return true;
}

std::unique_ptr<LogSource> openLogFile(const std::string& path) {
  // Binary mode: the reader itself takes both LF and CR LF as a line break, on every
  // platform alike.
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    return nullptr;
  return std::make_unique<FileLogSource>(file);
}

}  // namespace stimforge
