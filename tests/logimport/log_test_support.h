// Helpers for feeding the log reader and the import command from memory.
#ifndef STIMFORGE_TESTS_LOGIMPORT_LOG_TEST_SUPPORT_H_
#define STIMFORGE_TESTS_LOGIMPORT_LOG_TEST_SUPPORT_H_

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "logformat/log_source.h"

namespace stimforge::testing {

// A text in memory with ways to fail: it hands out at most `chunk` bytes a read, fails
// once `failAt` bytes have been read, and from its `changedAfterRewinds`-th rewind on
// serves `changedText` instead (a file that changes between the reader's passes).
class ScriptedLogSource : public LogSource {
 public:
  explicit ScriptedLogSource(std::string text) : text_(std::move(text)) {}
  size_t chunk = static_cast<size_t>(-1);
  size_t failAt = static_cast<size_t>(-1);
  bool failRewind = false;
  int changedAfterRewinds = -1;
  std::string changedText;
  int rewinds = 0;

  bool rewind() override {
    ++rewinds;
    position_ = 0;
    if (changedAfterRewinds >= 0 && rewinds >= changedAfterRewinds)
      text_ = changedText;
    return !failRewind;
  }
  bool read(char* buffer, size_t capacity, size_t& count) override {
    count = std::min({capacity, chunk, text_.size() - position_});
    if (position_ + count > failAt) {
      count = 0;
      return false;
    }
    if (count > 0)
      std::memcpy(buffer, text_.data() + position_, count);
    position_ += count;
    return true;
  }

 private:
  std::string text_;
  size_t position_ = 0;
};

// Logs in memory: opener() serves these texts by path (any other path cannot be opened)
// and records the paths asked for, while this object lives.
class MemoryLogFiles {
 public:
  explicit MemoryLogFiles(std::map<std::string, std::string> files) : files_(std::move(files)) {}
  MemoryLogFiles(const MemoryLogFiles&) = delete;
  MemoryLogFiles& operator=(const MemoryLogFiles&) = delete;

  LogOpener opener() {
    return [this](const std::string& path) -> std::unique_ptr<LogSource> {
      opened.push_back(path);
      const auto found = files_.find(path);
      if (found == files_.end())
        return nullptr;
      return std::make_unique<MemoryLogSource>(found->second);
    };
  }

  std::vector<std::string> opened;

 private:
  std::map<std::string, std::string> files_;
};

// The five header lines every real log starts with; the columns line says whether a
// Subject column comes first.
inline std::string logHeader(bool withSubject) {
  return std::string("Scenario - test\nLogfile written - 01/02/2024 10:00:00\n\n") +
         (withSubject ? "Subject\tTrial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\n"
                      : "Trial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\n") +
         "\n";
}

}  // namespace stimforge::testing

#endif  // STIMFORGE_TESTS_LOGIMPORT_LOG_TEST_SUPPORT_H_
