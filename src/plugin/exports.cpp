// The library's plain exported functions (the export macro is in export_macro.h).
#include <new>

#include "plugin/plugin_interface.h"
#include "plugin/version.h"

namespace {

const char kDescription[] =
    "~~~ stimforge (v" SF_VERSION_MAJOR_MINOR
    ") ~~~<BR>"
    "Generates a Halden Stimulation Protocol file (*.prt) in milliseconds from a Presentation "
    "Log file (*.log).<BR>"
    "Each Picture, Sound, Video or Response event will result in a new condition.<BR>"
    "It is also possible to shift the offset of all intervals by a certain amount (in "
    "milliseconds).<BR>"
    "Other functions are sorting the conditions of an existing protocol.<BR>"
    "Version: " SF_VERSION;

// getHelpFile and getGUIScript are the same routine: neither exists for this plug-in.
const char* emptyText() {
  return "";
}

}  // namespace

extern "C" {

HDKWPluginInterface* createPlugin() {
  // nothrow: an exception must not cross into the host; the host sees null instead.
  return new (std::nothrow) StimForge();
}

const char* getPluginName() {
  return "stimforge (v" SF_VERSION ")";
}
const char* getPluginVersion() {
  return "v" SF_VERSION;
}
const char* getPluginDescription() {
  return kDescription;
}
const char* getAuthor() {
  return "<i>stimforge developers, for fMRI laboratories</i>";
}
const char* getHelpFile() {
  return emptyText();
}
const char* getGUIScript() {
  return emptyText();
}

}  // extern "C"
