#include "standin/text_file_save.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace stimforge::standin {
namespace fs = std::filesystem;
namespace {

// A random name beside `target` that does not exist yet, short so that a target whose name
// is as long as the file system allows still has one.
fs::path temporaryBeside(const fs::path& target) {
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

bool writeWhole(const fs::path& path, const std::string& content, std::string& reason) {
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  if (file == nullptr) {
    reason = std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size() &&
                       std::fflush(file) == 0;
  if (!written)
    reason = std::strerror(errno);
  const bool closed = std::fclose(file) == 0;
  if (written && !closed)
    reason = std::strerror(errno);
  return written && closed;
}

}  // namespace

bool saveFilesSafely(const std::vector<FileToSave>& files, std::string& error) {
  std::vector<fs::path> temporaries;
  std::error_code ignored;
  const auto removeTemporaries = [&](size_t from) {
    for (size_t i = from; i < temporaries.size(); ++i)
      fs::remove(temporaries[i], ignored);
  };
  for (const FileToSave& file : files) {
    const fs::path target(file.path);
    if (fs::is_directory(target, ignored)) {
      error = "cannot write " + file.path + ": it is a folder";
      removeTemporaries(0);
      return false;
    }
    temporaries.push_back(temporaryBeside(target));
    std::string reason;
    if (!writeWhole(temporaries.back(), file.content, reason)) {
      error = "cannot write " + file.path + ": " + reason;
      removeTemporaries(0);
      return false;
    }
  }
  for (size_t i = 0; i < files.size(); ++i) {
    // filesystem::rename replaces an existing file on every platform (std::rename does not
    // on Windows).
    std::error_code renameError;
    fs::rename(temporaries[i], fs::path(files[i].path), renameError);
    if (renameError) {
      error = "cannot write " + files[i].path + ": " + renameError.message();
      removeTemporaries(i);
      return false;
    }
  }
  return true;
}

}  // namespace stimforge::standin
