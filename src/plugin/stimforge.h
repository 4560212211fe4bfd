// The plug-in's shell: the host-version gate and the command menu behind StimForge.
#ifndef STIMFORGE_PLUGIN_STIMFORGE_H_
#define STIMFORGE_PLUGIN_STIMFORGE_H_

namespace stimforge {

// True for host versions 2.9.9 and later, compared as (major, minor, sub-version).
bool hostVersionSupported(int major, int minor, int subVersion);

// One run of the menu against the bound host table: the start line, the menu, the chosen
// command and "Finished.\n". Returns false only when the import aborts for want of a
// volume document (then without "Finished.\n"). May throw (out of memory); StimForge
// catches.
bool runMenu();

}  // namespace stimforge

#endif  // STIMFORGE_PLUGIN_STIMFORGE_H_
