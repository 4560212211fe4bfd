#include "kwhost/common/read_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

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

// Closes `file` after reading it; false with `error` set when a read failed.
bool closeAfterReading(std::FILE* file, const std::string& path, std::string& error) {
  const bool failed = std::ferror(file) != 0;
  const std::string reason = failed ? systemReason() : std::string();
  std::fclose(file);
  if (failed)
    error = "cannot read " + path + ": " + reason;
  return !failed;
}

}  // namespace

bool readWholeFile(const std::string& path, std::string& text, std::string& error) {
  std::FILE* file = openForReading(path, error);
  if (file == nullptr)
    return false;
  std::string content;
  // Read at once into room for the size the file has now (a hint: it may change while read,
  // and the loop below takes whatever follows), so that a large file is not copied again
  // each time the text grows.
  std::error_code ec;
  const std::uintmax_t expected = std::filesystem::file_size(path, ec);
  size_t n = 0;
  if (!ec && expected > 0 && expected < content.max_size()) {
    content.resize(static_cast<size_t>(expected));
    content.resize(std::fread(content.data(), 1, content.size(), file));
  }
  char buffer[65536];
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    content.append(buffer, n);
  if (!closeAfterReading(file, path, error))
    return false;
  text = std::move(content);
  return true;
}

bool readFileHead(const std::string& path, size_t most, std::string& text, std::string& error) {
  std::FILE* file = openForReading(path, error);
  if (file == nullptr)
    return false;
  std::string head(most, '\0');
  head.resize(std::fread(head.data(), 1, head.size(), file));
  if (!closeAfterReading(file, path, error))
    return false;
  text = std::move(head);
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
