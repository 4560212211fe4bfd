// The C++ face of the plug-in as the host knows it: the abstract interface, the plug-in
// class, and the plain exported functions. The host is built with Microsoft's compiler and
// calls through the interface's virtual table, so the slot order (destructor, execute,
// initPlugin) and the decorated names of the exported members are part of the ABI.
// Keep this header free of anything but the language itself.
#ifndef STIMFORGE_PLUGIN_PLUGIN_INTERFACE_H_
#define STIMFORGE_PLUGIN_PLUGIN_INTERFACE_H_

#include "plugin/export_macro.h"

// What the host programs against. No data members.
class SF_EXPORT HDKWPluginInterface {
 public:
  HDKWPluginInterface();
  HDKWPluginInterface(const HDKWPluginInterface& other);
  HDKWPluginInterface& operator=(const HDKWPluginInterface& other);
  virtual ~HDKWPluginInterface();

  // Runs one command chosen from the menu. Called only after initPlugin returned true.
  virtual bool execute() = 0;

  // Binds the host's entry points and checks the host's version. If it returns false, the
  // plug-in must be considered uninitialised: execute must not be called.
  virtual bool initPlugin() = 0;
};

// The plug-in. Stateless: everything a command needs lives in its locals, in the host
// table or in the host.
class SF_EXPORT StimForge : public HDKWPluginInterface {
 public:
  StimForge();
  ~StimForge() override;

  // Writes the start line, asks for a menu choice, runs that command and writes
  // "Finished.\n". Returns true, except when the import finds no volume document open.
  // Never throws.
  bool execute() override;

  // Binds the host and checks that its version is 2.9.9 or later. Never throws.
  bool initPlugin() override;
};

extern "C" {

// A new StimForge; the host owns it and destroys it through the virtual destructor.
SF_EXPORT HDKWPluginInterface* createPlugin();

// Static texts; the host must not free them.
SF_EXPORT const char* getPluginName();
SF_EXPORT const char* getPluginVersion();
SF_EXPORT const char* getPluginDescription();
SF_EXPORT const char* getAuthor();
SF_EXPORT const char* getHelpFile();
SF_EXPORT const char* getGUIScript();

}  // extern "C"

#endif  // STIMFORGE_PLUGIN_PLUGIN_INTERFACE_H_
