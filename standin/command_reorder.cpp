// kwhost reorder PROTOCOL ORDER: the conditions in a new order, saved anew.
#include <CLI/CLI.hpp>

#include <ostream>

#include "standin/cli.h"
#include "standin/command_dialogue.h"
#include "standin/plugin_runs.h"

namespace stimforge::standin {
namespace {

class Reorder : public PluginCommand {
 public:
  explicit Reorder(CLI::App& command) {
    command.add_option("PROTOCOL", path_, "The protocol file")->required();
    command
        .add_option("ORDER", order_,
                    "For each new position, the index of the condition that goes there, "
                    "e.g. 2,0,1")
        ->required();
  }

  void check() override { requireFit(order_, "ORDER"); }

  int plan(std::vector<PlannedRun>& runs, std::ostream& err) override {
    PlannedRun run;
    if (!loadProtocol(path_, run.protocol, err))
      return kFailure;
    run.hasProtocol = true;
    run.label = "reorder " + path_;
    run.answers = reorderDialogue(order_);
    runs.push_back(std::move(run));
    return 0;
  }

 private:
  std::string path_;
  std::string order_;
};

}  // namespace

std::unique_ptr<CommandRunner> defineReorder(CLI::App& command) {
  return std::make_unique<Reorder>(command);
}

}  // namespace stimforge::standin
