#include "logimport/import_command.h"

#include "host/host_api.h"

namespace stimforge {

ImportOutcome runImportCommand() {
  hostApi().kwLogText("This command is not available yet.");
  return ImportOutcome::kFinished;
}

}  // namespace stimforge
