// A Presentation log as a stimulus source: read through the log format layer (src/logformat),
// its layout told by its column-name line. Its rows are the event lines with a whole Time;
// its triggers the events of the trigger type (and code) that have a Code; its stimulus
// events the Picture, Sound and Video lines; its further columns the stimulus-property
// columns between Code and Time, and the table's columns that `columns` names (stim_type,
// pair_index, ttime, time_uncertainty, duration_uncertainty, req_time, req_dur). A trial_type
// template names {code} and the stimulus-property columns (as the events file names them, or
// as the log does).
#ifndef STIMFORGE_KWHOST_SOURCES_PRESENTATION_SOURCE_H_
#define STIMFORGE_KWHOST_SOURCES_PRESENTATION_SOURCE_H_

#include <memory>
#include <optional>
#include <string>

#include "kwhost/events/log_columns.h"
#include "kwhost/sources/stimulus_source.h"
#include "logformat/log_header.h"
#include "logformat/log_source.h"

namespace stimforge::kwhost {

class PresentationSource : public StimulusSource {
 public:
  // Reads the log in `source`, named `name` in messages and in the sidecar.
  PresentationSource(std::unique_ptr<LogSource> source, std::string name);

  const char* program() const override { return "Presentation"; }
  Refusal defaultTrigger(const SettingWords& words, TriggerSelection& trigger) override;
  std::string triggerText(const TriggerSelection& trigger) const override;
  std::string timeText(Micros time) const override;
  std::string originText(bool described) const override;
  std::string zeroCodeText(const std::string& code) const override {
    return "the first event with the code \"" + code + "\"";
  }
  std::string nameOrigin(const std::string& name) const override;
  int decimals() const override { return 4; }
  Refusal checkColumns(const std::vector<std::string>& columns) override;
  Refusal read(const SourceRequest& request, SourcePass& pass) override;
  void finishColumns(EventsTable& table, std::set<std::string>& warnings) override;
  void describeColumns(const EventsTable& table,
                       std::vector<ExtraColumnFacts>& facts) const override;
  void describeRun(SidecarFacts& facts, std::set<std::string>& warnings) const override;
  TriggerAdvice adviseTrigger() override;

 private:
  Refusal readHeader();
  Refusal readRows(const SourceRequest& request, SourcePass& pass);
  Refusal bindTemplate(const SourceRequest& request, const EventLayout& layout,
                       std::vector<int>& places) const;

  std::unique_ptr<LogSource> source_;
  std::string name_;
  LogHeader header_;
  bool headerRead_ = false;
  std::optional<LogColumnReader> columns_;
  std::set<std::string> columnWarnings_;
  std::string runBlock_;  // the block of JSON after the table
  std::string template_;  // the trial_type template of the last read, "" when none
};

// The event types a Presentation log's rows take when the user names none.
const std::vector<std::string>& presentationDefaultTypes();

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SOURCES_PRESENTATION_SOURCE_H_
