// kwhost preset PROTOCOL TYPE: the conditions reordered and recoloured by a preset
// analysis type (menu answer 4), saved anew.
#include <CLI/CLI.hpp>

#include <ostream>

#include "kwhost/cli/command_dialogue.h"
#include "kwhost/cli/command_line.h"
#include "kwhost/cli/plugin_runs.h"

namespace stimforge::kwhost {
namespace {

class Preset : public PluginCommand {
 public:
  explicit Preset(CLI::App& command) {
    command.add_option("PROTOCOL", path_, "The protocol file")->required();
    command.add_option("TYPE", typeText_, "The analysis type, 1 to 7")->required();
    addSaveOptions(command, save_, true);
  }

  // The types the plug-in knows (`kwhost run --answer` still hands any type over).
  void check() override { analysisType_ = wholeNumberWithin(typeText_, "TYPE", 1, 7); }

  int plan(std::vector<PlannedRun>& runs, std::ostream& err) override {
    PlannedRun run;
    if (!loadProtocol(path_, run.protocol, err))
      return kFailure;
    run.hasProtocol = true;
    run.label = "preset " + path_;
    run.answers = presetDialogue(analysisType_);
    runs.push_back(std::move(run));
    return 0;
  }

 private:
  std::string path_;
  std::string typeText_;
  int32_t analysisType_ = 0;
};

}  // namespace

std::unique_ptr<CommandRunner> definePreset(CLI::App& command) {
  return std::make_unique<Preset>(command);
}

}  // namespace stimforge::kwhost
