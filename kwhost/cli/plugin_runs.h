// What the commands that run the plug-in share: loading the library, reading their inputs
// into planned runs, and making the runs in one host session (protocol store, log pane,
// dialogs, transcript).
#ifndef STIMFORGE_KWHOST_CLI_PLUGIN_RUNS_H_
#define STIMFORGE_KWHOST_CLI_PLUGIN_RUNS_H_

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "kwhost/cli/command_table.h"
#include "kwhost/host/dialogs.h"
#include "kwhost/host/plugin_runner.h"
#include "kwhost/host/protocol_store.h"
#include "kwhost/host/session.h"

namespace stimforge::kwhost {

// One plug-in run: the protocol made current before it, and its answers.
struct PlannedRun {
  std::string label;  // names the run in kwhost's messages
  bool hasProtocol = false;
  Protocol protocol;
  std::vector<ScriptedAnswer> answers;
  bool scripted = true;  // else the dialogs are answered on the keyboard
  // Looks at what the run saved once it has ended; false (after a message on `err`) makes
  // the run fail. Empty: nothing more to check.
  std::function<bool(const std::vector<SaveRecord>& saves, std::ostream& err)> checkSaves;
  // Made only when the run before it succeeded: a step on what that run saved.
  bool afterPrevious = false;
  // Called just before the run is made (after the runs before it), e.g. to read what they
  // saved; false (after a message on `err`) makes the run fail unmade.
  std::function<bool(PlannedRun& run, std::ostream& err)> prepare;
  // Said on `err` when the run fails, e.g. what stays as it was.
  std::string failureNote;
};

// The options of the commands that save: where files go and what they may replace, and
// whether the log pane reaches the screen.
struct SaveOptions {
  SaveRules rules;     // --out-dir, --force
  bool quiet = false;  // --quiet
};

// Registers --quiet, and with `whereTo` --out-dir and --force, on a command.
void addSaveOptions(CLI::App& command, SaveOptions& options, bool whereTo);

// The plug-in library --plugin names, or the one beside the executable.
std::string pluginPath(const HostOptions& host);

// Loads the plug-in library. Returns null after a message on `err` when it cannot.
std::unique_ptr<LoadedPlugin> loadPlugin(const HostOptions& host, std::ostream& err);

// Reads the protocol file `path` for a run (its path must fit a protocol's file name).
// Returns false after a message on `err`.
bool loadProtocol(const std::string& path, Protocol& protocol, std::ostream& err);

// A command that runs the plug-in: plans its runs, then makes them in one host session.
class PluginCommand : public CommandRunner {
 public:
  // Everything the runs need, read and checked before the plug-in is loaded, so that a
  // missing or malformed file stops kwhost before anything happens. Returns 0, or the
  // exit status to end with (the runs planned are still made only when it is 0).
  virtual int plan(std::vector<PlannedRun>& runs, std::ostream& err) = 0;

  int run(const CommandContext& context) override;

 protected:
  SaveOptions save_;

  // Whether scripted answers the runs left unused are reported (run's own answers).
  virtual bool reportsUnusedAnswers() const { return false; }
};

// Opens the log and transcript files, loads and starts the plug-in, and makes `runs` in
// one session, each on a host of its own (its protocol, or none). Every run is made, also
// after one failed. Then says on `err` which files were saved, and which runs failed when
// some of several did. Returns 0 when every run reported success and every file was
// written, else kFailure.
int runPlannedRuns(const CommandContext& context, std::vector<PlannedRun>& runs,
                   bool reportUnusedAnswers, const SaveOptions& save);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_PLUGIN_RUNS_H_
