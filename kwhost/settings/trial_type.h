// A trial_type template over a row's columns: text with column names in braces, such as
// "{condition}" or "{load}_{target}"; "{{" and "}}" stand for braces. Pure functions, for
// any source whose rows have named cells (PsychoPy data files, Presentation logs alike).
#ifndef STIMFORGE_KWHOST_SETTINGS_TRIAL_TYPE_H_
#define STIMFORGE_KWHOST_SETTINGS_TRIAL_TYPE_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stimforge::kwhost {

struct TrialTypeTemplate {
  struct Piece {
    std::string text;     // the literal text, or the column's name
    bool column = false;  // a column's name
  };
  std::vector<Piece> pieces;
  std::string text;  // as written, for messages
  // The names of the column pieces, in order.
  std::vector<std::string> columns() const;
};

// Parses `text` (kept in result.text). A column's name is everything between the braces (spaces and
// dots included: "{dominant hand}", "{stim_resp.corr}"). Returns false with `problem` set for an
// empty template, "{}", a "{" never closed or inside a name, a lone "}"; e.g. "the { at
// character 5 is never closed (write {{ for a brace)".
[[nodiscard]] bool parseTrialTypeTemplate(std::string_view text, TrialTypeTemplate& result,
                                          std::string& problem);

// Checks the template's columns against `known`, the source's column names. Returns false
// with `problem` naming the first unknown one: "the template names {condtion}, which is not
// a column of the file".
[[nodiscard]] bool checkTemplateColumns(const TrialTypeTemplate& tmpl,
                                        const std::vector<std::string>& known,
                                        std::string& problem);

// The template filled in for one row. `cellOf(k)` gives the cell of the k-th column piece in
// that row, or std::nullopt when the cell holds nothing (for PsychoPy: "", "None", "nan").
// A row with any such cell gets no trial type (std::nullopt; written "n/a"): a name filled in
// part ("_target") would be a wrong condition.
template <class CellOf>
std::optional<std::string> expandTrialTypeTemplate(const TrialTypeTemplate& tmpl, CellOf cellOf) {
  std::string out;
  size_t k = 0;
  for (const TrialTypeTemplate::Piece& piece : tmpl.pieces) {
    if (!piece.column) {
      out += piece.text;
      continue;
    }
    const std::optional<std::string_view> cell = cellOf(k++);
    if (!cell)
      return std::nullopt;
    out += *cell;
  }
  return out;
}

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SETTINGS_TRIAL_TYPE_H_
