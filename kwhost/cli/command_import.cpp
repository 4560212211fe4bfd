// kwhost import LOG...: a protocol from each Presentation log file, one plug-in run each.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <map>
#include <memory>
#include <ostream>

#include "kwhost/cli/command_dialogue.h"
#include "kwhost/cli/command_line.h"
#include "kwhost/cli/import_align.h"
#include "kwhost/cli/plugin_runs.h"
#include "kwhost/cli/setting_options.h"
#include "kwhost/common/read_file.h"
#include "kwhost/common/safe_save.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/protocol/file_io.h"
#include "kwhost/sources/stimulus_source.h"
#include "logformat/event_table.h"
#include "logformat/log_check.h"
#include "logformat/log_header.h"
#include "logformat/log_source.h"

namespace stimforge::kwhost {
namespace {

bool isSelected(std::string_view type, bool picturesOnly) {
  if (type == "Picture")
    return true;
  return !picturesOnly && (type == "Sound" || type == "Video" || type == "Response");
}

// What a log holds, counted through the log format layer, to say why an import selected
// nothing.
struct EventCounts {
  long long events = 0;       // event lines of the layout
  long long selected = 0;     // of the import's types, with a readable Time
  long long pictures = 0;     // of those, Picture events
  long long otherLayout = 0;  // event lines of the other layout
};

long long countEvents(LogSource& source, const EventLayout& layout, bool picturesOnly,
                      long long* selected, long long* pictures) {
  EventTableReader table(source, layout);
  EventRecord record;
  long long events = 0;
  while (table.next(record) == EventTableReader::Result::kEvent) {
    ++events;
    if (record.time.present() && isSelected(record.eventType, picturesOnly)) {
      if (selected != nullptr)
        ++*selected;
      if (pictures != nullptr && record.eventType == "Picture")
        ++*pictures;
    }
  }
  return events;
}

std::string likelyCause(const std::string& path, bool subject, bool picturesOnly) {
  const std::unique_ptr<LogSource> source = openLogFile(path);
  if (source == nullptr)
    return "the log can no longer be read";
  EventCounts counts;
  LogHeader header;
  if (source->rewind() && readLogHeader(*source, header)) {
    counts.events = countEvents(*source, eventLayoutFor(header, subject), false, &counts.selected,
                                &counts.pictures);
    counts.otherLayout =
        countEvents(*source, eventLayoutFor(header, !subject), false, nullptr, nullptr);
  }
  if (counts.events == 0 && counts.otherLayout > 0) {
    return std::string("the layout: no line is an event when read ") +
           (subject ? "with" : "without") + " a Subject column, but " +
           std::to_string(counts.otherLayout) + (subject ? " are without one" : " are with one") +
           "; give --layout " + (subject ? "no-subject" : "subject");
  }
  if (counts.events == 0)
    return "the log has no events";
  if (picturesOnly && counts.pictures == 0 && counts.selected > 0) {
    return "--pictures-only: the log has no Picture events, but " +
           std::to_string(counts.selected) + " Sound, Video or Response events";
  }
  return "none of its " + std::to_string(counts.events) +
         " events is a Picture, Sound, Video or Response event with a Time";
}

// The settings of --bold and --align.
const std::vector<Setting> kAlignSettings = {Setting::kSkip, Setting::kTrigger, Setting::kScan};

class Import : public PluginCommand {
 public:
  explicit Import(CLI::App& command) : alignSettings_(command, kAlignSettings) {
    command.add_option("LOG", logs_, "Presentation log files")->required();
    command
        .add_option("--layout", layout_,
                    "The logs' columns: auto (default: from the log's column names), subject "
                    "(a Subject column first) or no-subject")
        ->type_name("LAYOUT")
        ->check(CLI::IsMember({"auto", "subject", "no-subject"}));
    subjectFlag_ = command.add_flag("--subject-column", "The same as --layout subject");
    command.add_flag("--pictures-only", options_.picturesOnly, "Only Picture events count");
    command
        .add_option("--duration", duration_,
                    "Event durations: next (time until the next event, default) or column "
                    "(the Duration column)")
        ->type_name("MODE")
        ->check(CLI::IsMember({"next", "column"}));
    command.add_option("--tr", tr_, "The repetition time in milliseconds (default 2000)")
        ->type_name("MS");
    addSaveOptions(command, save_, true);
    command
        .add_option("--bold", bold_,
                    "The run's BOLD image: shift the protocol so that 0 is its first stored "
                    "volume (one LOG)")
        ->type_name("FILE");
    command.add_flag("--align", align_,
                     "Shift the protocol so that 0 is trigger K + 1 of the log (one LOG)");
  }

  void check() override {
    if (subjectFlag_->count() > 0) {
      if (layout_ == "no-subject")
        throw UsageError{"--subject-column and --layout no-subject contradict each other"};
      layout_ = "subject";
    }
    options_.repetitionTimeMs = wholeNumber(tr_, "--tr");
    options_.duration =
        duration_ == "column" ? DurationMode::kDurationColumn : DurationMode::kNextEvent;
    for (const std::string& log : logs_)
      requireFit(log, "the log file's path \"" + escapeLine(log) + "\"");
    checkAlignment();
  }

