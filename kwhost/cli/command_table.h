// kwhost's commands in one table, as Ninja keeps its tools (ninja.cc: {name, description,
// when, function}): each row names a command, gives its one-line help, says what it needs
// and names the function that defines it (its options, and the code that runs it). Each
// command's code sits in a file named after it (command_show.cpp for `kwhost show`).
//
// Adding a command: one row in command_table.cpp (and the declaration of its define
// function beside the table), one file command_NAME.cpp (listed in kwhost/cli/CMakeLists.txt).
#ifndef STIMFORGE_KWHOST_CLI_COMMAND_TABLE_H_
#define STIMFORGE_KWHOST_CLI_COMMAND_TABLE_H_

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>

#include "kwhost/cli/exit_status.h"
#include "kwhost/host/version.h"

namespace CLI {
class App;
}

namespace stimforge::kwhost {

// What a command needs before it can do its work (Ninja's `when`). It decides which of the
// host options the command takes; any other host option given is a usage error.
enum class Needs {
  kNothing,        // its own arguments and files only (no host options)
  kProtocolFiles,  // reads protocol files (no host options)
  kPluginLibrary,  // loads the plug-in library without starting it (--plugin)
  kPluginRuns,     // runs the plug-in in a host session (every host option)
};

// The host options, checked. A command receives the defaults for those it does not take.
struct HostOptions {
  std::string pluginPath;  // --plugin; "" = the library beside the executable
  HostVersion hostVersion;
  bool volumeOpen = true;      // not --no-volume
  std::string logPath;         // --log; "" = none
  std::string transcriptPath;  // --transcript; "" = none
};

// What a command runs with: the host options, the keyboard that answers dialogs typed on
// the terminal, the screen (`out`: log pane and dialogs) and kwhost's own messages (`err`).
struct CommandContext {
  const HostOptions& host;
  std::istream& keyboard;
  bool keyboardIsTerminal;
  std::ostream& out;
  std::ostream& err;
};

// One command, its options registered on its CLI11 subcommand and bound to its members.
class CommandRunner {
 public:
  virtual ~CommandRunner() = default;
  // After parsing: turns the command's words into values. Throws UsageError.
  virtual void check() {}
  // Does the command's work. Returns the exit status (see app.h).
  virtual int run(const CommandContext& context) = 0;
};

// Registers a command's options and arguments on `command` (its CLI11 subcommand, which
// already holds the host options its Needs allow) and returns the runner they are bound to.
using DefineCommand = std::unique_ptr<CommandRunner> (*)(CLI::App& command);

struct Command {
  const char* name;
  const char* description;  // the one-line help of `kwhost --help`
  Needs needs;
  DefineCommand define;
  const char* exitStatus;  // the footer of `kwhost NAME --help`: "Exit status: 0 when ..."
};

// The table, in the order of `kwhost --help`.
const Command* commandTable();
size_t commandCount();

// The commands' names, "info, show, ...", for messages.
std::string commandNames();

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_COMMAND_TABLE_H_
