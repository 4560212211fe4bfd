// Where a Presentation log's text comes from. Everything that reads logs reads through this
// small interface, so that tests and fuzzers can feed a whole log from memory; a file
// opened by path is only the usual source.
#ifndef STIMFORGE_LOGFORMAT_LOG_SOURCE_H_
#define STIMFORGE_LOGFORMAT_LOG_SOURCE_H_

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace stimforge {

// A text that can be read from its start, in chunks, as often as needed.
class LogSource {
 public:
  virtual ~LogSource() = default;

  // Moves back to the first byte. Returns false when the text cannot be read again.
  [[nodiscard]] virtual bool rewind() = 0;

  // Reads up to `capacity` bytes into `buffer` and stores their number in `count`; a count
  // of 0 means the end of the text. Returns false on a read error (count is then 0).
  [[nodiscard]] virtual bool read(char* buffer, size_t capacity, size_t& count) = 0;
};

// A text held in memory (a copy of the text given).
class MemoryLogSource : public LogSource {
 public:
  explicit MemoryLogSource(std::string text) : text_(std::move(text)) {}
  bool rewind() override;
  bool read(char* buffer, size_t capacity, size_t& count) override;

 private:
  std::string text_;
  size_t position_ = 0;
};

// A file, read as bytes: line breaks are left to the reader, so a log written on Windows
// reads the same everywhere. Closes the file when destroyed.
class FileLogSource : public LogSource {
 public:
  // Takes ownership of an open file.
  explicit FileLogSource(std::FILE* file) : file_(file) {}
  ~FileLogSource() override;
  FileLogSource(const FileLogSource&) = delete;
  FileLogSource& operator=(const FileLogSource&) = delete;
  bool rewind() override;
  bool read(char* buffer, size_t capacity, size_t& count) override;

 private:
  std::FILE* file_;
};

// Opens the file at `path` for reading. Returns null when it cannot be opened.
std::unique_ptr<LogSource> openLogFile(const std::string& path);

// Opens a log by path. Returns null when it cannot be opened. The import command takes one,
// so that tests and fuzzers can serve it logs from memory.
using LogOpener = std::function<std::unique_ptr<LogSource>(const std::string& path)>;

}  // namespace stimforge

#endif  // STIMFORGE_LOGFORMAT_LOG_SOURCE_H_
