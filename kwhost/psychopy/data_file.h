// A PsychoPy Builder data file (data/PARTICIPANT_EXPNAME_DATE.csv): recognized by its
// columns, refused with the reason when it is not one or holds no onsets, else read into its
// model: the columns, the components and loops they name, the run facts. Host-free; the
// events are in events.h, the scanner trigger in trigger.h.
//
// Columns: "X.started" and "X.stopped" are when component (or routine) X appeared and went,
// in seconds on the experiment's clock; a keyboard X adds "X.keys" and "X.rt" (seconds after
// X.started). "L.thisN", "L.thisTrialN", "L.thisRepN" and "L.thisIndex" are loop L's
// counters, set in the rows of its trials. Version 2024.2 adds loop-prefixed copies such as
// "trials.key_resp.keys": the same cell again, read as key_resp's. Every other column
// (the conditions file's own, the run facts, a component's other values such as
// "key_resp.corr", a non-keyboard's "rating.rt", 2024.2's unprefixed "thisN") is a further
// column, there for templates and the events table.
#ifndef STIMFORGE_KWHOST_PSYCHOPY_DATA_FILE_H_
#define STIMFORGE_KWHOST_PSYCHOPY_DATA_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/psychopy/csv_table.h"

namespace stimforge::kwhost {

enum class PsychopyRefusalKind {
  kNotADataFile,  // a conditions file, another program's table, a spreadsheet's re-save, a
                  // table an experiment's own code wrote: a study lists it and goes on
  kNoOnsets,      // an old data file (.keys and .rt but no .started): no onsets can be known
  kDamaged,       // a data file that cannot be read: not UTF-8, a broken quote, no rows
};

struct PsychopyRefusal {
  PsychopyRefusalKind kind = PsychopyRefusalKind::kDamaged;
  std::string message;  // one line, no file name: the caller adds it
};

struct PsychopyComponent {
  std::string name;
  // The columns of each value: the component's own column first when the file has it, then
  // its loop-prefixed copies; a row's value is the first of them that is not empty. `rt` is
  // kept for keyboards only.
  std::vector<uint32_t> started, stopped, keys, rt;
  bool keyboard() const { return !keys.empty(); }
};

struct PsychopyLoop {
  std::string name;
  int32_t thisN = -1, thisTrialN = -1, thisRepN = -1, thisIndex = -1;  // columns, -1 if none
  size_t rows = 0;  // rows in which one of its counters is set
};

// The first value of each column that is not missing (isMissingCell), "" when none is.
struct PsychopyRunFacts {
  std::string psychopyVersion, expName, participant, session, date, frameRate;
};

// A column name and the columns that carry it: usually one; the duplicate_run file has two
// "run" columns (the conditions file's and the start dialog's).
struct PsychopyColumnName {
  std::string name;
  std::vector<uint32_t> columns;
};

struct PsychopyDataFile {
  CsvTable table;
  std::vector<PsychopyComponent> components;  // in the order of their first column
  std::vector<PsychopyLoop> loops;            // likewise
  std::vector<PsychopyColumnName> names;      // every non-empty column name once, file order
  std::vector<size_t> furtherColumns;         // indices into `names` (see the file comment)
  PsychopyRunFacts facts;
  // Per row: the loop whose counters are set in it, the innermost when several are (the one
  // set in the fewest rows; nested loops set their outer loop's counters too), -1 outside
  // loops; and that loop's thisN (its thisTrialN when it has no thisN), -1 when not a number.
  std::vector<int32_t> rowLoop;
  std::vector<int32_t> rowTrial;

  size_t rows() const { return table.rows(); }
  size_t lineOf(size_t row) const { return table.lineOf(row); }
  // The first of `columns`' cells in `row` that is not empty, else "".
  std::string_view value(size_t row, const std::vector<uint32_t>& columns) const;
  // The index in `names` of `name`, or -1.
  int findName(std::string_view name) const;
  // The cell of names[nameIndex] in `row`, as value() reads it.
  std::string_view cell(size_t row, size_t nameIndex) const {
    return value(row, names[nameIndex].columns);
  }
};

// Reads `text`, a whole file, into `file`. A Builder data file has a psychopyVersion column
// and at least one X.started column, and one or more rows (an aborted run's partial last row
// is read as it stands). Returns false with `refusal` set otherwise, saying why: not UTF-8
// (PsychoPy writes UTF-8), separated by ';' or tabs (a spreadsheet's re-save), no timing
// columns (a table of the experiment's own), no psychopyVersion nor X.started (a conditions
// file or another program's table), an old data file without X.started (no onsets can be
// known), a broken quote or row. May throw std::bad_alloc.
[[nodiscard]] bool readPsychopyDataFile(std::string text, PsychopyDataFile& file,
                                        PsychopyRefusal& refusal);

// Whether a file whose first bytes are `firstBytes` (a few hundred suffice) is a PsychoPy text
// log (the .log beside a data file): its first line opens with a time, a space and a tab, a
// level (EXP, DATA, WARNING, INFO, DEBUG, ERROR or CRITICAL), a space and a tab, as in
// "0.9009 \tWARNING \tWe strongly recommend...". A Presentation log never opens so.
bool isPsychopyTextLog(std::string_view firstBytes);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_PSYCHOPY_DATA_FILE_H_
