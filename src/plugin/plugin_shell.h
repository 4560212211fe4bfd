// The plug-in's shell: the host-version gate and the command menu behind StimForge.
// Keep this header free of includes: StimForge's definition (stimforge.cpp) uses it
// and is compiled on its own for the Microsoft ABI check.
#ifndef STIMFORGE_PLUGIN_PLUGIN_SHELL_H_
#define STIMFORGE_PLUGIN_PLUGIN_SHELL_H_

namespace stimforge {

// True for host versions 2.9.9 and later, compared as (major, minor, sub-version).
bool hostVersionSupported(int major, int minor, int subVersion);

// What StimForge::initPlugin does: binds the host table and checks the host's version
// (hostVersionSupported), showing the version message when it is too old. Returns true
// when the plug-in may execute. Never throws.
bool guardedInitPlugin() noexcept;

// What StimForge::execute does: runMenu (plugin/menu.h) with the logs opened as files,
// with any exception caught and reported in the
// host's log (then false). Never throws.
bool guardedExecute() noexcept;

}  // namespace stimforge

#endif  // STIMFORGE_PLUGIN_PLUGIN_SHELL_H_
