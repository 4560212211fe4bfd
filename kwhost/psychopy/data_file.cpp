#include "kwhost/psychopy/data_file.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "kwhost/common/text_codec.h"
#include "kwhost/common/text_utf8.h"
#include "kwhost/psychopy/cell_values.h"
#include "kwhost/psychopy/data_columns.h"

namespace stimforge::kwhost {
namespace {

bool refuse(PsychopyRefusal& refusal, PsychopyRefusalKind kind, std::string message) {
  refusal.kind = kind;
  refusal.message = std::move(message);
  return false;
}

// Whether `text` is UTF-8; `line` is set to the line of the first fault. Thirty-two bytes at a
// time while they are ASCII (nearly all of a data file), kwhost's decoder past them.
bool utf8Text(std::string_view text, size_t& line) {
  size_t i = 0;
  char32_t ignored = 0;
  while (i < text.size()) {
    if (text.size() - i >= 32) {
      uint64_t w[4];
      std::memcpy(w, text.data() + i, sizeof w);
      if (((w[0] | w[1] | w[2] | w[3]) & 0x8080808080808080ull) == 0) {
        i += sizeof w;
        continue;
      }
    }
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t length = utf8SequenceAt(text, i, ignored);
    if (length == 0) {
      line = 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + i, '\n'));
      return false;
    }
    i += length;
  }
  return true;
}

// Refusals that the first line tells, before the text is read as CSV: another encoding, or a
// separator other than the comma.
bool checkText(std::string_view text, PsychopyRefusal& refusal) {
  using K = PsychopyRefusalKind;
  if (text.empty())
    return refuse(refusal, K::kDamaged, "the file is empty");
  if (text.compare(0, 2, "\xFF\xFE") == 0 || text.compare(0, 2, "\xFE\xFF") == 0)
    return refuse(refusal, K::kNotADataFile,
                  "the text is UTF-16: PsychoPy writes its data files in UTF-8, so another "
                  "program re-saved this one; use the file PsychoPy wrote");
  if (isPsychopyTextLog(text.substr(0, 64)))
    return refuse(refusal, K::kNotADataFile,
                  "a PsychoPy text log (the .log beside a data file), not its data file (.csv)");
  size_t line = 0;
  if (!utf8Text(text, line))
    return refuse(refusal, K::kNotADataFile,
                  "line " + std::to_string(line) +
                      " is not UTF-8: PsychoPy writes its data files in UTF-8, so another "
                      "program re-saved this one; use the file PsychoPy wrote");
  const std::string_view first = text.substr(0, text.find('\n'));
  if (first.find(',') != std::string_view::npos)
    return true;
  if (first.find(';') != std::string_view::npos)
    return refuse(refusal, K::kNotADataFile,
                  "its columns are separated by ';', not ',': a data file re-saved by a "
                  "spreadsheet program, which may have changed its values (dates for version "
                  "numbers, rounded times); use the file PsychoPy wrote");
  if (first.find('\t') != std::string_view::npos)
    return refuse(refusal, K::kNotADataFile,
                  "its columns are separated by tabs, not commas: another program's table, "
                  "not a PsychoPy data file");
  return true;
}

// Refusals that the columns tell.
bool checkColumns(const PsychopyDataFile& file, const ColumnCensus& census,
                  PsychopyRefusal& refusal) {
  using K = PsychopyRefusalKind;
  const bool version = file.findName("psychopyVersion") >= 0;
  if (census.started > 0 && !version)
    return refuse(refusal, K::kNotADataFile,
                  "it has component columns (" + escapeLine(census.firstStarted) +
                      ") but no psychopyVersion column: not a PsychoPy Builder data file, or "
                      "one another program rewrote");
  if (census.started > 0)
    return true;
  if (!census.firstResponse.empty())
    return refuse(refusal, K::kNoOnsets,
                  "an old PsychoPy data file: it has responses (" +
                      escapeLine(census.firstResponse) +
                      ") but no X.started column, so when anything appeared is not in it and "
                      "no onsets can be known");
  if (version)
    return refuse(refusal, K::kNotADataFile,
                  "written by PsychoPy " + escapeLine(file.facts.psychopyVersion) +
                      " but without timing columns (no X.started, X.keys or X.rt): a table "
                      "an experiment's own code wrote, not the Builder's data file");
  return refuse(refusal, K::kNotADataFile,
                "no psychopyVersion column and no component columns (X.started): a "
                "conditions file or another program's table, not a PsychoPy data file");
}

