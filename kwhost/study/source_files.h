// The files of a study's SOURCE folder that may be runs: its Presentation logs (*.log) and
// PsychoPy data files (*.csv), told apart from the files beside them that are no run: a
// PsychoPy text log (a .log), a table that is no data file (a conditions file, a spreadsheet's
// re-save). Host-free; reads the first bytes of each .log and .csv.
#ifndef STIMFORGE_KWHOST_STUDY_SOURCE_FILES_H_
#define STIMFORGE_KWHOST_STUDY_SOURCE_FILES_H_

#include <filesystem>
#include <string>
#include <vector>

namespace stimforge::kwhost {

// A file of SOURCE that is no run, and what it is.
struct NotARun {
  std::string file;    // relative to SOURCE, "/" between folders
  std::string reason;  // one line: "a PsychoPy text log, beside its data file x.csv"
};

// Lists the *.log and *.csv files below `source` (any case of the extension: Windows does not
// tell them apart; any depth; folders reached through links are not entered), relative and
// sorted: each into `runs`, or into `others` with its reason (a .log that is a PsychoPy text
// log, named with the data file of the same name beside it when there is one; a .csv that is
// no PsychoPy data file). A file whose first bytes cannot be read is a run, whose reading then
// says why. Returns false with `problem` set when `source` is no folder or cannot be listed.
[[nodiscard]] bool listSourceFiles(const std::filesystem::path& source,
                                   std::vector<std::string>& runs, std::vector<NotARun>& others,
                                   std::string& problem);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_STUDY_SOURCE_FILES_H_
