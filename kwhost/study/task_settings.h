// The settings of one task as a study file gives them: the run settings (the same value the
// command line gives, kwhost/settings/run_settings.h), with the line of each key given.
#ifndef STIMFORGE_KWHOST_STUDY_TASK_SETTINGS_H_
#define STIMFORGE_KWHOST_STUDY_TASK_SETTINGS_H_

#include <map>
#include <string>

#include "kwhost/settings/design_settings.h"
#include "kwhost/settings/run_settings.h"
#include "kwhost/settings/setting_words.h"

namespace stimforge::kwhost {

// A task's settings as the study file gives them: the keys given, each with its line, and
// their values in `run` (the others at their defaults). The map's path is joined to the
// study file's folder already.
struct TaskSettings {
  RunSettings run;
  std::map<Setting, int> lines;  // each key given: its line in the file
  bool splitScans = false;       // split_scans = true
  int splitScansLine = 0;        // 0: not given
  int tableLine = 0;             // the line of the [task.LABEL] table (0 for defaults)
  // The design table ([task.LABEL.design], [defaults.design]): the keys given, each with its
  // line, and their values in `design`.
  DesignChoices design;
  std::map<std::string, int> designLines;  // by key: "conditions", "max_vif"
  // "FILE:LINE: task.faces.design.contrasts: ", for the refusal of a contrast whose
  // conditions the run does not model (known only with the run); "" when none is given.
  std::string contrastsPlace;

  bool given(Setting setting) const { return lines.count(setting) > 0; }
};

// Each key `overrides` gives replaces that of `base`.
TaskSettings mergeTaskSettings(const TaskSettings& base, const TaskSettings& overrides);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_STUDY_TASK_SETTINGS_H_
