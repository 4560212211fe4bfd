// The two classes' out-of-line members, so that the library emits and exports them (with
// the virtual tables) under their decorated names, as the host expects. This file includes
// nothing that needs a C++ runtime or the Windows headers: it is also compiled on its own
// for the Microsoft ABI to check the virtual table slots and the exported names.
#include "plugin/plugin_interface.h"

#include "plugin/plugin_shell.h"

HDKWPluginInterface::HDKWPluginInterface() = default;
HDKWPluginInterface::HDKWPluginInterface(const HDKWPluginInterface&) = default;
HDKWPluginInterface& HDKWPluginInterface::operator=(const HDKWPluginInterface&) = default;
HDKWPluginInterface::~HDKWPluginInterface() = default;

StimForge::StimForge() = default;
StimForge::~StimForge() = default;

bool StimForge::initPlugin() {
  return stimforge::guardedInitPlugin();
}

bool StimForge::execute() {
  return stimforge::guardedExecute();
}
