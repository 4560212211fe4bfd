// What the two parts of the report of `kwhost triggers` share (report.cpp, and
// report_bold.cpp for the BOLD run): not for use outside this folder.
#ifndef STIMFORGE_KWHOST_TRIGGERS_REPORT_PARTS_H_
#define STIMFORGE_KWHOST_TRIGGERS_REPORT_PARTS_H_

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "kwhost/triggers/report.h"

namespace stimforge::kwhost::report_detail {

// Whole tenths as milliseconds in JSON, exactly: 94239 is 9423.9.
nlohmann::json msJson(Tenths tenths);

// The TR the user gives, as the front end names it ("--tr").
std::string trName(const LogReport& report);

// {"count": N, "first": {"line", "time_ms", "type", "code"} or null}.
nlohmann::json stimulusJson(size_t count, const std::optional<StimulusEvent>& first);

// `Picture "cue" at 1234.5 ms (line 12)`.
std::string describeStimulus(const StimulusEvent& event);

template <typename T>
nlohmann::json optionalJson(const std::optional<T>& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

// The BOLD run's lines of the text report, and its keys of the JSON one.
void appendBold(const LogReport& report, const BoldRun& bold, const ScanCheck& check,
                std::string& text);
void addBoldJson(const LogReport& report, const BoldRun& bold, const ScanCheck& check,
                 nlohmann::json& object);

}  // namespace stimforge::kwhost::report_detail

#endif  // STIMFORGE_KWHOST_TRIGGERS_REPORT_PARTS_H_
