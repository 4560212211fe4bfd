// A PsychoPy Builder data file as a stimulus source (through kwhost/psychopy): read whole once,
// its events scanned once and kept, for every pass the pipeline asks of it.
//
// Rows, in the order of their exact onsets (equal ones in the file's order, so that the table
// needs no sorting): the events of the components chosen (the settings' types name components; by
// default every component but the trigger's and those on another clock, which a warning names),
// each shown event with its duration (X.stopped - X.started, rounded once) and each key press.
// Onsets keep every digit of their cells: a row's parts of a microsecond go with it, so that
// the onset from time zero is rounded once. The raw name of a row (its trial_type before the
// map) is its component's, or what the trial_type template gives over its row's cells (the
// data file's column names, or their output names), "n/a" where a cell it names is empty,
// None or nan.
//
// Columns after trial_type: event_type ("shown", "keyboard start" or "key press"), component,
// key (n/a but for key presses), loop and trial (the loop's thisN; both n/a outside loops), then the further columns
// asked for by their output names (propertyColumnName: "stim_resp.corr" is stim_resp_corr).
//
// The trigger: a keyboard COMPONENT or COMPONENT:KEY named by the settings (TriggerSelection's
// type and code), else the one candidate (kwhost/psychopy/trigger.h). Its presses of the key
// are the triggers, and rows only with keepTriggers. A keyboard that waits again during the
// run stores the first trigger of each wait only: the first alone is counted, the others are
// SourcePass::partialTriggers. Stimulus events: the shown events of non-keyboard components on
// the experiment's clock, as type "stimulus" with the component as code.
#ifndef STIMFORGE_KWHOST_SOURCES_PSYCHOPY_SOURCE_H_
#define STIMFORGE_KWHOST_SOURCES_PSYCHOPY_SOURCE_H_

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "kwhost/psychopy/data_file.h"
#include "kwhost/psychopy/events.h"
#include "kwhost/psychopy/trigger.h"
#include "kwhost/sources/psychopy_kept.h"
#include "kwhost/sources/stimulus_source.h"

namespace stimforge::kwhost {

class PsychopySource : public StimulusSource {
 public:
  // The data file at `path`, named `name` in messages and in the sidecar; read on first use.
  PsychopySource(std::string path, std::string name);

  const char* program() const override { return "PsychoPy"; }
  Refusal defaultTrigger(const SettingWords& words, TriggerSelection& trigger) override;
  std::string triggerText(const TriggerSelection& trigger) const override;
  std::string timeText(Micros time) const override;
  std::string originText(bool described) const override;
  std::string zeroCodeText(const std::string& code) const override;
  std::string nameOrigin(const std::string& name) const override;
  int decimals() const override { return 6; }
  Refusal checkColumns(const std::vector<std::string>& columns) override;
  Refusal read(const SourceRequest& request, SourcePass& pass) override;
  void finishColumns(EventsTable& table, std::set<std::string>& warnings) override;
  void describeColumns(const EventsTable& table,
                       std::vector<ExtraColumnFacts>& facts) const override;
  void describeRun(SidecarFacts& facts, std::set<std::string>& warnings) const override;
  // Its keyboards' keys that beat like triggers (COMPONENT:KEY), and its components.
  TriggerAdvice adviseTrigger() override;

 private:
  // A further column asked for: its output name and its place in file_.names.
  struct Column {
    std::string name;
    size_t nameIndex = 0;
  };

  Refusal load();
  Refusal resolveTrigger(const SourceRequest& request, PsychopyTrigger& trigger);
  void addTriggers(const SourceRequest& request, const PsychopyTrigger* trigger,
                   SourcePass& pass) const;
  Refusal chooseComponents(const SourceRequest& request, const PsychopyTrigger* trigger,
                           std::vector<bool>& chosen);
  Refusal bindTemplate(const SourceRequest& request, std::vector<size_t>& columns) const;
  Refusal bindColumns(const std::vector<std::string>& names, std::vector<Column>& columns) const;
  void addRows(const SourceRequest& request, const PsychopyTrigger* trigger,
               const std::vector<bool>& chosen, const std::vector<size_t>& templateColumns,
               SourcePass& pass);
  // The template filled in for data row `fileRow` (its columns at `columns` in file_.names),
  // "n/a" when a cell it names is missing, as an index into `names`.
  uint32_t templateName(const TrialTypeTemplate& trialType, const std::vector<size_t>& columns,
                        size_t fileRow, CodeTable& names) const;
  void fillColumns(EventsTable& table, std::vector<ExtraColumn>& columns) const;
  // Every further column by its output name, the first of each name.
  std::vector<Column> furtherColumns() const;

  std::string path_;
  std::string name_;
  bool loaded_ = false;
  Refusal loadRefusal_;
  PsychopyDataFile file_;
  PsychopyScan scan_;
  // The scan's events; a pass of rows takes them (consumed_), and the next pass scans again.
  KeptEvents events_;
  bool consumed_ = false;
  std::optional<PsychopyTrigger> found_;  // the default trigger, once found
  // Of the last read: the key of each row of the pass (whose trial holds its data row and
  // eventType its component until finishColumns), the further columns, the template, and
  // the warnings for finishColumns.
  std::vector<int32_t> passKeys_;
  std::vector<Column> columns_;
  std::string template_;
  std::set<std::string> warnings_;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SOURCES_PSYCHOPY_SOURCE_H_
