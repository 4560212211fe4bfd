#include "logimport/import_command.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "host/host_api.h"
#include "logformat/log_header.h"
#include "logimport/presentation_log.h"
#include "logimport/protocol_builder.h"

namespace stimforge {
namespace {

enum class ColumnStart { kSubject, kOther, kUnknown };

// How the log's column-name line begins, read from where `source` stands: the line that
// names Event Type, Code and Time among the first six, or else the fourth line. kUnknown
// when the log has no such line or cannot be read here (the reader then reports it).
ColumnStart columnNameLineStart(LogSource& source) {
  LogHeader header;
  if (!readLogHeader(source, header))
    return ColumnStart::kUnknown;
  if (!header.columnNamesFound() && header.lines.size() <= static_cast<size_t>(kColumnNameLine))
    return ColumnStart::kUnknown;
  return header.subjectFirst() ? ColumnStart::kSubject : ColumnStart::kOther;
}

// Users choose the column layout themselves, and a wrong choice silently selects nothing:
// warn when the log's own column names say otherwise.
void warnAboutLayout(LogSource* source, bool hasSubjectColumn) {
  if (source == nullptr)
    return;
  const ColumnStart start = columnNameLineStart(*source);
  if (start == ColumnStart::kSubject && !hasSubjectColumn) {
    hostApi().kwLogText(
        "Warning: the log's columns begin with Subject, but the layout without Subject was "
        "chosen.");
  } else if (start == ColumnStart::kOther && hasSubjectColumn) {
    hostApi().kwLogText(
        "Warning: the log's columns do not begin with Subject, but the layout with Subject was "
        "chosen.");
  }
}

}  // namespace

void HostLogSink::logLine(const char* text) {
  hostApi().kwLogText(text);
}

ImportOutcome runImportCommand(const LogOpener& openLog) {
  const HostApi& host = hostApi();
  host.kwMessageBox(
      "This function generates a Halden KW stimulation protocol file (*.prt),\nbased on a "
      "Presentation Log file (*.log)");

  int dimX = 0;
  int dimY = 0;
  int dimZ = 0;
  if (host.kwGetCurrentVMR(&dimX, &dimY, &dimZ) == nullptr) {
    host.kwMessageBox(
        "If no project is opened in Halden, the conditions cannot be added to the protocol.");
    host.kwLogText("No VMR present, action canceled.");
    return ImportOutcome::kAborted;
  }

  char pathBuffer[kDialogBufferSize] = {};
  if (host.kwGetOpenFileName("Please select the Presentation Log file", "",
                             "Presentation log file (*.log)", pathBuffer) != 1) {
    host.kwLogText("Cancelled further operations.");
    return ImportOutcome::kFinished;
  }
  // The host may fill the whole buffer without a terminating NUL.
  const void* nul = std::memchr(pathBuffer, '\0', sizeof pathBuffer);
  const std::string path(pathBuffer,
                         nul ? static_cast<const char*>(nul) - pathBuffer : sizeof pathBuffer);
  if (!protocolNamesFit(path)) {
    static_assert(kMaxFileNameLength == 260, "the message names the limit");
    host.kwLogText("The protocol file name would be longer than 260 characters.");
    host.kwLogText("Cancelled further operations.");
    return ImportOutcome::kFinished;
  }

  const int layout = host.kwGetIntegerInput(
      "Which fields are in the log file?<P>1 = Trial, EventType, Code, Time, TTime, "
      "Uncertainty, Duration<BR>2 = Subject, Trial, EventType, Code, Time, TTime, Uncertainty, "
      "Duration<BR>",
      1, 1, 2);
  const bool hasSubjectColumn = layout == 2;
  const bool pictureOnly =
      host.kwYesNoMessageBox(
          "Select 'Picture' events only?<BR>(Otherwise, Response events can result in '1', "
          "'2', '3' etc. condition names of button box numbers)") != 0;

  const std::unique_ptr<LogSource> source = openLog ? openLog(path) : nullptr;
  warnAboutLayout(source.get(), hasSubjectColumn);
  host.kwLogText("Read Presentation log file...");
  HostLogSink sink;
  const std::optional<PresentationLog> log =
      readPresentationLog(source.get(), path, hasSubjectColumn, pictureOnly, sink);
  if (!log) {
    // Nothing was cleared or saved: the host's protocol stays as it was.
    host.kwLogText("Cancelled further operations.");
    return ImportOutcome::kFinished;
  }
  host.kwLogText("Converting to Halden stimulation protocol...");

  // Asked at this point of every import, although a protocol in milliseconds, the only kind
  // this command builds, does not depend on it.
  const int repetitionTimeMs =
      host.kwGetIntegerInput("What is the TR in milliseconds?", 2000, 1, 100000);
  static_cast<void>(repetitionTimeMs);
  const int durationMode = host.kwGetIntegerInput(
      "Please select the computation of event duration:\n\n1 = Based on time until next event "
      "(Picture, Sound, Video, Response)\n2 = Based on Duration parameter in Presentation log "
      "file",
      1, 1, 2);
  // A host that does not hold the answer to its bounds may return anything else: then
  // nothing is built.
  if (durationMode == 1 || durationMode == 2) {
    if (buildProtocol(*log, durationMode))
      host.kwLogText("Plugin operations finished successfully.");
  }
  return ImportOutcome::kFinished;
}

}  // namespace stimforge
