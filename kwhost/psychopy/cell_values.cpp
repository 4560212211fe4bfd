#include "kwhost/psychopy/cell_values.h"

namespace stimforge::kwhost {
namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

std::string_view unquoted(std::string_view text) {
  text = trimmed(text);
  if (text.size() >= 2 && (text.front() == '\'' || text.front() == '"') &&
      text.back() == text.front())
    return text.substr(1, text.size() - 2);
  return text;
}

}  // namespace

void splitPythonList(std::string_view cell, std::vector<std::string_view>& elements) {
  elements.clear();
  const std::string_view whole = trimmed(cell);
  if (whole.size() < 2 || whole.front() != '[' || whole.back() != ']') {
    if (!whole.empty())
      elements.push_back(unquoted(whole));
    return;
  }
  const std::string_view inner = whole.substr(1, whole.size() - 2);
  if (trimmed(inner).empty())
    return;
  char quote = 0;
  size_t start = 0;
  for (size_t i = 0; i < inner.size(); ++i) {
    const char c = inner[i];
    if (quote != 0) {
      if (c == '\\')
        ++i;  // an escaped character, a quote included
      else if (c == quote)
        quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ',') {
      elements.push_back(unquoted(inner.substr(start, i - start)));
      start = i + 1;
    }
  }
  elements.push_back(unquoted(inner.substr(start)));
}

std::string pythonText(std::string_view element) {
  std::string text;
  text.reserve(element.size());
  for (size_t i = 0; i < element.size(); ++i) {
    const char c = element[i];
    if (c != '\\' || i + 1 == element.size()) {
      text += c;
      continue;
    }
    const char next = element[++i];
    switch (next) {
      case '\\':
      case '\'':
      case '"':
        text += next;
        break;
      case 'n':
        text += '\n';
        break;
      case 't':
        text += '\t';
        break;
      default:
        text += c;
        text += next;
    }
  }
  return text;
}

}  // namespace stimforge::kwhost
