// Saving kwhost's own output files safely: each is written to a temporary file beside its
// target and renamed over it, so that a target holds either its old content or the whole
// new one, and no half-written file is left behind.
#ifndef STIMFORGE_STANDIN_TEXT_FILE_SAVE_H_
#define STIMFORGE_STANDIN_TEXT_FILE_SAVE_H_

#include <string>
#include <vector>

namespace stimforge::standin {

struct FileToSave {
  std::string path;
  std::string content;
};

// Writes every file's temporary first, then renames them over their targets in order.
// Returns false with `error` set ("cannot write PATH: reason"), every temporary removed,
// when one cannot be written; nothing is renamed then. A rename that fails after earlier
// ones succeeded leaves the earlier targets written (reported in `error`).
[[nodiscard]] bool saveFilesSafely(const std::vector<FileToSave>& files, std::string& error);

}  // namespace stimforge::standin

#endif  // STIMFORGE_STANDIN_TEXT_FILE_SAVE_H_
