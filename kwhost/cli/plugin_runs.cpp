#include "kwhost/cli/plugin_runs.h"

#include "kwhost/cli/setting_options.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <streambuf>

#include <CLI/CLI.hpp>

#include "kwhost/common/safe_save.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/host/log_pane.h"
#include "kwhost/host/plugin_library.h"
#include "kwhost/host/process_info.h"
#include "kwhost/host/session.h"
#include "kwhost/protocol/file_io.h"

namespace stimforge::kwhost {
namespace {

bool openOutput(const std::string& path, const char* what, std::ofstream& file, std::ostream& err) {
  file.open(path, std::ios::binary | std::ios::trunc);
  if (!file.is_open()) {
    err << "kwhost: cannot write the " << what << ' ' << escapeLine(path) << ": "
        << std::strerror(errno) << '\n';
    return false;
  }
  return true;
}

// A stream buffer that discards what it is given: the screen of a --quiet run.
class DiscardingBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

const char* timeUnit(int32_t timeResolution) {
  return timeResolution == kTimeResolutionVolumes ? "volumes" : "milliseconds";
}

}  // namespace

void addSaveOptions(CLI::App& command, SaveOptions& options, bool whereTo) {
  options.rules.forceHint = kForceHint;
  command.add_flag("--quiet", options.quiet,
                   "Keep the log pane off the screen (--log still gets every line)");
  if (!whereTo)
    return;
  command
      .add_option("--out-dir", options.rules.outDir,
                  "Save into DIR (an existing folder) under the file names the plug-in "
                  "chooses")
      ->type_name("DIR");
  command.add_flag("--force", options.rules.force,
                   "Replace any existing file, also one kwhost did not write, and also with "
                   "an empty protocol");
}

std::string pluginPath(const HostOptions& host) {
  if (!host.pluginPath.empty())
    return host.pluginPath;
  // Beside the executable, wherever it is started from.
  const std::string folder = executableFolder();
  if (folder.empty())
    return kPluginFileName;
  return (std::filesystem::path(folder) / kPluginFileName).string();
}

std::unique_ptr<LoadedPlugin> loadPlugin(const HostOptions& host, std::ostream& err) {
  const std::string path = pluginPath(host);
  std::string error;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(path, error);
  if (plugin == nullptr)
    err << "kwhost: cannot load the plug-in " << path << ": " << error << '\n';
  return plugin;
}

bool loadProtocol(const std::string& path, Protocol& protocol, std::ostream& err) {
  std::string error;
  if (!readProtocolFile(path, protocol, error)) {
    err << "kwhost: " << escapeLine(error) << '\n';
    return false;
  }
  if (path.size() > kMaxFileNameLength) {
    err << "kwhost: " << escapeLine(path) << ": the path is " << path.size()
        << " bytes long; a protocol's file name holds at most " << kMaxFileNameLength << '\n';
    return false;
  }
  return true;
}

int PluginCommand::run(const CommandContext& context) {
  std::vector<PlannedRun> runs;
  const std::string& outDir = save_.rules.outDir;
  if (!outDir.empty() && !isFolder(outDir)) {
    context.err << "kwhost: --out-dir " << escapeLine(outDir) << ": no such folder\n";
    return kFailure;
  }
  const int planned = plan(runs, context.err);
  if (planned != 0)
    return planned;
  return runPlannedRuns(context, runs, reportsUnusedAnswers(), save_);
}

namespace {

// One plug-in run on a host of its own: the run's protocol (or none) current, its answers
// scripted. Returns whether it succeeded, what went wrong reported on `err`.
bool runOnce(PlannedRun& run, LoadedPlugin& plugin, ProtocolStore& store, Dialogs& dialogs,
             HostSession& session, LogPane& log, bool reportUnusedAnswers, std::ostream& err) {
  store.discard();
  if (run.hasProtocol)
    store.makeCurrent(std::move(run.protocol));
  if (run.scripted)
    dialogs.script(std::move(run.answers));
  session.beginRun();
  const bool completed = plugin.execute();
  log.flush();
  bool ok = !dialogs.answersRanOut() && !dialogs.answerRefused() && !session.runHadFailedSave();
  if (!completed) {
    err << "kwhost: " << escapeLine(run.label)
        << ": the plug-in ended the run early (execute returned false)\n";
    ok = false;
  } else if (!session.runReportedSuccess()) {
    err << "kwhost: " << escapeLine(run.label) << ": the plug-in did not report \"" << kSuccessLine
        << "\"\n";
    ok = false;
  }
  if (reportUnusedAnswers && dialogs.scripted() && dialogs.unusedAnswers() > 0) {
    err << "kwhost: " << dialogs.unusedAnswers() << " scripted answer"
        << (dialogs.unusedAnswers() == 1 ? " was" : "s were") << " not used\n";
  }
  if (completed && run.checkSaves && !run.checkSaves(session.saves(), err))
    ok = false;
  return ok;
}

// What the runs saved, and which of several failed.
void reportRuns(const std::vector<SaveRecord>& written, const std::vector<std::string>& failedRuns,
                size_t runCount, std::ostream& err) {
  for (const SaveRecord& record : written) {
    err << "kwhost: saved " << escapeLine(record.path) << ": " << record.conditions
        << (record.conditions == 1 ? " condition, " : " conditions, ") << record.intervals
        << (record.intervals == 1 ? " interval" : " intervals") << ", in "
        << timeUnit(record.timeResolution) << '\n';
  }
  if (runCount > 1 && !failedRuns.empty()) {
    err << "kwhost: " << failedRuns.size() << " of " << runCount << " runs failed (";
    for (size_t i = 0; i < failedRuns.size(); ++i)
      err << (i == 0 ? "" : ", ") << escapeLine(failedRuns[i]);
    err << "); " << runCount - failedRuns.size() << " succeeded\n";
  }
}

}  // namespace

int runPlannedRuns(const CommandContext& context, std::vector<PlannedRun>& runs,
                   bool reportUnusedAnswers, const SaveOptions& save) {
  const HostOptions& host = context.host;
  std::ostream& out = context.out;
  std::ostream& err = context.err;
  std::ofstream rawLog;
  std::ofstream transcript;
  if (!host.logPath.empty() && !openOutput(host.logPath, "log", rawLog, err))
    return kFailure;
  if (!host.transcriptPath.empty() &&
      !openOutput(host.transcriptPath, "transcript", transcript, err)) {
    return kFailure;
  }
  std::unique_ptr<LoadedPlugin> plugin = loadPlugin(host, err);
  if (plugin == nullptr)
    return kFailure;

  ProtocolStore store(err);
  LogPane log(out, host.logPath.empty() ? nullptr : &rawLog);
  log.showOnScreen(!save.quiet);
  // Quiet runs show no scripted dialog either; a dialog typed on the keyboard still shows.
  DiscardingBuffer discarded;
  std::ostream nowhere(&discarded);
  bool anyTyped = false;
  for (const PlannedRun& run : runs)
    anyTyped = anyTyped || !run.scripted;
  std::ostream& screen = save.quiet && !anyTyped ? nowhere : out;
  Dialogs dialogs(&context.keyboard, !context.keyboardIsTerminal, screen, err);
  HostSession session(host.hostVersion, host.volumeOpen, store, log, dialogs,
                      host.transcriptPath.empty() ? nullptr : &transcript, err);
  session.setSaveRules(save.rules);
  setActiveSession(&session);
  std::vector<SaveRecord> written;
  std::vector<std::string> failedRuns;

  int status = 0;
  std::string error;
  const bool started = plugin->start(error);
  if (!started) {
    err << "kwhost: " << error << '\n';
    status = kFailure;
  }
  // Every run is made, also after one failed (the runs of an import are independent), but
  // for a step on what the failed run would have saved.
  bool previousOk = true;
  for (size_t i = 0; started && i < runs.size(); ++i) {
    PlannedRun& run = runs[i];
    bool ok = false;
    bool made = false;
    if (run.afterPrevious && !previousOk) {
      err << "kwhost: " << escapeLine(run.label) << ": not made, as the run before it failed\n";
    } else if (!run.prepare || run.prepare(run, err)) {
      ok = runOnce(run, *plugin, store, dialogs, session, log, reportUnusedAnswers, err);
      made = true;
    }
    previousOk = ok;
    if (!ok && !run.failureNote.empty())
      err << "kwhost: " << escapeLine(run.failureNote) << '\n';
    for (const SaveRecord& record : made ? session.saves() : std::vector<SaveRecord>()) {
      if (record.written)
        written.push_back(record);
    }
    if (!ok) {
      status = kFailure;
      failedRuns.push_back(run.label);
    }
  }
  if (started)
    reportRuns(written, failedRuns, runs.size(), err);
  plugin.reset();  // destroys the plug-in object while the session is still active
  setActiveSession(nullptr);
  log.flush();
  out.flush();
  if (transcript.is_open())
    transcript.flush();
  if ((rawLog.is_open() && !rawLog.good()) || (transcript.is_open() && !transcript.good())) {
    err << "kwhost: the log or transcript file could not be written completely\n";
    status = kFailure;
  }
  return status;
}

}  // namespace stimforge::kwhost
