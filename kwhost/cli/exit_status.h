// kwhost's exit statuses, the one place they are defined. Only the command line turns what a
// library says (a kind of refusal, findings) into one of them.
#ifndef STIMFORGE_KWHOST_CLI_EXIT_STATUS_H_
#define STIMFORGE_KWHOST_CLI_EXIT_STATUS_H_

namespace stimforge::kwhost {

// Every command: done.
constexpr int kSuccess = 0;
// Every command but triggers: a run cancelled or failed, a file missing, unreadable or
// malformed, a save not written, the scripted answers run out.
constexpr int kFailure = 1;
// Every command but triggers: the command line (or a file that stands for part of it, such
// as an --answers file or a --map pattern) cannot be used.
constexpr int kUsageError = 2;

// kwhost triggers: a log whose triggers have findings.
constexpr int kTriggerFindings = 1;
// kwhost triggers: a log that could not be opened or read, or that is no Presentation log.
constexpr int kTriggerUnreadable = 2;

// kwhost design: a design with findings.
constexpr int kDesignFindings = 1;
// kwhost design: a usage error, an input that cannot be read or used, or a picture that
// cannot be saved.
constexpr int kDesignUnusable = 2;

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_EXIT_STATUS_H_
