// The stand-in host behind the sixteen entry points the plug-in calls: its version, the
// volume document, the log pane, the dialogs, the current protocol and its files. The
// exported entry points (exports.cpp) forward to the active session; tests call the
// session directly.
//
// With a transcript stream, every call is written to it as one line, texts escaped as in
// the raw log ("\\", "\n", "\t"):
//   kwGetVersionOfHaldenKW() -> 2.9.9         kwShowLogTab()
//   kwLogText(TEXT)                           kwMessageBox(TEXT)
//   kwYesNoMessageBox(TEXT) -> 0|1            kwGetIntegerInput(TEXT, DEF, MIN, MAX) -> N
//   kwGetTextInput(TEXT, DEF) -> 1 ANSWER     kwGetTextInput(TEXT, DEF) -> 0
//   kwGetOpenFileName(TITLE, TEXT, FILTER) -> 1 PATH   (or -> 0)
//   kwGetCurrentVMR() -> volume|null          kwClearProtocol()
//   kwSaveProtocol(PATH) -> saved|failed      kwGetProtocol() -> 0|1
//   kwSetProtocol(COUNT, FILENAME, TITLE, RESOLUTION)
//   kwGetProtocolCondition(INDEX)             kwAddProtocolCondition(NAME, 0xCOLOUR)
//   kwAddProtocolConditionInterval(INDEX, START, END)
#ifndef STIMFORGE_KWHOST_HOST_SESSION_H_
#define STIMFORGE_KWHOST_HOST_SESSION_H_

#include <iosfwd>
#include <string>
#include <vector>

#include "host/protocol_records.h"
#include "kwhost/host/dialogs.h"
#include "kwhost/host/log_pane.h"
#include "kwhost/host/protocol_store.h"
#include "kwhost/host/version.h"

namespace stimforge::kwhost {

// The line a plug-in run writes when it finished its work.
constexpr char kSuccessLine[] = "Plugin operations finished successfully.";

// Where and how kwSaveProtocol writes (--out-dir, --force).
struct SaveRules {
  std::string outDir;     // "" = where the plug-in says
  bool force = false;     // replace any file, and an existing one with an empty protocol
  std::string forceHint;  // how the user forces it, in the front end's words
};

// A protocol the plug-in had saved in a run, written or not.
struct SaveRecord {
  std::string path;  // where it was (or would have been) written
  bool written = false;
  size_t conditions = 0;
  size_t intervals = 0;
  int32_t timeResolution = 0;
};

class HostSession {
 public:
  // Every reference must outlive the session; `transcript` may be null.
  HostSession(HostVersion version, bool volumeOpen, ProtocolStore& store, LogPane& log,
              Dialogs& dialogs, std::ostream* transcript, std::ostream& diagnostics);

  // The entry points, with the host's signatures. Null texts count as empty ones.
  void getVersion(int* major, int* minor, int* subVersion);
  void showLogTab();
  void logText(const char* text);
  void messageBox(const char* text);
  int yesNoMessageBox(const char* question);
  int getIntegerInput(const char* prompt, int defaultValue, int minimum, int maximum);
  int getTextInput(const char* prompt, const char* defaultAnswer, char* answer);
  int getOpenFileName(const char* title, const char* second, const char* filter, char* path);
  void* getCurrentVmr(int* dimX, int* dimY, int* dimZ);
  void clearProtocol();
  // Writes the current protocol to `fileName` (kwhost/protocol/file_io.h), or to the out-dir with
  // the file name of `fileName`; the protocol's file name becomes the path written. An
  // existing file is replaced only when it is one of kwhost's protocol files and the
  // protocol has conditions, or with --force. A failure is reported on the diagnostics
  // stream.
  void saveProtocol(const char* fileName);
  int getProtocol(ProtocolHeader* header);
  void setProtocol(const ProtocolHeader* header);
  void getProtocolCondition(int index, ProtocolCondition* condition);
  void addProtocolCondition(const ProtocolCondition* condition);
  void addProtocolConditionInterval(int index, int start, int end);

  void setSaveRules(SaveRules rules) { saveRules_ = std::move(rules); }

  // Starts the bookkeeping of one plug-in run.
  void beginRun();
  // Whether the run logged kSuccessLine.
  bool runReportedSuccess() const { return successLogged_; }
  // Whether a save of the run could not be written.
  bool runHadFailedSave() const { return saveFailed_; }
  // The files written by the run, in order.
  const std::vector<std::string>& savedFiles() const { return savedFiles_; }
  // Every save the plug-in asked for in the run, in order.
  const std::vector<SaveRecord>& saves() const { return saves_; }

 private:
  void record(const std::string& line);

  HostVersion version_;
  bool volumeOpen_;
  ProtocolStore& store_;
  LogPane& log_;
  Dialogs& dialogs_;
  std::ostream* transcript_;
  std::ostream& diagnostics_;
  bool successLogged_ = false;
  bool saveFailed_ = false;
  std::vector<std::string> savedFiles_;
  std::vector<SaveRecord> saves_;
  SaveRules saveRules_;
};

// The session the exported entry points forward to; null when none is active.
HostSession* activeSession();
void setActiveSession(HostSession* session);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_HOST_SESSION_H_
