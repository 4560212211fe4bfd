// The interface class's out-of-line members, so that the library emits and exports them
// (with the virtual table) under their decorated names, as the host expects. StimForge's
// are in stimforge.cpp. Both files include nothing that needs a C++ runtime or the Windows
// headers: they are also compiled on their own for the Microsoft ABI check
// (tests/abi/check_msvc_abi.sh) of the virtual table slots and the exported names.
#include "plugin/plugin_interface.h"

HDKWPluginInterface::HDKWPluginInterface() = default;
HDKWPluginInterface::HDKWPluginInterface(const HDKWPluginInterface&) = default;
HDKWPluginInterface& HDKWPluginInterface::operator=(const HDKWPluginInterface&) = default;
HDKWPluginInterface::~HDKWPluginInterface() = default;