  int plan(std::vector<PlannedRun>& runs, std::ostream& err) override {
    int status = 0;
    std::map<std::string, std::string> logBySave;
    for (const std::string& log : logs_) {
      bool subject = false;
      if (!checkLog(log, subject, err)) {
        status = kFailure;
        continue;
      }
      const std::string save = savedPathOf(log);
      const auto taken = logBySave.emplace(save, log);
      if (!taken.second) {
        return reportUsageError(escapeLine(taken.first->second) + " and " + escapeLine(log) +
                                    " would both be saved as " + escapeLine(save),
                                err);
      }
      ImportOptions options = options_;
      options.subjectColumn = subject;
      PlannedRun run;
      run.label = "import " + log;
      run.answers = importDialogue(log, options);
      const bool picturesOnly = options_.picturesOnly;
      run.checkSaves = [log, subject, picturesOnly](const std::vector<SaveRecord>& saves,
                                                    std::ostream& messages) {
        for (const SaveRecord& save : saves) {
          if (save.conditions == 0) {
            messages << "kwhost: import " << escapeLine(log)
                     << ": no event was selected, so the protocol is empty; likely cause: "
                     << likelyCause(log, subject, picturesOnly) << '\n';
            return false;
          }
        }
        return true;
      };
      runs.push_back(std::move(run));
      if (aligning()) {
        AlignRequest request = alignment_;
        request.log = log;
        request.protocol = save;
        request.force = save_.rules.force;
        const int aligned = planAlignment(request, runs, err);
        if (aligned != 0)
          return aligned;
      }
    }
    return status;
  }

 private:
  bool aligning() const { return align_ || !bold_.empty(); }

  // The options of --bold and --align, checked into alignment_.
  void checkAlignment() {
    RunSettings& settings = alignment_.settings;
    settings = alignSettings_.parse();
    if (!aligning()) {
      if (!alignSettings_.givenNames().empty())
        throw UsageError{"--skip, --trigger and --scan work with --bold or --align only"};
      return;
    }
    if (logs_.size() != 1)
      throw UsageError{"--bold and --align shift one LOG's protocol; " +
                       std::to_string(logs_.size()) + " were given"};
    alignment_.bold = bold_;
    alignment_.words = &alignSettings_.words();
    if (settings.skip && settings.skip->automatic && bold_.empty())
      throw UsageError{"--skip auto works out K from the image: it needs --bold"};
    // Without an image, the import's TR places time zero K TR after a lone first pulse.
    if (bold_.empty())
      settings.tr = Tenths{options_.repetitionTimeMs} * 10;
  }

  // Checks that `log` is a Presentation log, and finds its layout. False after a message.
  bool checkLog(const std::string& log, bool& subject, std::ostream& err) const {
    std::string error;
    if (!checkReadable(log, error)) {
      err << "kwhost: " << escapeLine(error) << '\n';
      return false;
    }
    std::string problem;
    const StimulusFileKind kind = stimulusFileKind(log, problem);
    if (kind == StimulusFileKind::kPsychopyData || kind == StimulusFileKind::kPsychopyLog) {
      err << "kwhost: " << escapeLine(log) << ": "
          << (kind == StimulusFileKind::kPsychopyData ? "a PsychoPy data file"
                                                      : "a PsychoPy text log")
          << ": kwhost import reads Presentation logs only (kwhost events, triggers, plot and "
             "bids read PsychoPy data files)\n";
      return false;
    }
    problem.clear();
    const std::unique_ptr<LogSource> source = openLogFile(log);
    LogHeader header;
    if (source == nullptr) {
      problem = "the file cannot be read";
    } else if (checkPresentationLog(*source, problem) &&
               !(source->rewind() && readLogHeader(*source, header))) {
      problem = "the file cannot be read";
    }
    if (!problem.empty()) {
      err << "kwhost: " << escapeLine(log) << ": " << problem << '\n';
      return false;
    }
    subject = layout_ == "auto" ? header.subjectFirst() : layout_ == "subject";
    return true;
  }

  // Where the protocol of `log` will be saved: the log's path with the extension ".prt"
  // (as the plug-in names it), in --out-dir when given.
  std::string savedPathOf(const std::string& log) const {
    std::filesystem::path saved(log);
    const std::string name = fileNameOf(log);
    const size_t dot = name.rfind('.');
    const std::string protocolName =
        (dot == std::string::npos ? name : name.substr(0, dot)) + ".prt";
    saved = save_.rules.outDir.empty() ? saved.parent_path() / protocolName
                                       : std::filesystem::path(save_.rules.outDir) / protocolName;
    return saved.lexically_normal().string();
  }

  std::vector<std::string> logs_;
  ImportOptions options_;
  std::string layout_ = "auto";
  CLI::Option* subjectFlag_ = nullptr;
  std::string tr_ = "2000";
  std::string duration_ = "next";
  std::string bold_;
  bool align_ = false;
  SettingOptions alignSettings_;
  AlignRequest alignment_;
};

}  // namespace

std::unique_ptr<CommandRunner> defineImport(CLI::App& command) {
  return std::make_unique<Import>(command);
}

}  // namespace stimforge::kwhost
