// Menu choice 1: create a protocol in milliseconds from a Presentation log file.
#ifndef STIMFORGE_LOGIMPORT_IMPORT_COMMAND_H_
#define STIMFORGE_LOGIMPORT_IMPORT_COMMAND_H_

#include "logformat/log_source.h"
#include "logimport/presentation_log.h"

namespace stimforge {

// The import's log lines go to the host's log pane.
class HostLogSink final : public LogLineSink {
 public:
  void logLine(const char* text) override;
};

enum class ImportOutcome {
  kFinished,  // ran to its end, cancelled or failed: execute writes "Finished.\n"
  kAborted,   // no volume document open: execute returns false at once
};

// The dialogue: the file (opened through `openLog`), its column layout, whether only
// Picture events count; then the log is read, the TR and the duration mode are asked, and
// the protocol is built and saved beside the log. A cancelled dialog, a name too long for
// a protocol file or a log that cannot be read end the command with the host's protocol
// untouched and nothing saved.
ImportOutcome runImportCommand(const LogOpener& openLog);

}  // namespace stimforge

#endif  // STIMFORGE_LOGIMPORT_IMPORT_COMMAND_H_
