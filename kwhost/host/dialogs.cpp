#include "kwhost/host/dialogs.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <istream>
#include <ostream>
#include <utility>

#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

const char* kindName(int kind) {
  static const char* const kNames[] = {"integer", "yes/no", "text", "file"};
  return kNames[kind];
}

// The first line of a dialog's text, as a short reminder in a message.
std::string firstLine(std::string_view text) {
  std::string rendered = renderMarkup(text);
  const size_t end = rendered.find('\n');
  if (end != std::string::npos)
    rendered.erase(end);
  return rendered;
}

std::string trimmed(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
    ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
    --end;
  return text.substr(begin, end - begin);
}

std::string lowered(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// 1 for yes, 0 for no, -1 for anything else. Empty means no.
int yesNoValue(const std::string& answer) {
  const std::string word = lowered(trimmed(answer));
  if (word == "y" || word == "yes")
    return 1;
  if (word.empty() || word == "n" || word == "no")
    return 0;
  return -1;
}

}  // namespace

ScriptedAnswer scriptedAnswerFromLine(const std::string& line) {
  ScriptedAnswer answer;
  answer.cancel = line == kCancelAnswer;
  if (!answer.cancel)
    answer.text = line;
  return answer;
}

Dialogs::Dialogs(std::istream* keyboard, bool echo, std::ostream& screen, std::ostream& diagnostics)
    : keyboard_(keyboard), echo_(echo), screen_(screen), diagnostics_(diagnostics) {}

void Dialogs::script(std::vector<ScriptedAnswer> answers) {
  scripted_ = true;
  answers_ = std::move(answers);
  next_ = 0;
  ranOut_ = false;
  refused_ = false;
}

void Dialogs::show(char mark, std::string_view text) {
  // The dialog's text, its first line marked, the others indented under it.
  const std::string rendered = renderMarkup(text);
  screen_ << mark << ' ';
  for (size_t i = 0; i < rendered.size(); ++i) {
    screen_ << rendered[i];
    // Indent every later line, empty ones excepted (no trailing blanks).
    if (rendered[i] == '\n' && i + 1 < rendered.size() && rendered[i + 1] != '\n')
      screen_ << "  ";
  }
  screen_ << '\n';
}

void Dialogs::hint(const std::string& text) {
  screen_ << "  [" << text << "] > ";
  if (!scripted_)
    screen_.flush();  // the user must see the question before typing
}

void Dialogs::echoAnswer(const std::string& text) {
  screen_ << escapeLine(text) << '\n';
}

const ScriptedAnswer* Dialogs::take(Kind kind, std::string_view prompt) {
  if (next_ < answers_.size())
    return &answers_[next_++];
  ranOut_ = true;
  echoAnswer("(no answer left: cancelled)");
  diagnostics_ << "kwhost: no scripted answer left for the " << kindName(static_cast<int>(kind))
               << " dialog \"" << escapeLine(firstLine(prompt)) << "\"; it is cancelled\n";
  return nullptr;
}

void Dialogs::refuse(const std::string& why, Kind kind) {
  refused_ = true;
  echoAnswer("(refused: cancelled)");
  diagnostics_ << "kwhost: scripted answer " << next_ << ' ' << why << "; the "
               << kindName(static_cast<int>(kind)) << " dialog is cancelled\n";
}

bool Dialogs::readLine(std::string& line) {
  if (keyboard_ == nullptr || !std::getline(*keyboard_, line)) {
    screen_ << "(end of input: cancelled)\n";
    return false;
  }
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
  if (echo_)
    echoAnswer(line);
  return true;
}

