// The interface's out-of-line members, so that the library emits and exports them (with
// the interface's virtual table) under their decorated names, as the host expects.
#include "plugin/plugin_interface.h"

HDKWPluginInterface::HDKWPluginInterface() = default;
HDKWPluginInterface::HDKWPluginInterface(const HDKWPluginInterface&) = default;
HDKWPluginInterface& HDKWPluginInterface::operator=(const HDKWPluginInterface&) = default;
HDKWPluginInterface::~HDKWPluginInterface() = default;
