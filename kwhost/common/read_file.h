// Reading whole files from disk, for every kwhost command that reads its input at once.
#ifndef STIMFORGE_KWHOST_COMMON_READ_FILE_H_
#define STIMFORGE_KWHOST_COMMON_READ_FILE_H_

#include <cstddef>
#include <string>

namespace stimforge::kwhost {

// Reads the whole file `path` into `text`. Returns false with `error` set ("cannot read
// PATH: reason") when it is missing, a folder or unreadable.
[[nodiscard]] bool readWholeFile(const std::string& path, std::string& text, std::string& error);

// Reads at most the first `most` bytes of the file `path` into `text`. Returns false with
// `error` set as readWholeFile does.
[[nodiscard]] bool readFileHead(const std::string& path, size_t most, std::string& text,
                                std::string& error);

// Checks that `path` is a file that can be opened for reading. Returns false with
// `error` set ("cannot read PATH: reason") otherwise.
[[nodiscard]] bool checkReadable(const std::string& path, std::string& error);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_COMMON_READ_FILE_H_
