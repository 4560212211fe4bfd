#include "kwhost/common/read_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "kwhost/common/safe_save.h"

namespace stimforge::kwhost {
namespace {

std::string systemReason() {
  return std::strerror(errno);
}

// `path` opened for reading; nullptr with `error` set when it is a folder or cannot be
// opened. The caller closes the file.
std::FILE* openForReading(const std::string& path, std::string& error) {
  if (isFolder(path)) {
    error = "cannot read " + path + ": it is a folder";
    return nullptr;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    error = "cannot read " + path + ": " + systemReason();
  return file;
}

}  // namespace

bool readWholeFile(const std::string& path, std::string& text, std::string& error) {
  std::FILE* file = openForReading(path, error);
  if (file == nullptr)
    return false;
  std::string content;
  char buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    content.append(buffer, n);
  const bool failed = std::ferror(file) != 0;
  const std::string reason = failed ? systemReason() : std::string();
  std::fclose(file);
  if (failed) {
    error = "cannot read " + path + ": " + reason;
    return false;
  }
  text = std::move(content);
  return true;
}

bool checkReadable(const std::string& path, std::string& error) {
  std::FILE* file = openForReading(path, error);
  if (file == nullptr)
    return false;
  std::fclose(file);
  return true;
}

}  // namespace stimforge::kwhost
