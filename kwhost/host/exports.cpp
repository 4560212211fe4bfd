// The sixteen host entry points the plug-in calls, exported from the stand-in host's
// executable under the host's names. They are declared from the same list as the
// plug-in's host table, so a signature that differs from what the plug-in calls does not
// compile. Each forwards to the active session and lets no exception reach the plug-in.
#include <exception>
#include <iostream>

#include "host/protocol_records.h"
#include "kwhost/host/export_macro.h"
#include "kwhost/host/session.h"

using stimforge::ProtocolCondition;
using stimforge::ProtocolHeader;
using stimforge::kwhost::activeSession;
using stimforge::kwhost::HostSession;

extern "C" {
#define HOST_FN(name, result, params) SF_HOST_EXPORT result name params;
#define HOST_SLOT(name)
#include "host/host_api_list.inc"
#undef HOST_FN
#undef HOST_SLOT
}

namespace {

// Runs `call` on the active session; on no session or an exception (such as running out
// of memory) reports it and gives `fallback`, the answer of a cancelled dialog.
template <typename Result, typename Call>
Result guarded(const char* entry, Result fallback, Call call) {
  HostSession* session = activeSession();
  if (session == nullptr) {
    std::cerr << "kwhost: " << entry << " was called outside a plug-in run\n";
    return fallback;
  }
  try {
    return call(*session);
  } catch (const std::exception& e) {
    std::cerr << "kwhost: " << entry << " failed: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "kwhost: " << entry << " failed\n";
  }
  return fallback;
}

template <typename Call>
void guardedVoid(const char* entry, Call call) {
  guarded(entry, 0, [&](HostSession& session) {
    call(session);
    return 0;
  });
}

}  // namespace

extern "C" {

void kwGetVersionOfHaldenKW(int* major, int* minor, int* subVersion) {
  guardedVoid("kwGetVersionOfHaldenKW",
              [&](HostSession& s) { s.getVersion(major, minor, subVersion); });
}
void kwShowLogTab() {
  guardedVoid("kwShowLogTab", [&](HostSession& s) { s.showLogTab(); });
}
void kwLogText(const char* text) {
  guardedVoid("kwLogText", [&](HostSession& s) { s.logText(text); });
}
void kwMessageBox(const char* text) {
  guardedVoid("kwMessageBox", [&](HostSession& s) { s.messageBox(text); });
}
int kwYesNoMessageBox(const char* question) {
  return guarded("kwYesNoMessageBox", 0,
                 [&](HostSession& s) { return s.yesNoMessageBox(question); });
}
int kwGetIntegerInput(const char* prompt, int defaultValue, int minimum, int maximum) {
  return guarded("kwGetIntegerInput", -1, [&](HostSession& s) {
    return s.getIntegerInput(prompt, defaultValue, minimum, maximum);
  });
}
int kwGetTextInput(const char* prompt, const char* defaultAnswer, char* answer) {
  return guarded("kwGetTextInput", 0,
                 [&](HostSession& s) { return s.getTextInput(prompt, defaultAnswer, answer); });
}
int kwGetOpenFileName(const char* title, const char* unused, const char* filter, char* path) {
  return guarded("kwGetOpenFileName", 0,
                 [&](HostSession& s) { return s.getOpenFileName(title, unused, filter, path); });
}
void* kwGetCurrentVMR(int* dimX, int* dimY, int* dimZ) {
  return guarded("kwGetCurrentVMR", static_cast<void*>(nullptr),
                 [&](HostSession& s) { return s.getCurrentVmr(dimX, dimY, dimZ); });
}
void kwClearProtocol() {
  guardedVoid("kwClearProtocol", [&](HostSession& s) { s.clearProtocol(); });
}
void kwSaveProtocol(const char* fileName) {
  guardedVoid("kwSaveProtocol", [&](HostSession& s) { s.saveProtocol(fileName); });
}
int kwGetProtocol(ProtocolHeader* header) {
  return guarded("kwGetProtocol", 0, [&](HostSession& s) { return s.getProtocol(header); });
}
void kwSetProtocol(const ProtocolHeader* header) {
  guardedVoid("kwSetProtocol", [&](HostSession& s) { s.setProtocol(header); });
}
void kwGetProtocolCondition(int index, ProtocolCondition* condition) {
  guardedVoid("kwGetProtocolCondition",
              [&](HostSession& s) { s.getProtocolCondition(index, condition); });
}
void kwAddProtocolCondition(const ProtocolCondition* condition) {
  guardedVoid("kwAddProtocolCondition", [&](HostSession& s) { s.addProtocolCondition(condition); });
}
void kwAddProtocolConditionInterval(int index, int start, int end) {
  guardedVoid("kwAddProtocolConditionInterval",
              [&](HostSession& s) { s.addProtocolConditionInterval(index, start, end); });
}

}  // extern "C"
