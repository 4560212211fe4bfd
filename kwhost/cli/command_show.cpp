// kwhost show PROTOCOL: a protocol file as a readable table.
#include <CLI/CLI.hpp>

#include <ostream>

#include "kwhost/cli/command_table.h"
#include "kwhost/cli/plugin_runs.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/protocol/file_io.h"
#include "kwhost/protocol/table.h"

namespace stimforge::kwhost {
namespace {

class Show : public CommandRunner {
 public:
  explicit Show(CLI::App& command) {
    command.add_option("PROTOCOL", path_, "The protocol file")->required();
  }

  int run(const CommandContext& context) override {
    Protocol protocol;
    std::string error;
    if (!readProtocolFile(path_, protocol, error)) {
      context.err << "kwhost: " << escapeLine(error) << '\n';
      return kFailure;
    }
    context.out << formatProtocolTable(protocol);
    return 0;
  }

 private:
  std::string path_;
};

}  // namespace

std::unique_ptr<CommandRunner> defineShow(CLI::App& command) {
  return std::make_unique<Show>(command);
}

}  // namespace stimforge::kwhost
