// How kwhost writes its files: through a temporary file renamed over the target, so that
// the target holds either its old content or the whole new one, and never over a file that
// kwhost does not recognise as its own unless the user forces it.
#ifndef STIMFORGE_KWHOST_COMMON_SAFE_SAVE_H_
#define STIMFORGE_KWHOST_COMMON_SAFE_SAVE_H_

#include <functional>
#include <string>
#include <vector>

namespace stimforge::kwhost {

// Hands a file's text to the save one piece at a time; false when a piece cannot be
// written (the producer then stops).
using PieceWriter = std::function<bool(const std::string& piece)>;
// Produces a file's text through the writer; false when it could not be written whole.
using FileProducer = std::function<bool(const PieceWriter& write)>;

// What a save may replace.
struct ReplacePolicy {
  // Whether an existing file is kwhost's own, judged from its first line (without the line
  // break). Empty: any existing file may be replaced.
  std::function<bool(const std::string& firstLine)> isOwn;
  bool force = false;  // --force: replace whatever file is there
  std::string what;    // the kind of file, for messages ("protocol file", "events file")
  // How the user forces a replacement, for the refusal ("give --force to replace it"); the
  // front end's words. "" adds nothing.
  std::string forceHint;
  // The start of the line on which kwhost's files of this kind record their own bytes
  // (own_record.h); "" when they have none. An existing file with such a record is replaced
  // only when its bytes are those recorded; one without is judged by `isOwn`.
  std::string recordPrefix;
};

// Writes what `produce` gives to `path` through a new temporary file beside it, renamed
// over it. Refuses (false, `error` set, the file as it was) to replace a folder, or an
// existing file that `policy.isOwn` does not recognise unless `policy.force`. Returns false
// with `error` ("cannot save the WHAT to PATH: reason"), and no temporary file left behind,
// when it cannot be written.
[[nodiscard]] bool saveFileSafely(const std::string& path, const FileProducer& produce,
                                  const ReplacePolicy& policy, std::string& error);

// One file of a set saved together.
struct FileToSave {
  std::string path;
  FileProducer produce;
};

// Saves `files` together: each is written whole to a temporary file beside its target first
// (checked against `policy` as saveFileSafely checks it), and only then are they renamed
// over their targets, in order. When a rename fails, the files already renamed get their old
// versions back (or are removed when they were new), so that the targets hold either all
// their old contents or all the new ones. Returns false with `error` set and no temporary
// file left behind.
[[nodiscard]] bool saveFilesTogether(const std::vector<FileToSave>& files,
                                     const ReplacePolicy& policy, std::string& error);

// Whether something (a file or a folder) is at `path`.
bool pathExists(const std::string& path);

// Whether `path` is a folder.
bool isFolder(const std::string& path);

// The first line of the file at `path` (without its line break, at most 4096 bytes), or ""
// when it cannot be read.
std::string firstLineOf(const std::string& path);

// The file-name part of a path, after its last "/" or "\" (the plug-in forms Windows
// names): "C:\exp\run1.prt" and "exp/run1.prt" both give "run1.prt".
std::string fileNameOf(const std::string& path);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_COMMON_SAFE_SAVE_H_
