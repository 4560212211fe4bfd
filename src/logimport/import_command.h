// Menu choice 1: create a protocol in milliseconds from a Presentation log file.
#ifndef STIMFORGE_LOGIMPORT_IMPORT_COMMAND_H_
#define STIMFORGE_LOGIMPORT_IMPORT_COMMAND_H_

namespace stimforge {

enum class ImportOutcome {
  kFinished,  // ran to its end, cancelled or failed: execute writes "Finished.\n"
  kAborted,   // no volume document open: execute returns false at once
};

ImportOutcome runImportCommand();

}  // namespace stimforge

#endif  // STIMFORGE_LOGIMPORT_IMPORT_COMMAND_H_
