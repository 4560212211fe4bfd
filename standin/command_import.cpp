// kwhost import LOG...: a protocol from each Presentation log file, one plug-in run each.
#include <CLI/CLI.hpp>

#include <ostream>

#include "standin/cli.h"
#include "standin/command_dialogue.h"
#include "standin/plugin_runs.h"
#include "standin/protocol_file_io.h"
#include "standin/text_codec.h"

namespace stimforge::standin {
namespace {

class Import : public PluginCommand {
 public:
  explicit Import(CLI::App& command) {
    command.add_option("LOG", logs_, "Presentation log files")->required();
    command.add_flag("--subject-column", options_.subjectColumn,
                     "The logs have a Subject column first");
    command.add_flag("--pictures-only", options_.picturesOnly, "Only Picture events count");
    command
        .add_option("--duration", duration_,
                    "Event durations: next (time until the next event, default) or column "
                    "(the Duration column)")
        ->type_name("MODE")
        ->check(CLI::IsMember({"next", "column"}));
    command.add_option("--tr", tr_, "The repetition time in milliseconds (default 2000)")
        ->type_name("MS");
  }

  void check() override {
    options_.repetitionTimeMs = wholeNumber(tr_, "--tr");
    options_.duration =
        duration_ == "column" ? DurationMode::kDurationColumn : DurationMode::kNextEvent;
    for (const std::string& log : logs_)
      requireFit(log, "the log file's path \"" + escapeLine(log) + "\"");
  }

  int plan(std::vector<PlannedRun>& runs, std::ostream& err) override {
    int status = 0;
    for (const std::string& log : logs_) {
      std::string error;
      if (!checkReadable(log, error)) {
        err << "kwhost: " << escapeLine(error) << '\n';
        status = kFailure;
        continue;
      }
      PlannedRun run;
      run.label = "import " + log;
      run.answers = importDialogue(log, options_);
      runs.push_back(std::move(run));
    }
    return status;
  }

 private:
  std::vector<std::string> logs_;
  ImportOptions options_;
  std::string tr_ = "2000";
  std::string duration_ = "next";
};

}  // namespace

std::unique_ptr<CommandRunner> defineImport(CLI::App& command) {
  return std::make_unique<Import>(command);
}

}  // namespace stimforge::standin
