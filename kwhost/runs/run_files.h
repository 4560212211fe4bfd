// A run's two files, the events table and its sidecar, written together: both or neither, and
// never over files kwhost did not write unless forced.
#ifndef STIMFORGE_KWHOST_RUNS_RUN_FILES_H_
#define STIMFORGE_KWHOST_RUNS_RUN_FILES_H_

#include <set>
#include <string>

#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"

namespace stimforge::kwhost {

struct RunFiles {
  std::string tsv;   // the events table
  std::string json;  // its sidecar
};

struct WriteRules {
  bool force = false;       // replace files kwhost did not write
  std::string forceHint;    // how the user forces it, in the front end's words
  bool makeFolder = false;  // create the table's folder when it is missing
};

// Writes `table` and the sidecar of `facts` to `files`: both to temporary files first, then
// renamed together (the first file's old version put back when the second rename fails).
// The sidecar records the bytes of both (formatRecordedEventsSidecar). Without rules.force,
// existing files must be kwhost's own and unchanged (mayReplaceEventsFiles). The
// warnings of the table's texts (a name written with blanks) go to `warnings` before anything
// is written. Returns false with `error` set, the old files as they were. May throw
// std::bad_alloc (nothing is then left behind).
[[nodiscard]] bool writeRunFiles(const RunFiles& files, const EventsTable& table,
                                 const SidecarFacts& facts, const WriteRules& rules,
                                 std::set<std::string>& warnings, std::string& error);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_RUNS_RUN_FILES_H_
