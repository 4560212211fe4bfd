// kwhost reorder PROTOCOL ORDER: the conditions in a new order, saved anew.
#include <CLI/CLI.hpp>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "kwhost/cli/command_dialogue.h"
#include "kwhost/cli/command_line.h"
#include "kwhost/cli/plugin_runs.h"
#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

std::vector<std::string> entriesOf(const std::string& order) {
  std::vector<std::string> entries;
  size_t begin = 0;
  for (;;) {
    const size_t comma = order.find(',', begin);
    std::string entry = order.substr(begin, comma == std::string::npos ? comma : comma - begin);
    const size_t first = entry.find_first_not_of(' ');
    const size_t last = entry.find_last_not_of(' ');
    entries.push_back(first == std::string::npos ? "" : entry.substr(first, last - first + 1));
    if (comma == std::string::npos)
      return entries;
    begin = comma + 1;
  }
}

std::string named(size_t index, const Protocol& protocol) {
  return std::to_string(index) + " (" + escapeLine(protocol.conditions[index].name) + ")";
}

// The condition indices of ORDER's entries: whole numbers, or with --names the conditions'
// names. Throws UsageError for an entry that names no condition.
std::vector<size_t> indicesOf(const std::vector<std::string>& entries, const Protocol& protocol,
                              bool byName) {
  const size_t n = protocol.conditions.size();
  std::map<std::string, std::vector<size_t>> byNames;
  for (size_t i = 0; i < n; ++i)
    byNames[protocol.conditions[i].name].push_back(i);
  std::vector<size_t> indices;
  for (const std::string& entry : entries) {
    if (byName) {
      const auto found = byNames.find(entry);
      if (found == byNames.end()) {
        throw UsageError{"ORDER: no condition is named \"" + escapeLine(entry) +
                         "\" (names are exact and case-sensitive; a name holding a comma "
                         "cannot be given with --names: give indices instead)"};
      }
      if (found->second.size() > 1) {
        throw UsageError{"ORDER: " + std::to_string(found->second.size()) +
                         " conditions are named \"" + escapeLine(entry) +
                         "\"; give the order as indices instead of --names"};
      }
      indices.push_back(found->second.front());
      continue;
    }
    int32_t value = -1;
    if (entry.empty() || entry.find_first_not_of("0123456789") != std::string::npos ||
        !parseInt32(entry, value) || static_cast<size_t>(value) >= n) {
      throw UsageError{"ORDER: \"" + escapeLine(entry) + "\" is not a condition index from 0 to " +
                       std::to_string(n == 0 ? 0 : n - 1)};
    }
    indices.push_back(static_cast<size_t>(value));
  }
  return indices;
}

// Refuses an order that does not give every condition exactly once.
void requireEveryConditionOnce(const std::vector<size_t>& indices, const Protocol& protocol) {
  std::vector<int> seen(protocol.conditions.size(), 0);
  for (const size_t index : indices)
    ++seen[index];
  std::string missing;
  std::string repeated;
  for (size_t i = 0; i < seen.size(); ++i) {
    if (seen[i] == 0)
      missing += (missing.empty() ? "" : ", ") + named(i, protocol);
    if (seen[i] > 1)
      repeated += (repeated.empty() ? "" : ", ") + named(i, protocol);
  }
  if (missing.empty() && repeated.empty())
    return;
  std::string message = "ORDER must give each of the " +
                        std::to_string(protocol.conditions.size()) + " conditions exactly once;";
  if (!missing.empty())
    message += " missing: " + missing + ";";
  if (!repeated.empty())
    message += " repeated: " + repeated + ";";
  throw UsageError{message + " give --partial to hand the order to the plug-in as it is"};
}

class Reorder : public PluginCommand {
 public:
  explicit Reorder(CLI::App& command) {
    command.add_option("PROTOCOL", path_, "The protocol file")->required();
    command
        .add_option("ORDER", order_,
                    "For each new position, the index of the condition that goes there, "
                    "e.g. 2,0,1; each condition exactly once")
        ->required();
    command.add_flag("--names", byName_,
                     "ORDER gives the conditions' names (exact, separated by commas)");
    command.add_flag("--partial", partial_,
                     "Hand ORDER to the plug-in as it is: conditions left out or repeated "
                     "are left out or repeated");
    addSaveOptions(command, save_, true);
  }

  void check() override {
    if (!byName_)
      requireFit(order_, "ORDER");
  }

  int plan(std::vector<PlannedRun>& runs, std::ostream& err) override {
    PlannedRun run;
    if (!loadProtocol(path_, run.protocol, err))
      return kFailure;
    std::string order = order_;
    try {
      // With no conditions there is nothing to order: the plug-in takes any answer.
      if (!run.protocol.conditions.empty() && (byName_ || !partial_)) {
        const std::vector<size_t> indices = indicesOf(entriesOf(order_), run.protocol, byName_);
        if (!partial_)
          requireEveryConditionOnce(indices, run.protocol);
        order.clear();
        for (const size_t index : indices)
          order += (order.empty() ? "" : ",") + std::to_string(index);
      }
      requireFit(order, byName_ ? "the order's index text" : "ORDER");
    } catch (const UsageError& e) {
      return reportUsageError(e.message, err);
    }
    run.hasProtocol = true;
    run.label = "reorder " + path_;
    run.answers = reorderDialogue(order);
    runs.push_back(std::move(run));
    return 0;
  }

 private:
  std::string path_;
  std::string order_;
  bool byName_ = false;
  bool partial_ = false;
};

}  // namespace

std::unique_ptr<CommandRunner> defineReorder(CLI::App& command) {
  return std::make_unique<Reorder>(command);
}

}  // namespace stimforge::kwhost
