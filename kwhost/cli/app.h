// kwhost as a whole: the command line, then the chosen command of the command table.
#ifndef STIMFORGE_KWHOST_CLI_APP_H_
#define STIMFORGE_KWHOST_CLI_APP_H_

#include <iosfwd>

#include "kwhost/cli/command_line.h"

namespace stimforge::kwhost {

// Runs one invocation: its command's runner. Returns the exit status: 0 when every
// plug-in run logged "Plugin operations finished successfully." and every save was written
// (info and show: when they could do their work); 1 when a run was cancelled or failed, a
// file is missing, malformed or cannot be written, the plug-in cannot be loaded or refuses
// to start, or the scripted answers ran out or did not suit their dialog; kUsageError for
// a line of an --answers file that does not fit a dialog.
// `out` is the screen (log pane and dialogs), `err` gets kwhost's own messages; `keyboard`
// answers the dialogs unless they are scripted.
int runInvocation(const Invocation& invocation, std::istream& keyboard, bool keyboardIsTerminal,
                  std::ostream& out, std::ostream& err);

// parseCommandLine, then runInvocation on the standard streams.
int runKwhost(int argc, const char* const* argv);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_APP_H_
