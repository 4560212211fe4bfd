// kwhost run [PROTOCOL]: the plug-in's menu, answered on the keyboard or scripted with
// --answer/--answers; PROTOCOL becomes the current protocol.
#include <CLI/CLI.hpp>

#include <ostream>

#include "kwhost/cli/command_line.h"
#include "kwhost/cli/plugin_runs.h"
#include "kwhost/common/lines.h"
#include "kwhost/common/read_file.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/protocol/file_io.h"

namespace stimforge::kwhost {
namespace {

// Reads the --answers file: one answer per line, "\r\n" line ends allowed, no answer
// after a final line break.
int readAnswersFile(const std::string& path, std::vector<ScriptedAnswer>& answers,
                    std::ostream& err) {
  std::string text;
  std::string error;
  if (!readWholeFile(path, text, error)) {
    err << "kwhost: " << escapeLine(error) << '\n';
    return kFailure;
  }
  LineSplitter lines(text);
  std::string_view view;
  while (lines.next(view)) {
    const std::string line(view);
    if (!answerFitsDialog(line, path + ":" + std::to_string(lines.lineNumber()), error))
      return reportUsageError(error, err);
    answers.push_back(scriptedAnswerFromLine(line));
  }
  return 0;
}

class Run : public PluginCommand {
 public:
  explicit Run(CLI::App& command) {
    command.add_option("PROTOCOL", path_, "A protocol file to make the current protocol");
    command
        .add_option("--answer", answers_,
                    "Answer the next dialog with VALUE (repeatable; <cancel> cancels)")
        ->type_name("VALUE")
        ->allow_extra_args(false);
    command
        .add_option("--answers", answersPath_,
                    "Answer the dialogs with the lines of FILE, one answer per line")
        ->type_name("FILE");
    addSaveOptions(command, save_, false);
  }

  void check() override {
    if (!answers_.empty() && !answersPath_.empty())
      throw UsageError{"--answer and --answers cannot be used together"};
    for (size_t i = 0; i < answers_.size(); ++i)
      requireFit(answers_[i], "--answer " + std::to_string(i + 1));
  }

  int plan(std::vector<PlannedRun>& runs, std::ostream& err) override {
    PlannedRun run;
    run.label = "run";
    if (!path_.empty()) {
      if (!loadProtocol(path_, run.protocol, err))
        return kFailure;
      run.hasProtocol = true;
    }
    run.scripted = !answers_.empty() || !answersPath_.empty();
    for (const std::string& answer : answers_)
      run.answers.push_back(scriptedAnswerFromLine(answer));
    int status = 0;
    if (!answersPath_.empty())
      status = readAnswersFile(answersPath_, run.answers, err);
    runs.push_back(std::move(run));
    return status;
  }

 protected:
  bool reportsUnusedAnswers() const override { return true; }

 private:
  std::string path_;
  std::vector<std::string> answers_;
  std::string answersPath_;
};

}  // namespace

std::unique_ptr<CommandRunner> defineRun(CLI::App& command) {
  return std::make_unique<Run>(command);
}

}  // namespace stimforge::kwhost
