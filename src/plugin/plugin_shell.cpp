#include "plugin/plugin_shell.h"

#include <cstdio>

#include "editing/offset_shift.h"
#include "editing/preset_orders.h"
#include "editing/reorder_command.h"
#include "host/host_api.h"
#include "logimport/import_command.h"
#include "plugin/menu.h"

namespace stimforge {
namespace {

constexpr size_t kMenuBufferSize = 1024;

// Written when something unforeseen (such as running out of memory) stops a run, so that
// the user sees why and no exception reaches the host.
void reportUnexpectedFailure() {
  const HostApi& host = hostApi();
  if (host.kwLogText == nullptr)
    return;
  host.kwLogText("stimforge stopped because of an internal error (out of memory?).");
}

}  // namespace

bool hostVersionSupported(int major, int minor, int subVersion) {
  if (major != 2)
    return major > 2;
  if (minor != 9)
    return minor > 9;
  return subVersion >= 9;
}

bool runMenu(const LogOpener& openLog) {
  const HostApi& host = hostApi();
  host.kwShowLogTab();
  host.kwLogText("\nstimforge> Started...");

  char menu[kMenuBufferSize];
  std::snprintf(menu, sizeof menu, "%s%s%s",
                "Please select an option:<P>1 = Create stimulation protocol from Presentation "
                "Log file",
                "<BR>2 = Change the offset in an existing stimulation protocol",
                "<BR>3 = Sort conditions in an existing stimulation protocol");
  const int choice = host.kwGetIntegerInput(menu, 1, 1, 3);

  switch (choice) {
    case 1:
      if (runImportCommand(openLog) == ImportOutcome::kAborted)
        return false;
      break;
    case 2:
      runOffsetShiftCommand();
      break;
    case 3:
      runReorderCommand();
      break;
    case 4:
      // Not offered by the menu text and outside the bounds asked for: only a host that
      // returns 4 all the same reaches the preset orders.
      runPresetOrderCommand();
      break;
    default:
      host.kwLogText("No valid option selected.");
      host.kwLogText("Cancelled further operations.");
      break;
  }
  host.kwLogText("Finished.\n");
  return true;
}

bool guardedInitPlugin() noexcept {
  try {
    if (!bindHost()) {
      // The table is only usable if an earlier initPlugin bound it.
      if (hostApi().kwLogText != nullptr)
        hostApi().kwLogText("init failed.");
      return false;
    }
    int major = 0;
    int minor = 0;
    int subVersion = 0;
    hostApi().kwGetVersionOfHaldenKW(&major, &minor, &subVersion);
    // The threshold is 2.9.9 although the message names version 20.0: the host's version
    // numbering changed, and 2.9.9 is the oldest release with the entry points used here.
    if (hostVersionSupported(major, minor, subVersion))
      return true;
    hostApi().kwMessageBox("Can not execute this plugin - Halden version 20.0 or higher required.");
    return false;
  } catch (...) {
    reportUnexpectedFailure();
    return false;
  }
}

bool guardedRunMenu(const LogOpener& openLog) noexcept {
  try {
    return runMenu(openLog);
  } catch (...) {
    reportUnexpectedFailure();
    return false;
  }
}

bool guardedExecute() noexcept {
  return guardedRunMenu(openLogFile);
}

}  // namespace stimforge
