// An events file and its sidecar as files on disk: whether kwhost may replace them.
#ifndef STIMFORGE_KWHOST_EVENTS_FILES_H_
#define STIMFORGE_KWHOST_EVENTS_FILES_H_

#include <string>

namespace stimforge::kwhost {

// Whether the events file `tsv` and its sidecar `json` may be written without forcing it:
// each does not exist, or is kwhost's own and unchanged. A sidecar that records the two files'
// bytes (sidecarRecordOf) settles it: both must be exactly what kwhost last wrote there, to
// the byte. A sidecar from before records is kwhost's own when isOwnEventsSidecar says so,
// and its events file when that starts with one of kwhost's header lines. Returns false with
// `error` set to a message that names the file (the one that changed, or is not kwhost's) and
// ends with `forceHint` (how the user forces it, in the front end's words).
[[nodiscard]] bool mayReplaceEventsFiles(const std::string& tsv, const std::string& json,
                                         const std::string& forceHint, std::string& error);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_EVENTS_FILES_H_
