#include "kwhost/protocol/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "kwhost/common/safe_save.h"
#include "kwhost/protocol/file.h"

namespace stimforge::kwhost {
namespace fs = std::filesystem;
namespace {

std::string systemReason() {
  return std::strerror(errno);
}

}  // namespace

bool readWholeFile(const std::string& path, std::string& text, std::string& error) {
  if (isFolder(path)) {
    error = "cannot read " + path + ": it is a folder";
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = "cannot read " + path + ": " + systemReason();
    return false;
  }
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
  if (isFolder(path)) {
    error = "cannot read " + path + ": it is a folder";
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = "cannot read " + path + ": " + systemReason();
    return false;
  }
  std::fclose(file);
  return true;
}

bool readProtocolFile(const std::string& path, Protocol& protocol, std::string& error) {
  std::string text;
  if (!readWholeFile(path, text, error))
    return false;
  return parseProtocolText(text, path, protocol, error);
}

bool isOwnProtocolFile(const std::string& firstLine) {
  return firstLine == kProtocolFileMagic;
}

bool saveProtocolFile(const std::string& path, const Protocol& protocol, bool force,
                      std::string& error) {
  ReplacePolicy policy;
  policy.isOwn = isOwnProtocolFile;
  policy.force = force;
  policy.what = "protocol";
  return saveFileSafely(
      path, [&protocol](const PieceWriter& write) { return writeProtocolText(protocol, write); },
      policy, error);
}

}  // namespace stimforge::kwhost
