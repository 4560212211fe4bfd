// kwhost's command line (CLI11): one subcommand per row of the command table, parsed into
// the chosen command's runner and the host options, checked.
#ifndef STIMFORGE_KWHOST_CLI_COMMAND_LINE_H_
#define STIMFORGE_KWHOST_CLI_COMMAND_LINE_H_

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "kwhost/cli/command_table.h"

namespace stimforge::kwhost {

// What the user asked for: a row of the command table, its runner with the command's own
// options, and the host options.
struct Invocation {
  const Command* command = nullptr;
  HostOptions host;
  std::unique_ptr<CommandRunner> runner;
};

// Raised by the checks after parsing (CommandRunner::check); reported like CLI11's own
// usage errors.
struct UsageError {
  std::string message;
};

// Parses and checks the command line. Returns -1 with `invocation` filled when kwhost
// should go on; otherwise the exit status to end with: 0 after --help (printed on `out`),
// kUsageError after a usage error, reported on `err` with a pointer to --help.
// The host options may stand before or after the command; one the command does not take
// (see Needs), like any option of another command, is a usage error that names it.
int parseCommandLine(int argc, const char* const* argv, Invocation& invocation, std::ostream& out,
                     std::ostream& err);

// Reports a usage error found after parsing (such as a line of an --answers file that
// does not fit a dialog) as parseCommandLine does, and returns kUsageError.
int reportUsageError(const std::string& message, std::ostream& err);

// Checks that a scripted answer fits the dialogs' 256-byte buffers. Returns false with
// `error` set when it does not; `what` names the answer in the message.
[[nodiscard]] bool answerFitsDialog(const std::string& text, const std::string& what,
                                    std::string& error);

// For the commands' checks: `text` as a whole number, else a UsageError naming `what`.
int32_t wholeNumber(const std::string& text, const std::string& what);

// For the commands' checks: `text` as a whole number from `low` to `high`, else a
// UsageError naming `what`, the value and the bounds.
int32_t wholeNumberWithin(const std::string& text, const std::string& what, int32_t low,
                          int32_t high);

// For the commands' checks: a UsageError unless `text` fits a dialog.
void requireFit(const std::string& text, const std::string& what);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_COMMAND_LINE_H_
