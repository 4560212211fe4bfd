// The values PsychoPy writes in a data file's cells besides numbers: nothing, and Python
// lists (a keyboard that stores all keys writes "['5', '5', '5']" and "[0.58, 1.6, 2.6]").
#ifndef STIMFORGE_KWHOST_PSYCHOPY_CELL_VALUES_H_
#define STIMFORGE_KWHOST_PSYCHOPY_CELL_VALUES_H_

#include <string>
#include <string_view>
#include <vector>

namespace stimforge::kwhost {

// Whether a cell holds nothing: "" (not set in this row), "None" (it did not happen) or
// "nan" (a missing number).
inline bool isMissingCell(std::string_view cell) {
  return cell.empty() ||
         (cell.size() == 4 && cell[0] == 'N' && cell[1] == 'o' && cell[2] == 'n' &&
          cell[3] == 'e') ||
         (cell.size() == 3 && cell[0] == 'n' && cell[1] == 'a' && cell[2] == 'n');
}

// The elements of a cell read as a Python list, into `elements` (cleared first), each a view
// into `cell`: "['5', '5']" gives 5 and 5, "[0.58, 1.2]" 0.58 and 1.2, "[]" and "" nothing; a
// cell that is not a list ("t", "0.5", "None") is one element. Commas inside quotes do not
// split; spaces around an element are dropped and so are its quotes, escapes inside them kept
// as written (see pythonText). A cell that opens "[" without closing it is one element.
void splitPythonList(std::string_view cell, std::vector<std::string_view>& elements);

// An element's text with Python's escapes \\, \', \", \n and \t decoded; others kept.
std::string pythonText(std::string_view element);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_PSYCHOPY_CELL_VALUES_H_
