#include "standin/kwhost_app.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "standin/command_dialogue.h"
#include "standin/command_triggers.h"
#include "standin/dialogs.h"
#include "standin/host_session.h"
#include "standin/log_pane.h"
#include "standin/plugin_library.h"
#include "standin/plugin_runner.h"
#include "standin/protocol_file_io.h"
#include "standin/protocol_model.h"
#include "standin/protocol_table.h"
#include "standin/text_codec.h"

namespace stimforge::standin {
namespace {

constexpr int kFailure = 1;

// One plug-in run: the protocol made current before it, and its scripted answers.
struct PlannedRun {
  std::string label;  // names the run in kwhost's messages
  bool hasProtocol = false;
  Protocol protocol;
  std::vector<ScriptedAnswer> answers;
};

std::string pluginPath(const Invocation& invocation) {
  if (!invocation.pluginPath.empty())
    return invocation.pluginPath;
  // Beside the executable, wherever it is started from.
  const std::string folder = executableFolder();
  if (folder.empty())
    return kPluginFileName;
  return (std::filesystem::path(folder) / kPluginFileName).string();
}

std::unique_ptr<LoadedPlugin> loadPlugin(const Invocation& invocation, std::ostream& err) {
  const std::string path = pluginPath(invocation);
  std::string error;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(path, error);
  if (plugin == nullptr)
    err << "kwhost: cannot load the plug-in " << path << ": " << error << '\n';
  return plugin;
}

// `label` and `text` rendered, later lines indented under the first.
void printField(std::ostream& out, const char* label, const std::string& text) {
  out << label;
  for (const char c : renderMarkup(text)) {
    out << c;
    if (c == '\n')
      out << "             ";
  }
  out << '\n';
}

int showInfo(const Invocation& invocation, std::ostream& out, std::ostream& err) {
  std::unique_ptr<LoadedPlugin> plugin = loadPlugin(invocation, err);
  if (plugin == nullptr)
    return kFailure;
  const PluginInfo info = plugin->info();
  printField(out, "Plug-in      ", pluginPath(invocation));
  printField(out, "Name         ", info.name);
  printField(out, "Version      ", info.version);
  printField(out, "Author       ", info.author);
  printField(out, "Description  ", info.description);
  return 0;
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

int showProtocol(const Invocation& invocation, std::ostream& out, std::ostream& err) {
  Protocol protocol;
  std::string error;
  if (!readProtocolFile(invocation.inputs.front(), protocol, error)) {
    err << "kwhost: " << escapeLine(error) << '\n';
    return kFailure;
  }
  out << formatProtocolTable(protocol);
  return 0;
}

// Reads the --answers file: one answer per line, "\r\n" line ends allowed, no answer
// after a final line break.
int readAnswersFile(const std::string& path, std::vector<ScriptedAnswer>& answers,
                    std::ostream& err) {
  std::string text;
  std::string error;
  if (!readWholeFile(path, text, error)) {
    err << "kwhost: " << escapeLine(error) << '\n';
    return kFailure;
  }
  size_t pos = 0;
  size_t lineNumber = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (!answerFitsDialog(line, path + ":" + std::to_string(lineNumber), error))
      return reportUsageError(error, err);
    answers.push_back(scriptedAnswerFromLine(line));
  }
  return 0;
}

// Everything a command's runs need, read and checked before the plug-in is loaded, so
// that a missing or malformed file stops kwhost before anything happens.
int planRuns(const Invocation& invocation, std::vector<PlannedRun>& runs, std::ostream& err) {
  int status = 0;
  if (invocation.command == CommandKind::kImport) {
    for (const std::string& log : invocation.inputs) {
      std::string error;
      if (!checkReadable(log, error)) {
        err << "kwhost: " << escapeLine(error) << '\n';
        status = kFailure;
        continue;
      }
      PlannedRun run;
      run.label = "import " + log;
      run.answers = importDialogue(log, invocation.import);
      runs.push_back(std::move(run));
    }
    return status;
  }
  PlannedRun run;
  if (!invocation.inputs.empty()) {
    if (!loadProtocol(invocation.inputs.front(), run.protocol, err))
      return kFailure;
    run.hasProtocol = true;
  }
  switch (invocation.command) {
    case CommandKind::kShift:
      run.label = "shift " + invocation.inputs.front();
      run.answers = shiftDialogue(invocation.earlier, invocation.amount);
      break;
    case CommandKind::kReorder:
      run.label = "reorder " + invocation.inputs.front();
      run.answers = reorderDialogue(invocation.order);
      break;
    case CommandKind::kPreset:
      run.label = "preset " + invocation.inputs.front();
      run.answers = presetDialogue(invocation.analysisType);
      break;
    default:
      run.label = "run";
      for (const std::string& answer : invocation.answers)
        run.answers.push_back(scriptedAnswerFromLine(answer));
      if (!invocation.answersPath.empty())
        status = readAnswersFile(invocation.answersPath, run.answers, err);
      break;
  }
  runs.push_back(std::move(run));
  return status;
}

bool openOutput(const std::string& path, const char* what, std::ofstream& file, std::ostream& err) {
  file.open(path, std::ios::binary | std::ios::trunc);
  if (!file.is_open()) {
    err << "kwhost: cannot write the " << what << ' ' << escapeLine(path) << ": "
        << std::strerror(errno) << '\n';
    return false;
  }
  return true;
}

int runPlugin(const Invocation& invocation, std::vector<PlannedRun>& runs, std::istream& keyboard,
              bool keyboardIsTerminal, std::ostream& out, std::ostream& err) {
  std::ofstream rawLog;
  std::ofstream transcript;
  if (!invocation.logPath.empty() && !openOutput(invocation.logPath, "log", rawLog, err))
    return kFailure;
  if (!invocation.transcriptPath.empty() &&
      !openOutput(invocation.transcriptPath, "transcript", transcript, err)) {
    return kFailure;
  }
  std::unique_ptr<LoadedPlugin> plugin = loadPlugin(invocation, err);
  if (plugin == nullptr)
    return kFailure;

  ProtocolStore store(err);
  LogPane log(out, invocation.logPath.empty() ? nullptr : &rawLog);
  Dialogs dialogs(&keyboard, !keyboardIsTerminal, out, err);
  HostSession session(invocation.hostVersion, invocation.volumeOpen, store, log, dialogs,
                      invocation.transcriptPath.empty() ? nullptr : &transcript, err);
  setActiveSession(&session);

  int status = 0;
  std::string error;
  const bool started = plugin->start(error);
  if (!started) {
    err << "kwhost: " << error << '\n';
    status = kFailure;
  }
  // Every run is made, also after one failed: the runs of an import are independent.
  for (size_t i = 0; started && i < runs.size(); ++i) {
    PlannedRun& run = runs[i];
    // Each run starts on a host of its own: the given protocol, or none.
    store.discard();
    if (run.hasProtocol)
      store.makeCurrent(std::move(run.protocol));
    if (invocation.command != CommandKind::kRun || invocation.scripted())
      dialogs.script(std::move(run.answers));
    session.beginRun();
    const bool completed = plugin->execute();
    log.flush();
    bool ok = !dialogs.answersRanOut() && !dialogs.answerRefused() && !session.runHadFailedSave();
    if (!completed) {
      err << "kwhost: " << escapeLine(run.label)
          << ": the plug-in ended the run early (execute returned false)\n";
      ok = false;
    } else if (!session.runReportedSuccess()) {
      err << "kwhost: " << escapeLine(run.label) << ": the plug-in did not report \""
          << kSuccessLine << "\"\n";
      ok = false;
    }
    if (invocation.command == CommandKind::kRun && dialogs.scripted() &&
        dialogs.unusedAnswers() > 0) {
      err << "kwhost: " << dialogs.unusedAnswers() << " scripted answer"
          << (dialogs.unusedAnswers() == 1 ? " was" : "s were") << " not used\n";
    }
    if (!ok)
      status = kFailure;
  }
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

}  // namespace

int runInvocation(const Invocation& invocation, std::istream& keyboard, bool keyboardIsTerminal,
                  std::ostream& out, std::ostream& err) {
  switch (invocation.command) {
    case CommandKind::kInfo:
      return showInfo(invocation, out, err);
    case CommandKind::kShow:
      return showProtocol(invocation, out, err);
    default:
      break;
  }
  std::vector<PlannedRun> runs;
  const int planned = planRuns(invocation, runs, err);
  if (planned != 0)
    return planned;
  return runPlugin(invocation, runs, keyboard, keyboardIsTerminal, out, err);
}

int runKwhost(int argc, const char* const* argv) {
  // Until the table of commands takes it, the command that needs no plug-in parses its own
  // command line.
  if (argc >= 2 && std::string_view(argv[1]) == "triggers") {
    const int status = triggersMain(argc - 1, argv + 1, std::cout, std::cerr);
    std::cout.flush();
    return status;
  }
  Invocation invocation;
  int status = parseCommandLine(argc, argv, invocation, std::cout, std::cerr);
  if (status < 0)
    status = runInvocation(invocation, std::cin, standardInputIsTerminal(), std::cout, std::cerr);
  std::cout.flush();
  return status;
}

}  // namespace stimforge::standin
