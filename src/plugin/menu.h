// The plug-in's command menu.
#ifndef STIMFORGE_PLUGIN_MENU_H_
#define STIMFORGE_PLUGIN_MENU_H_

#include "logformat/log_source.h"

namespace stimforge {

// One run of the menu against the bound host table: the start line, the menu, the chosen
// command and "Finished.\n". The import opens the chosen log through `openLog`. Returns
// false only when the import aborts for want of a volume document (then without
// "Finished.\n"). May throw (out of memory); StimForge catches.
bool runMenu(const LogOpener& openLog = openLogFile);

// runMenu with any exception caught and reported in the host's log (then false), as
// StimForge::execute runs it. Never throws.
bool guardedRunMenu(const LogOpener& openLog) noexcept;

}  // namespace stimforge

#endif  // STIMFORGE_PLUGIN_MENU_H_
