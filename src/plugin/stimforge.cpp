// StimForge's out-of-line members, emitted and exported with its virtual table under their
// decorated names. Like plugin_interface.cpp, this file includes nothing that needs a C++
// runtime or the Windows headers: the Microsoft ABI check compiles it on its own.
#include "plugin/plugin_interface.h"
#include "plugin/plugin_shell.h"

StimForge::StimForge() = default;
StimForge::~StimForge() = default;

bool StimForge::initPlugin() {
  return stimforge::guardedInitPlugin();
}

bool StimForge::execute() {
  return stimforge::guardedExecute();
}
