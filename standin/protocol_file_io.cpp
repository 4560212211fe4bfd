#include "standin/protocol_file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "standin/protocol_file.h"

namespace stimforge::standin {
namespace fs = std::filesystem;
namespace {

std::string systemReason() {
  return std::strerror(errno);
}

bool isFolder(const std::string& path) {
  std::error_code ignored;
  return fs::is_directory(fs::path(path), ignored);
}

// A name beside `target` (in its folder) that does not exist yet. Random, so that two hosts
// saving into one folder do not share a temporary file; short and not made from the
// target's name, so that a target whose name is as long as the file system allows still
// has a temporary file.
fs::path temporaryNameBeside(const fs::path& target) {
  static std::mt19937 generator{std::random_device{}()};
  fs::path candidate;
  for (int attempt = 0; attempt < 16; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, ".%08x.kwhost-tmp",
                  static_cast<unsigned>(generator() & 0xFFFFFFFFu));
    candidate = target.parent_path() / name;
    std::error_code ignored;
    if (!fs::exists(candidate, ignored))
      break;
  }
  return candidate;
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

bool saveProtocolFile(const std::string& path, const Protocol& protocol, std::string& error) {
  const std::string failure = "cannot save the protocol to " + path + ": ";
  if (path.empty()) {
    error = "cannot save the protocol: the file name is empty";
    return false;
  }
  if (isFolder(path)) {
    error = failure + "it is a folder";
    return false;
  }
  const fs::path target(path);
  const fs::path temporary = temporaryNameBeside(target);
  std::FILE* file = std::fopen(temporary.string().c_str(), "wb");
  if (file == nullptr) {
    error = failure + systemReason();
    return false;
  }
  const bool written =
      writeProtocolText(protocol,
                        [file](const std::string& piece) {
                          return std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
                        }) &&
      std::fflush(file) == 0;
  const std::string reason = written ? std::string() : systemReason();
  const bool closed = std::fclose(file) == 0;
  std::error_code ignored;
  if (!written || !closed) {
    error = failure + (written ? systemReason() : reason);
    fs::remove(temporary, ignored);
    return false;
  }
  // filesystem::rename replaces an existing file on every platform (std::rename does not
  // on Windows).
  std::error_code renameError;
  fs::rename(temporary, target, renameError);
  if (renameError) {
    error = failure + renameError.message();
    fs::remove(temporary, ignored);
    return false;
  }
  return true;
}

}  // namespace stimforge::standin
