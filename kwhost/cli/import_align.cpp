#include "kwhost/cli/import_align.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

#include "kwhost/cli/command_dialogue.h"
#include "kwhost/cli/exit_status.h"
#include "kwhost/cli/setting_options.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/protocol/file_io.h"
#include "kwhost/runs/run_pipeline.h"
#include "kwhost/scan/bold_run.h"

namespace stimforge::kwhost {
namespace {

// The plug-in's name for the shifted protocol: the suffix before the extension.
std::string shiftedName(const std::string& protocol, int64_t shift) {
  const std::filesystem::path path(protocol);
  const std::string suffix =
      (shift > 0 ? "_min" : "_plus") + std::to_string(shift > 0 ? shift : -shift);
  return (path.parent_path() / (path.stem().string() + suffix + path.extension().string()))
      .string();
}

// The log's time zero: its triggers checked (against the image with --bold). False after a
// message.
bool checkTimeZero(const AlignRequest& request, ScanCheck& check, std::string& triggerType,
                   std::ostream& err) {
  std::optional<BoldRun> bold;
  std::string message;
  if (!request.bold.empty()) {
    BoldRun run;
    if (!readBoldRun(std::filesystem::u8path(request.bold), request.settings.tr.has_value(), run,
                     message)) {
      err << "kwhost: " << escapeLine(message) << '\n';
      return false;
    }
    bold = std::move(run);
  }
  Refusal refusal;
  const std::unique_ptr<StimulusSource> source =
      openStimulusSource(request.log, request.log, refusal);
  RunCheck checked;
  if (source != nullptr) {
    RunRequest run;
    run.source = source.get();
    run.name = request.log;
    run.settings = &request.settings;
    run.bold = bold ? &*bold : nullptr;
    run.words = request.words;
    refusal = checkRunTriggers(run, true, checked);
  }
  if (refusal.refused()) {
    err << "kwhost: " << escapeLine(refusal.message) << '\n';
    return false;
  }
  check = std::move(*checked.scan);
  triggerType = checked.trigger.type;
  for (const std::string& finding : check.findings)
    err << "kwhost: " << escapeLine(request.log) << ": " << escapeLine(finding) << '\n';
  if (!check.timeZero) {
    err << "kwhost: " << escapeLine(request.log) << ": time zero is unknown, so the protocol is "
        << "not imported; give " << request.words->given(Setting::kSkip, "K") << '\n';
    return false;
  }
  return true;
}

// What is said before the runs: the trigger that gives the shift.
std::string shiftText(const AlignRequest& request, const ScanCheck& check,
                      const std::string& triggerType, int64_t shift) {
  std::string text =
      "time zero of " + request.log + ": trigger " + std::to_string(*check.timeZeroTrigger + 1);
  if (check.timeZeroAfterTrigger)
    text += " + " + std::to_string(*check.dummies.k) + " x TR";
  text += " (" + triggerType + ") at " + formatMs(*check.timeZero) +
          " ms (K = " + std::to_string(*check.dummies.k) + ": " + check.dummies.rule + "); " +
          request.protocol + " is shifted " + (shift > 0 ? "earlier" : "later") + " by " +
          std::to_string(shift > 0 ? shift : -shift) + " ms";
  return text;
}

}  // namespace

int64_t shiftFromTimeZero(int64_t tenths) {
  return tenths >= 0 ? tenths / 10 : -((-(tenths + 1)) / 10) - 1;
}

ShiftCuts cutsOfShift(const std::vector<int32_t>& starts, const std::vector<int32_t>& ends,
                      int64_t amount) {
  ShiftCuts cuts;
  for (size_t i = 0; i < starts.size() && i < ends.size(); ++i) {
    if (int64_t{ends[i]} - amount <= 0)
      ++cuts.wholly;
    else if (int64_t{starts[i]} - amount < 0)
      ++cuts.cut;
  }
  return cuts;
}

int planAlignment(const AlignRequest& request, std::vector<PlannedRun>& runs, std::ostream& err) {
  ScanCheck check;
  std::string triggerType;
  if (!checkTimeZero(request, check, triggerType, err))
    return kFailure;
  const int64_t shift = shiftFromTimeZero(*check.timeZero);
  if (shift > kMaxShiftMs || shift < -kMaxShiftMs) {
    err << "kwhost: " << escapeLine(request.log) << ": time zero is " << formatMs(*check.timeZero)
        << " ms: a shift of more than " << kMaxShiftMs
        << " ms, the most the plug-in's dialogue takes\n";
    return kFailure;
  }
  if (shift == 0) {
    err << "kwhost: " << escapeLine(shiftText(request, check, triggerType, shift))
        << ": 0 ms, no shift\n";
    return 0;
  }
  const std::string shifted = shiftedName(request.protocol, shift);
  for (const std::string& save : {request.protocol, shifted}) {
    std::error_code error;
    // kwhost's own protocol files are replaced, as the import itself replaces them.
    if (!request.force && std::filesystem::exists(std::filesystem::u8path(save), error) &&
        !isProtocolFileAt(save)) {
      err << "kwhost: " << escapeLine(save) << " exists and is not a protocol file kwhost wrote; "
          << kForceHint << "\n";
      return kFailure;
    }
  }
  err << "kwhost: " << escapeLine(shiftText(request, check, triggerType, shift)) << '\n';
  PlannedRun run;
  run.label = "shift " + request.protocol;
  run.afterPrevious = true;
  run.answers = shiftDialogue(shift > 0, static_cast<int32_t>(shift > 0 ? shift : -shift));
  run.failureNote = request.protocol + " stays as imported, not shifted";
  const std::string protocol = request.protocol;
  run.prepare = [protocol, shift](PlannedRun& self, std::ostream& messages) {
    if (!loadProtocol(protocol, self.protocol, messages))
      return false;
    if (self.protocol.timeResolution != kTimeResolutionMilliseconds) {
      messages << "kwhost: " << escapeLine(protocol) << " is in volumes, not milliseconds\n";
      return false;
    }
    self.hasProtocol = true;
    ShiftCuts cuts;
    for (const Condition& condition : self.protocol.conditions) {
      const ShiftCuts more = cutsOfShift(condition.starts, condition.ends, shift);
      cuts.cut += more.cut;
      cuts.wholly += more.wholly;
    }
    messages << "kwhost: the shift cuts " << cuts.cut << " interval(s) at 0 and moves "
             << cuts.wholly << " wholly before 0 (they become 0-0)\n";
    return true;
  };
  runs.push_back(std::move(run));
  return 0;
}

}  // namespace stimforge::kwhost