int Dialogs::fillBuffer(Kind kind, const std::string& text, char* buffer) {
  if (text.size() >= kDialogBufferSize) {
    const std::string why = "is " + std::to_string(text.size()) + " bytes long, more than the " +
                            std::to_string(kDialogBufferSize - 1) + " the dialog takes";
    if (scripted_) {
      refuse(why, kind);
    } else {
      screen_ << "  The answer " << why << ".\n";
    }
    return 0;
  }
  if (text.find('\0') != std::string::npos) {
    if (scripted_)
      refuse("holds a NUL byte", kind);
    return 0;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return 1;
}

void Dialogs::messageBox(std::string_view text) {
  show('!', text);
}

int Dialogs::yesNo(std::string_view question) {
  show('?', question);
  hint(scripted_ ? "y/n" : "y/n, empty means no");
  if (scripted_) {
    const ScriptedAnswer* answer = take(Kind::kYesNo, question);
    if (answer == nullptr)
      return 0;
    if (answer->cancel) {
      echoAnswer(kCancelAnswer);
      return 0;
    }
    echoAnswer(answer->text);
    const int value = yesNoValue(answer->text);
    if (value < 0) {
      refuse("\"" + escapeLine(answer->text) + "\" is not y, yes, n or no", Kind::kYesNo);
      return 0;
    }
    return value;
  }
  for (;;) {
    std::string line;
    if (!readLine(line))
      return 0;
    const int value = yesNoValue(line);
    if (value >= 0)
      return value;
    screen_ << "  Please answer y or n.\n";
    hint("y/n, empty means no");
  }
}

int Dialogs::integerInput(std::string_view prompt, int defaultValue, int minimum, int maximum) {
  show('?', prompt);
  const std::string range = "whole number " + std::to_string(minimum) + " to " +
                            std::to_string(maximum) + ", default " + std::to_string(defaultValue);
  if (scripted_) {
    hint(range);
    const ScriptedAnswer* answer = take(Kind::kInteger, prompt);
    if (answer == nullptr)
      return -1;
    if (answer->cancel) {
      echoAnswer(kCancelAnswer);
      return -1;
    }
    echoAnswer(answer->text);
    int32_t value = 0;
    if (!parseInt32(answer->text, value)) {
      refuse("\"" + escapeLine(answer->text) + "\" is not a whole number", Kind::kInteger);
      return -1;
    }
    return value;  // as given, even outside the bounds
  }
  for (;;) {
    hint(range + "; empty cancels");
    std::string line;
    if (!readLine(line))
      return -1;
    line = trimmed(line);
    if (line.empty())
      return -1;
    int32_t value = 0;
    if (!parseInt32(line, value)) {
      screen_ << "  Please enter a whole number.\n";
      continue;
    }
    if (value < minimum || value > maximum) {
      screen_ << "  Please enter a number from " << minimum << " to " << maximum << ".\n";
      continue;
    }
    return value;
  }
}

int Dialogs::textInput(std::string_view prompt, std::string_view defaultAnswer, char* answer) {
  show('?', prompt);
  const std::string label = "text, default \"" + escapeLine(defaultAnswer) + "\"";
  if (scripted_) {
    hint(label);
    const ScriptedAnswer* given = take(Kind::kText, prompt);
    if (given == nullptr)
      return 0;
    if (given->cancel) {
      echoAnswer(kCancelAnswer);
      return 0;
    }
    echoAnswer(given->text);
    return fillBuffer(Kind::kText, given->text, answer);
  }
  for (;;) {
    hint(label + "; empty cancels");
    std::string line;
    if (!readLine(line) || line.empty())
      return 0;
    if (fillBuffer(Kind::kText, line, answer) == 1)
      return 1;
  }
}

int Dialogs::openFileName(std::string_view title, std::string_view filter, char* path) {
  show('?', title);
  const std::string label = "file, " + escapeLine(filter);
  if (scripted_) {
    hint(label);
    const ScriptedAnswer* given = take(Kind::kFile, title);
    if (given == nullptr)
      return 0;
    if (given->cancel) {
      echoAnswer(kCancelAnswer);
      return 0;
    }
    echoAnswer(given->text);
    return fillBuffer(Kind::kFile, given->text, path);
  }
  for (;;) {
    hint(label + "; empty cancels");
    std::string line;
    if (!readLine(line) || line.empty())
      return 0;
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(std::filesystem::path(line), ignored)) {
      screen_ << "  No such file: " << escapeLine(line) << "\n";
      continue;
    }
    if (fillBuffer(Kind::kFile, line, path) == 1)
      return 1;
  }
}

}  // namespace stimforge::kwhost
