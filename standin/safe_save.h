// Saving kwhost's own output files safely: through a temporary file renamed over the
// target, and never over a file that kwhost does not recognise as one it wrote.
#ifndef STIMFORGE_STANDIN_SAFE_SAVE_H_
#define STIMFORGE_STANDIN_SAFE_SAVE_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace stimforge::standin {

enum class SaveResult {
  kSaved,
  kRefused,  // the target exists and is not kwhost's own (or is a folder); nothing written
  kFailed,   // it could not be written; the target is as it was
};

// Tells from the first bytes of an existing file (up to kOwnFileHeadSize, or the whole file
// when it is shorter) whether kwhost wrote it.
using OwnFileTest = std::function<bool(std::string_view head)>;
constexpr size_t kOwnFileHeadSize = 512;

// Writes `content` to `path`: first to a new temporary file beside it, then renamed over it,
// so that `path` holds either its old content or the whole new one. An existing `path` is
// replaced only when `isOwn` accepts its first bytes, or with `force`. On kRefused and
// kFailed, `error` says why in one line ("PATH exists and was not written by kwhost (give
// --force to replace it)", "cannot write PATH: reason"), and no temporary file is left.
[[nodiscard]] SaveResult saveFileSafely(const std::string& path, std::string_view content,
                                        const OwnFileTest& isOwn, bool force, std::string& error);

}  // namespace stimforge::standin

#endif  // STIMFORGE_STANDIN_SAFE_SAVE_H_
