// kwhost shift PROTOCOL (--earlier|--later) AMOUNT: every interval moved, saved anew.
#include <CLI/CLI.hpp>

#include <ostream>

#include "kwhost/cli/command_dialogue.h"
#include "kwhost/cli/command_line.h"
#include "kwhost/cli/plugin_runs.h"

namespace stimforge::kwhost {
namespace {

class Shift : public PluginCommand {
 public:
  explicit Shift(CLI::App& command) {
    command.add_option("PROTOCOL", path_, "The protocol file")->required();
    command.add_option("AMOUNT", amountText_, "The amount, in the protocol's time unit")
        ->required();
    earlierFlag_ = command.add_flag("--earlier", "Subtract the amount");
    laterFlag_ = command.add_flag("--later", "Add the amount");
    earlierFlag_->excludes(laterFlag_);
    addSaveOptions(command, save_, true);
  }

  void check() override {
    // Given at all counts, as in "--later=false".
    if (earlierFlag_->count() == 0 && laterFlag_->count() == 0)
      throw UsageError{"shift needs --earlier or --later"};
    earlier_ = earlierFlag_->count() > 0;
    // The bounds of the plug-in's own dialog, which a scripted answer would skip.
    amount_ = wholeNumberWithin(amountText_, "AMOUNT", 0, 3000000);
  }

  int plan(std::vector<PlannedRun>& runs, std::ostream& err) override {
    PlannedRun run;
    if (!loadProtocol(path_, run.protocol, err))
      return kFailure;
    run.hasProtocol = true;
    run.label = "shift " + path_;
    run.answers = shiftDialogue(earlier_, amount_);
    runs.push_back(std::move(run));
    return 0;
  }

 private:
  std::string path_;
  std::string amountText_;
  // Read in check() only, while the command line that owns them still exists.
  CLI::Option* earlierFlag_ = nullptr;
  CLI::Option* laterFlag_ = nullptr;
  bool earlier_ = false;
  int32_t amount_ = 0;
};

}  // namespace

std::unique_ptr<CommandRunner> defineShift(CLI::App& command) {
  return std::make_unique<Shift>(command);
}

}  // namespace stimforge::kwhost
