#include "kwhost/cli/command_triggers.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>

#include "kwhost/cli/command_line.h"
#include "kwhost/cli/command_table.h"
#include "kwhost/cli/setting_options.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/runs/run_pipeline.h"
#include "kwhost/triggers/report.h"

namespace stimforge::kwhost {
namespace {

// A refusal's message without the file's name in front: the report names the file itself.
std::string problemOf(const Refusal& refusal, const std::string& path) {
  const std::string prefix = path + ": ";
  return refusal.message.compare(0, prefix.size(), prefix) == 0
             ? refusal.message.substr(prefix.size())
             : refusal.message;
}

// Reads one log and reports it. Returns 0, 1 or 2 as runTriggersCommand does for it.
int checkLog(const std::string& path, const TriggersOptions& options, const SettingWords& words,
             const SourceOpener& open, const BoldRun* bold, nlohmann::json& reports,
             std::ostream& out, std::ostream& err) {
  Refusal refusal;
  const std::unique_ptr<StimulusSource> source = open(path, refusal);
  RunCheck check;
  std::string problem = "cannot be opened";
  if (source != nullptr) {
    RunRequest request;
    request.source = source.get();
    request.name = path;
    request.settings = &options.settings;
    request.bold = bold;
    request.words = &words;
    refusal = checkRunTriggers(request, false, check);
    problem = refusal.refused() ? problemOf(refusal, path) : "";
  }
  if (!problem.empty()) {
    err << "kwhost: " << escapeLine(path) << ": " << problem << "\n";
    reports.push_back(jsonError(path, problem));
    return kTriggerUnreadable;
  }
  const LogReport report{path,
                         check.trigger,
                         check.triggers,
                         check.report,
                         check.outside,
                         bold,
                         bold != nullptr ? &*check.scan : nullptr,
                         words,
                         check.advice ? &*check.advice : nullptr,
                         check.partialTriggers ? &*check.partialTriggers : nullptr,
                         check.partialCheck ? &*check.partialCheck : nullptr};
  if (options.json)
    reports.push_back(jsonReport(report));
  else
    out << textReport(report);
  return reportFindings(report).empty() ? kSuccess : kTriggerFindings;
}

// The settings `kwhost triggers` takes.
const std::vector<Setting> kTriggersSettings = {Setting::kTrigger, Setting::kTr, Setting::kVolumes,
                                                Setting::kSkip, Setting::kScan};

class Triggers : public CommandRunner {
 public:
  explicit Triggers(CLI::App& command) : settings_(addOptions(command), kTriggersSettings) {
    command
        .add_option("--bold", options_.bold,
                    "The run's BOLD image (.nii or .nii.gz): check one LOG against it")
        ->type_name("FILE");
    command.add_flag("--json", options_.json, "Print one JSON array, one object per log");
  }

  void check() override {
    options_.settings = settings_.parse();
    const RunSettings& settings = options_.settings;
    if (!options_.bold.empty() && options_.logs.size() != 1)
      throw UsageError{"--bold checks one LOG against its image; " +
                       std::to_string(options_.logs.size()) + " were given"};
    if (settings.skip && settings.skip->automatic && options_.bold.empty())
      throw UsageError{"--skip auto works out K from the image: it needs --bold"};
    if (settings.scan && options_.bold.empty())
      throw UsageError{"--scan works with --bold only"};
  }

  int run(const CommandContext& context) override {
    const SourceOpener open = [](const std::string& path, Refusal& refusal) {
      return openStimulusSource(path, path, refusal);
    };
    return runTriggersCommand(options_, settings_.words(), open, context.out, context.err);
  }

 private:
  CLI::App& addOptions(CLI::App& command) {
    command.add_option("LOG", options_.logs, "Stimulus logs")->required();
    return command;
  }

  TriggersOptions options_;
  SettingOptions settings_;
};

}  // namespace

int runTriggersCommand(const TriggersOptions& options, const SettingWords& words,
                       const SourceOpener& open, std::ostream& out, std::ostream& err) {
  nlohmann::json reports = nlohmann::json::array();
  std::optional<BoldRun> bold;
  if (!options.bold.empty()) {
    BoldRun run;
    std::string message;
    // With --tr the check has a TR of its own: an image without one is no refusal then.
    if (!readBoldRun(std::filesystem::u8path(options.bold), options.settings.tr.has_value(), run,
                     message)) {
      err << "kwhost: " << escapeLine(message) << "\n";
      return kTriggerUnreadable;
    }
    bold = std::move(run);
  }
  int status = kSuccess;
  for (size_t i = 0; i < options.logs.size(); ++i) {
    if (i > 0 && !options.json)
      out << "\n";
    status = std::max(status, checkLog(options.logs[i], options, words, open,
                                       bold ? &*bold : nullptr, reports, out, err));
  }
  if (options.json)
    out << reports.dump(2) << "\n";
  return status;
}

std::unique_ptr<CommandRunner> defineTriggers(CLI::App& command) {
  return std::make_unique<Triggers>(command);
}

}  // namespace stimforge::kwhost