// A loop counter's value: up to nine digits, else -1.
int32_t counter(std::string_view cell) {
  if (cell.empty() || cell.size() > 9)
    return -1;
  int32_t value = 0;
  for (const char c : cell) {
    if (c < '0' || c > '9')
      return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The loop of each row and its trial number.
void assignRowLoops(PsychopyDataFile& file) {
  const size_t rows = file.rows();
  const size_t loops = file.loops.size();
  std::vector<uint8_t> set(loops * rows);  // row-major: whether loop l is set in row r
  for (size_t r = 0; r < rows; ++r) {
    const CsvTable::RowCells cells = file.table.rowCells(r);
    for (size_t l = 0; l < loops; ++l) {
      PsychopyLoop& loop = file.loops[l];
      for (const int32_t c : {loop.thisN, loop.thisTrialN, loop.thisRepN, loop.thisIndex})
        set[r * loops + l] |= c >= 0 && !isMissingCell(cells[static_cast<size_t>(c)]) ? 1 : 0;
      loop.rows += set[r * loops + l];
    }
  }
  file.rowLoop.assign(rows, -1);
  file.rowTrial.assign(rows, -1);
  for (size_t r = 0; r < rows; ++r) {
    int32_t best = -1;
    for (size_t l = 0; l < loops; ++l)
      if (set[r * loops + l] && (best < 0 || file.loops[l].rows <= file.loops[best].rows))
        best = static_cast<int32_t>(l);
    file.rowLoop[r] = best;
    if (best < 0)
      continue;
    const PsychopyLoop& loop = file.loops[best];
    const int32_t column = loop.thisN >= 0 ? loop.thisN : loop.thisTrialN;
    if (column >= 0)
      file.rowTrial[r] = counter(file.table.cell(r, static_cast<size_t>(column)));
  }
}

void readFacts(PsychopyDataFile& file) {
  const std::pair<const char*, std::string*> facts[] = {
      {"psychopyVersion", &file.facts.psychopyVersion},
      {"expName", &file.facts.expName},
      {"participant", &file.facts.participant},
      {"session", &file.facts.session},
      {"date", &file.facts.date},
      {"frameRate", &file.facts.frameRate}};
  for (const auto& [name, value] : facts) {
    const int index = file.findName(name);
    for (size_t r = 0; index >= 0 && r < file.rows() && value->empty(); ++r) {
      const std::string_view cell = file.cell(r, static_cast<size_t>(index));
      if (!isMissingCell(cell))
        *value = std::string(cell);
    }
  }
}

}  // namespace

std::string_view PsychopyDataFile::value(size_t row, const std::vector<uint32_t>& columns) const {
  for (const uint32_t c : columns) {
    const std::string_view v = table.cell(row, c);
    if (!v.empty())
      return v;
  }
  return {};
}

int PsychopyDataFile::findName(std::string_view name) const {
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i].name == name)
      return static_cast<int>(i);
  return -1;
}

bool readPsychopyDataFile(std::string text, PsychopyDataFile& file, PsychopyRefusal& refusal) {
  file = PsychopyDataFile();
  if (!checkText(text, refusal))
    return false;
  std::string problem;
  if (!parseCsvTable(std::move(text), file.table, problem))
    return refuse(refusal, PsychopyRefusalKind::kDamaged, problem);
  const ColumnCensus census = classifyColumns(file);
  readFacts(file);
  if (!checkColumns(file, census, refusal))
    return false;
  if (file.rows() == 0)
    return refuse(refusal, PsychopyRefusalKind::kDamaged,
                  "the data file has its header but no rows: the run ended before its first "
                  "routine was saved");
  assignRowLoops(file);
  return true;
}

bool isPsychopyTextLog(std::string_view s) {
  size_t i = s.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  const size_t digits = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9')
    ++i;
  if (i == digits)
    return false;
  if (i < s.size() && s[i] == '.') {
    const size_t decimals = ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
      ++i;
    if (i == decimals)
      return false;
  }
  if (s.compare(i, 2, " \t") != 0)
    return false;
  i += 2;
  for (const char* level : {"EXP", "DATA", "WARNING", "INFO", "DEBUG", "ERROR", "CRITICAL"}) {
    const size_t n = std::strlen(level);
    if (s.compare(i, n, level) == 0 && s.compare(i + n, 2, " \t") == 0)
      return true;
  }
  return false;
}

}  // namespace stimforge::kwhost
