// The value rules of a BIDS events file that the npm validator does not check, as one
// function shared by the tests and the events fuzzer: a header of known columns, onset and
// duration first; every row as long as the header; no empty cell; numbers as the standard
// writes them; durations zero or positive or n/a; onsets sorted; every trial_type among the
// sidecar's Levels; a log's own columns after the fixed ones, each described, their times
// numbers and their texts among their Levels (or n/a); valid UTF-8 throughout.
#ifndef STIMFORGE_TESTS_STANDIN_EVENTS_FILE_CHECK_H_
#define STIMFORGE_TESTS_STANDIN_EVENTS_FILE_CHECK_H_

#include <nlohmann/json.hpp>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "kwhost/common/text_utf8.h"

namespace stimforge::kwhost::testing {

// "" when `tsv` and its sidecar `json` keep every rule; else the first rule broken.
inline std::string eventsFileProblem(const std::string& tsv, const std::string& json) {
  if (!isValidUtf8(tsv) || !isValidUtf8(json))
    return "not UTF-8";
  const nlohmann::json sidecar = nlohmann::json::parse(json, nullptr, false);
  if (!sidecar.is_object() || !sidecar.contains("trial_type"))
    return "the sidecar is not an object describing trial_type";
  const nlohmann::json& levels = sidecar["trial_type"]["Levels"];
  static const std::regex number("[+-]?([0-9]+(\\.[0-9]+)?|\\.[0-9]+)([eE][+-]?[0-9]+)?");
  if (tsv.empty() || tsv.back() != '\n')
    return "the last line has no line break";
  std::vector<std::vector<std::string>> rows;
  for (size_t start = 0; start < tsv.size();) {
    const size_t end = tsv.find('\n', start);
    std::vector<std::string> cells;
    for (size_t cell = start;;) {
      const size_t tab = tsv.find('\t', cell);
      if (tab == std::string::npos || tab > end) {
        cells.push_back(tsv.substr(cell, end - cell));
        break;
      }
      cells.push_back(tsv.substr(cell, tab - cell));
      cell = tab + 1;
    }
    rows.push_back(cells);
    start = end + 1;
  }
  const std::vector<std::string> logHeader = {"onset",      "duration", "trial_type",
                                              "event_type", "code",     "trial"};
  const std::vector<std::string>& header = rows[0];
  const bool logTable = header.size() >= logHeader.size() &&
                        std::equal(logHeader.begin(), logHeader.end(), header.begin());
  if (!logTable && header != std::vector<std::string>(logHeader.begin(), logHeader.begin() + 3))
    return "an unexpected header";
  for (const std::string& column : header) {
    if (!sidecar.contains(column))
      return "the sidecar does not describe " + column;
  }
  double previous = -1e300;
  for (size_t r = 1; r < rows.size(); ++r) {
    const std::vector<std::string>& row = rows[r];
    const std::string where = "row " + std::to_string(r) + ": ";
    if (row.size() != header.size())
      return where + "a row as long as the header";
    for (const std::string& cell : row) {
      if (cell.empty() || cell.find('\r') != std::string::npos)
        return where + "an empty cell or a CR";
    }
    if (!std::regex_match(row[0], number))
      return where + "onset is not a number";
    if (row[1] != "n/a" && (!std::regex_match(row[1], number) || row[1][0] == '-'))
      return where + "duration is neither n/a nor a number of at least 0";
    const double onset = std::stod(row[0]);
    if (onset < previous)
      return where + "onsets out of order";
    previous = onset;
    if (!levels.is_object() || !levels.contains(row[2]))
      return where + "trial_type \"" + row[2] + "\" is not among the Levels";
    if (logTable && row[5] != "n/a" && !std::regex_match(row[5], number))
      return where + "trial is not a number";
    for (size_t c = logHeader.size(); c < header.size(); ++c) {
      const nlohmann::json& column = sidecar[header[c]];
      if (row[c] == "n/a")
        continue;
      if (column.contains("Units") && !std::regex_match(row[c], number))
        return where + header[c] + " is not a number";
      if (column.contains("Levels") && !column["Levels"].contains(row[c]))
        return where + header[c] + " \"" + row[c] + "\" is not among its Levels";
    }
  }
  return "";
}

}  // namespace stimforge::kwhost::testing

#endif  // STIMFORGE_TESTS_STANDIN_EVENTS_FILE_CHECK_H_
