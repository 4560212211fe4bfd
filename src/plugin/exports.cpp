// The library's plain exported functions.
#include <new>

#include "plugin/plugin_interface.h"

namespace {

const char kDescription[] =
    "~~~ stimforge (v0.9) ~~~<BR>"
    "Generates a Halden Stimulation Protocol file (*.prt) in milliseconds from a Presentation "
    "Log file (*.log).<BR>"
    "Each Picture, Sound, Video or Response event will result in a new condition.<BR>"
    "It is also possible to shift the offset of all intervals by a certain amount (in "
    "milliseconds).<BR>"
    "Other functions are sorting the conditions of an existing protocol.<BR>"
    "Version: 0.9.1";

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
  return "stimforge (v0.9.1)";
}
const char* getPluginVersion() {
  return "v0.9.1";
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
