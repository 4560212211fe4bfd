#include "kwhost/common/safe_save.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "kwhost/common/lines.h"
#include "kwhost/common/own_record.h"
#include "kwhost/common/read_file.h"

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

namespace {

// The checks before a save, and the file written whole to a temporary name beside the
// target. Returns false with `error` set and nothing left behind.
// Whether the existing file at `path`, if any, may be replaced under `policy`. False with
// `error` set otherwise.
bool mayReplace(const std::string& path, const ReplacePolicy& policy, std::string& error) {
  if (policy.force || !pathExists(path))
    return true;
  const std::string kept = "; it is left as it was" +
                           (policy.forceHint.empty() ? std::string() : " (" + policy.forceHint + ")");
  if (!policy.recordPrefix.empty()) {
    std::string text;
    std::string ignored;
    const OwnRecord record = readWholeFile(path, text, ignored)
                                 ? ownRecordOf(text, policy.recordPrefix)
                                 : OwnRecord::kNone;
    if (record == OwnRecord::kChanged) {
      error = "not replacing " + path + ": it changed since kwhost wrote it" + kept;
      return false;
    }
    if (record == OwnRecord::kUnchanged)
      return true;
  }
  if (policy.isOwn && !policy.isOwn(firstLineOf(path))) {
    error = "not replacing " + path + ": it is not a " + policy.what + " that kwhost wrote" + kept;
    return false;
  }
  return true;
}

bool writeTemporary(const std::string& path, const FileProducer& produce,
                    const ReplacePolicy& policy, fs::path& temporary, std::string& error) {
  const std::string failure = "cannot save the " + policy.what + " to " + path + ": ";
  if (path.empty()) {
    error = "cannot save the " + policy.what + ": the file name is empty";
    return false;
  }
  if (isFolder(path)) {
    error = failure + "it is a folder";
    return false;
  }
  if (!mayReplace(path, policy, error))
    return false;
  temporary = temporaryNameBeside(fs::path(path));
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
  if (!written || !closed) {
    error = failure + (written ? systemReason() : reason);
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return false;
  }
  return true;
}

}  // namespace

bool saveFileSafely(const std::string& path, const FileProducer& produce,
                    const ReplacePolicy& policy, std::string& error) {
  fs::path temporary;
  if (!writeTemporary(path, produce, policy, temporary, error))
    return false;
  // filesystem::rename replaces an existing file on every platform (std::rename does not
  // on Windows).
  std::error_code renameError;
  fs::rename(temporary, fs::path(path), renameError);
  if (renameError) {
    error = "cannot save the " + policy.what + " to " + path + ": " + renameError.message();
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return false;
  }
  return true;
}

bool saveFilesTogether(const std::vector<FileToSave>& files, const ReplacePolicy& policy,
                       std::string& error) {
  std::vector<fs::path> temporaries;
  std::error_code ignored;
  const auto removeTemporaries = [&temporaries, &ignored](size_t from) {
    for (size_t i = from; i < temporaries.size(); ++i)
      fs::remove(temporaries[i], ignored);
  };
  for (const FileToSave& file : files) {
    fs::path temporary;
    if (!writeTemporary(file.path, file.produce, policy, temporary, error)) {
      removeTemporaries(0);
      return false;
    }
    temporaries.push_back(temporary);
  }
  // Each old version is kept under a temporary name until every new one is in place.
  std::vector<fs::path> backups(files.size());
  size_t done = 0;
  std::error_code failed;
  for (; done < files.size() && !failed; ++done) {
    const fs::path target(files[done].path);
    if (fs::exists(target, ignored)) {
      backups[done] = temporaryNameBeside(target);
      fs::rename(target, backups[done], failed);
      if (failed) {
        backups[done].clear();
        break;
      }
    }
    fs::rename(temporaries[done], target, failed);
    if (failed) {
      if (!backups[done].empty())
        fs::rename(backups[done], target, ignored);
      break;
    }
  }
  if (failed) {
    error = "cannot save the " + policy.what + " to " + files[done].path + ": " + failed.message() +
            "; the files saved with it got their old versions back";
    for (size_t i = 0; i < done; ++i) {
      if (backups[i].empty())
        fs::remove(fs::path(files[i].path), ignored);
      else
        fs::rename(backups[i], fs::path(files[i].path), ignored);
    }
    removeTemporaries(done);
    return false;
  }
  for (const fs::path& backup : backups) {
    if (!backup.empty())
      fs::remove(backup, ignored);
  }
  return true;
}

}  // namespace stimforge::kwhost
