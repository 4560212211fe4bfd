// How a front end names the settings of a run in the messages the libraries write: the
// command line says "--skip 4", the study file "skip = 4". A library that refuses, advises
// or describes in terms of a setting ("none left after --skip 4", "give --trigger
// Response:5", "given with skip = 4") takes the words from here, so that no library names a
// command-line option, and advice never names a setting the command does not have.
#ifndef STIMFORGE_KWHOST_SETTINGS_SETTING_WORDS_H_
#define STIMFORGE_KWHOST_SETTINGS_SETTING_WORDS_H_

#include <string>

namespace stimforge::kwhost {

enum class Setting {
  kTypes,
  kDuration,
  kZero,
  kTrigger,
  kTr,
  kSkip,
  kScan,
  kVolumes,
  kColumns,
  kMap,
  kUnmapped,
  kKeepTriggers,
  kTrialType,
  kForce,  // not a run's own: replacing files kwhost did not write
};

class SettingWords {
 public:
  virtual ~SettingWords() = default;

  // Whether the front end has the setting at all.
  virtual bool has(Setting setting) const = 0;

  // The setting's name as the user writes it: "--skip", "skip".
  virtual std::string name(Setting setting) const = 0;

  // The setting given `value`, written as on the command line ("4", "Response:5",
  // "Picture,Sound"; placeholders in capitals: "K", "MS", "TYPE[:CODE]"; "" for a flag):
  // "--skip 4", "skip = 4", "--keep-triggers", "keep_triggers = true".
  virtual std::string given(Setting setting, const std::string& value) const = 0;

  // Where the details of a trigger check are to be seen, as a sentence: "Run kwhost
  // triggers for the details." (`againstScan`: the check against the BOLD run).
  virtual std::string detailsHint(bool againstScan) const = 0;
};

// The settings by their own names, as the study file's keys spell them ("skip 4"), for
// callers that name no front end (the libraries' defaults, tests).
const SettingWords& plainSettingWords();

// The key of `setting` in the study file: "skip", "keep_triggers".
const char* settingKey(Setting setting);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SETTINGS_SETTING_WORDS_H_
