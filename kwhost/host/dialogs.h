// The host's dialogs. Interactive (answers typed line by line) unless scripted answers are
// given; either way each dialog is shown on the screen with its mark-up rendered.
//
// Interactive: integer answers must lie within the dialog's minimum and maximum (asked
// again otherwise), yes/no takes y or n, the file dialog an existing file; an empty answer
// or the end of input cancels (integer -1, text and file 0, yes/no 0 = no).
// Scripted: each dialog takes the next answer as given, even outside the dialog's bounds;
// "<cancel>" cancels it; an empty answer is an accepted empty text (and "no" for yes/no).
// When no answer is left, or an answer does not suit its dialog, the dialog is cancelled
// and this is reported on the diagnostics stream and in answersRanOut()/answerRefused().
// An answer never reaches a 256-byte buffer cut: one that does not fit is refused.
#ifndef STIMFORGE_KWHOST_HOST_DIALOGS_H_
#define STIMFORGE_KWHOST_HOST_DIALOGS_H_

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "host/host_api.h"

namespace stimforge::kwhost {

// The scripted answer that cancels a dialog.
constexpr char kCancelAnswer[] = "<cancel>";

struct ScriptedAnswer {
  bool cancel = false;
  std::string text;
};

// "<cancel>" as a cancel, any other line as the answer text.
ScriptedAnswer scriptedAnswerFromLine(const std::string& line);

class Dialogs {
 public:
  // Interactive on `keyboard` (null: no input, every dialog is cancelled). `echo` repeats
  // each typed answer on the screen, for input that does not come from a terminal.
  // The streams must outlive the dialogs.
  Dialogs(std::istream* keyboard, bool echo, std::ostream& screen, std::ostream& diagnostics);

  // From now on the dialogs take these answers, in order; the flags below start afresh.
  void script(std::vector<ScriptedAnswer> answers);

  // Shows the text; takes no answer.
  void messageBox(std::string_view text);
  // Non-zero for yes, 0 for no.
  int yesNo(std::string_view question);
  // The number entered, -1 when cancelled.
  int integerInput(std::string_view prompt, int defaultValue, int minimum, int maximum);
  // 1 with the answer in `answer` (kDialogBufferSize bytes, NUL-terminated), 0 when
  // cancelled (`answer` untouched).
  int textInput(std::string_view prompt, std::string_view defaultAnswer, char* answer);
  // 1 with the path in `path` (kDialogBufferSize bytes, NUL-terminated), 0 when cancelled.
  int openFileName(std::string_view title, std::string_view filter, char* path);

  bool scripted() const { return scripted_; }
  bool answersRanOut() const { return ranOut_; }
  bool answerRefused() const { return refused_; }
  size_t unusedAnswers() const { return answers_.size() - next_; }

 private:
  enum class Kind { kInteger, kYesNo, kText, kFile };
  // The next scripted answer, or null (reported) when none is left.
  const ScriptedAnswer* take(Kind kind, std::string_view prompt);
  void refuse(const std::string& why, Kind kind);
  bool readLine(std::string& line);
  void show(char mark, std::string_view text);
  void hint(const std::string& text);
  void echoAnswer(const std::string& text);
  int fillBuffer(Kind kind, const std::string& text, char* buffer);

  std::istream* keyboard_;
  bool echo_;
  std::ostream& screen_;
  std::ostream& diagnostics_;
  bool scripted_ = false;
  std::vector<ScriptedAnswer> answers_;
  size_t next_ = 0;
  bool ranOut_ = false;
  bool refused_ = false;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_HOST_DIALOGS_H_
