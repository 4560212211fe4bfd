#include "kwhost/common/safe_save.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "kwhost/common/lines.h"

namespace stimforge::kwhost {
namespace fs = std::filesystem;
namespace {

std::string systemReason() {
  return std::strerror(errno);
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

bool pathExists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(fs::path(path), ignored);
}

bool isFolder(const std::string& path) {
  std::error_code ignored;
  return fs::is_directory(fs::path(path), ignored);
}

std::string firstLineOf(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    return std::string();
  char buffer[4096];
  const size_t count = std::fread(buffer, 1, sizeof buffer, file);
  std::fclose(file);
  return std::string(firstLineOfText(std::string_view(buffer, count)));
}

std::string fileNameOf(const std::string& path) {
  const size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool saveFileSafely(const std::string& path, const FileProducer& produce,
                    const ReplacePolicy& policy, std::string& error) {
  const std::string failure = "cannot save the " + policy.what + " to " + path + ": ";
  if (path.empty()) {
    error = "cannot save the " + policy.what + ": the file name is empty";
    return false;
  }
  if (isFolder(path)) {
    error = failure + "it is a folder";
    return false;
  }
  if (policy.isOwn && !policy.force && pathExists(path) && !policy.isOwn(firstLineOf(path))) {
    error = "not replacing " + path + ": it is not a " + policy.what +
            " that kwhost wrote; it is left as it was (give --force to replace it)";
    return false;
  }
  const fs::path target(path);
  const fs::path temporary = temporaryNameBeside(target);
  std::FILE* file = std::fopen(temporary.string().c_str(), "wb");
  if (file == nullptr) {
    error = failure + systemReason();
    return false;
  }
  const bool written = produce([file](const std::string& piece) {
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

}  // namespace stimforge::kwhost
