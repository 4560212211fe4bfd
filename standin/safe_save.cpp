#include "standin/safe_save.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace stimforge::standin {
namespace fs = std::filesystem;
namespace {

// A name beside `target` that does not exist yet: random, so that two kwhost processes
// saving into one folder never share one, and short, so that a target whose name is as
// long as the file system allows still has one.
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

// Whether the existing file `path` may be replaced. False with `error` set otherwise.
bool mayReplace(const std::string& path, const OwnFileTest& isOwn, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = "cannot read " + path + " to see whether kwhost wrote it: " + std::strerror(errno);
    return false;
  }
  char head[kOwnFileHeadSize];
  const size_t n = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  if (isOwn(std::string_view(head, n)))
    return true;
  error = path + " exists and was not written by kwhost (give --force to replace it)";
  return false;
}

}  // namespace

SaveResult saveFileSafely(const std::string& path, std::string_view content,
                          const OwnFileTest& isOwn, bool force, std::string& error) {
  if (path.empty()) {
    error = "cannot write a file without a name";
    return SaveResult::kFailed;
  }
  const fs::path target(path);
  std::error_code code;
  const fs::file_status status = fs::status(target, code);
  if (fs::is_directory(status)) {
    error = "cannot write " + path + ": it is a folder";
    return SaveResult::kRefused;
  }
  if (fs::exists(status) && !force && !mayReplace(path, isOwn, error))
    return SaveResult::kRefused;
  const std::string failure = "cannot write " + path + ": ";
  const fs::path temporary = temporaryNameBeside(target);
  std::FILE* file = std::fopen(temporary.string().c_str(), "wb");
  if (file == nullptr) {
    error = failure + std::strerror(errno);
    return SaveResult::kFailed;
  }
  const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size() &&
                       std::fflush(file) == 0;
  const std::string reason = written ? std::string() : std::strerror(errno);
  const bool closed = std::fclose(file) == 0;
  std::error_code ignored;
  if (!written || !closed) {
    error = failure + (written ? std::strerror(errno) : reason);
    fs::remove(temporary, ignored);
    return SaveResult::kFailed;
  }
  // filesystem::rename replaces an existing file on every platform (std::rename does not
  // on Windows).
  fs::rename(temporary, target, code);
  if (code) {
    error = failure + code.message();
    fs::remove(temporary, ignored);
    return SaveResult::kFailed;
  }
  return SaveResult::kSaved;
}

}  // namespace stimforge::standin
