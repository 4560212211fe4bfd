// The report of `kwhost triggers`: a readable text, and the same figures as JSON under
// stable names (the README's kwhost section lists them). Times are printed in milliseconds
// with one decimal; trigger numbers count from 1 in the log, line numbers from 1 in the file.
#ifndef STIMFORGE_KWHOST_TRIGGERS_REPORT_H_
#define STIMFORGE_KWHOST_TRIGGERS_REPORT_H_

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "kwhost/settings/setting_words.h"
#include "kwhost/triggers/analysis.h"
#include "kwhost/triggers/log_triggers.h"
#include "kwhost/triggers/scan_check.h"
#include "kwhost/triggers/trigger_candidates.h"
#include "kwhost/triggers/trigger_grid.h"

namespace stimforge::kwhost {

// Everything known about one log that was read. The references must outlive the report.
struct LogReport {
  const std::string& path;
  const TriggerSelection& selection;
  const LogTriggers& triggers;
  const TriggerFindings& findings;
  const StimulusOutside& outside;
  // With --bold: the run and the log checked against it (both or neither).
  const BoldRun* bold = nullptr;
  const ScanCheck* scan = nullptr;
  // How the front end names the settings ("--tr").
  const SettingWords& words = plainSettingWords();
  // For a log without triggers: the series that could be them (null: not looked for).
  const TriggerAdvice* advice = nullptr;
  // Triggers stored in part and their check on the TR grid (both or neither).
  const PartialTriggers* partial = nullptr;
  const PartialTriggerCheck* partialCheck = nullptr;
};

// What is wrong with the log, one short phrase each (the scan check's findings last); empty
// when it is consistent.
std::vector<std::string> reportFindings(const LogReport& report);

// The text report of one log, several lines, each ending in '\n', the verdict last.
std::string textReport(const LogReport& report);

// The JSON object of one log.
nlohmann::json jsonReport(const LogReport& report);

// The JSON object of a log that could not be read: {"file": PATH, "error": PROBLEM}.
nlohmann::json jsonError(const std::string& path, const std::string& problem);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_TRIGGERS_REPORT_H_
