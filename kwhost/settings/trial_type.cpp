#include "kwhost/settings/trial_type.h"

#include <algorithm>

#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

std::string at(size_t i) {
  return "character " + std::to_string(i + 1);
}

}  // namespace

std::vector<std::string> TrialTypeTemplate::columns() const {
  std::vector<std::string> names;
  for (const Piece& piece : pieces)
    if (piece.column)
      names.push_back(piece.text);
  return names;
}

bool parseTrialTypeTemplate(std::string_view text, TrialTypeTemplate& result,
                            std::string& problem) {
  TrialTypeTemplate t;
  std::string literal;
  if (text.empty()) {
    problem = "the template is empty";
    return false;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
      literal += c;
      ++i;
    } else if (c == '}') {
      problem = "the } at " + at(i) + " closes nothing (write }} for a brace)";
      return false;
    } else if (c != '{') {
      literal += c;
    } else {
      const size_t close = text.find_first_of("{}", i + 1);
      if (close == std::string_view::npos || text[close] == '{') {
        problem = "the { at " + at(i) + " is never closed (write {{ for a brace)";
        return false;
      }
      if (close == i + 1) {
        problem = "the {} at " + at(i) + " names no column";
        return false;
      }
      if (!literal.empty())
        t.pieces.push_back({literal, false});
      literal.clear();
      t.pieces.push_back({std::string(text.substr(i + 1, close - i - 1)), true});
      i = close;
    }
  }
  if (!literal.empty())
    t.pieces.push_back({literal, false});
  t.text = std::string(text);
  result = std::move(t);
  return true;
}

bool checkTemplateColumns(const TrialTypeTemplate& tmpl, const std::vector<std::string>& known,
                          std::string& problem) {
  for (const std::string& name : tmpl.columns()) {
    if (std::find(known.begin(), known.end(), name) == known.end()) {
      problem = "the template names {" + escapeLine(name) + "}, which is not a column of the file";
      return false;
    }
  }
  return true;
}

}  // namespace stimforge::kwhost
