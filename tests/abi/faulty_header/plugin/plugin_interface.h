// A faulty copy of the plug-in's interface header, fed to check_msvc_abi.sh to show that
// the check catches ABI breaks: initPlugin is declared before execute (their slots swap)
// and the interface class is no longer exported.
#ifndef STIMFORGE_PLUGIN_PLUGIN_INTERFACE_H_
#define STIMFORGE_PLUGIN_PLUGIN_INTERFACE_H_

#include "plugin/export_macro.h"

class HDKWPluginInterface {
 public:
  HDKWPluginInterface();
  HDKWPluginInterface(const HDKWPluginInterface& other);
  HDKWPluginInterface& operator=(const HDKWPluginInterface& other);
  virtual ~HDKWPluginInterface();
  virtual bool initPlugin() = 0;
  virtual bool execute() = 0;
};

class SF_EXPORT StimForge : public HDKWPluginInterface {
 public:
  StimForge();
  ~StimForge() override;
  bool execute() override;
  bool initPlugin() override;
};

#endif  // STIMFORGE_PLUGIN_PLUGIN_INTERFACE_H_
