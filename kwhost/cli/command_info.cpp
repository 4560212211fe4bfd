// kwhost info: the plug-in's exported texts, read from the library without starting it.
#include <CLI/CLI.hpp>

#include <ostream>

#include "kwhost/cli/command_table.h"
#include "kwhost/cli/plugin_runs.h"
#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

// `label` and `text` rendered, later lines indented under the first.
void printField(std::ostream& out, const char* label, const std::string& text) {
  out << label;
  for (const char c : renderMarkup(text)) {
    out << c;
    if (c == '\n')
      out << "             ";
  }
  out << '\n';
}

class Info : public CommandRunner {
 public:
  int run(const CommandContext& context) override {
    std::unique_ptr<LoadedPlugin> plugin = loadPlugin(context.host, context.err);
    if (plugin == nullptr)
      return kFailure;
    const PluginInfo info = plugin->info();
    std::ostream& out = context.out;
    printField(out, "Plug-in      ", pluginPath(context.host));
    printField(out, "Name         ", info.name);
    printField(out, "Version      ", info.version);
    printField(out, "Author       ", info.author);
    printField(out, "Description  ", info.description);
    return 0;
  }
};

}  // namespace

std::unique_ptr<CommandRunner> defineInfo(CLI::App& /*command*/) {
  return std::make_unique<Info>();
}

}  // namespace stimforge::kwhost
