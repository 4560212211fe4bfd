#include "kwhost/settings/setting_words.h"

namespace stimforge::kwhost {
namespace {

class PlainWords : public SettingWords {
 public:
  bool has(Setting) const override { return true; }
  std::string name(Setting setting) const override { return settingKey(setting); }
  std::string given(Setting setting, const std::string& value) const override {
    return value.empty() ? name(setting) : name(setting) + " " + value;
  }
  std::string detailsHint(bool) const override { return ""; }
};

}  // namespace

const char* settingKey(Setting setting) {
  switch (setting) {
    case Setting::kTypes:
      return "types";
    case Setting::kDuration:
      return "duration";
    case Setting::kZero:
      return "zero";
    case Setting::kTrigger:
      return "trigger";
    case Setting::kTr:
      return "tr";
    case Setting::kSkip:
      return "skip";
    case Setting::kScan:
      return "scan";
    case Setting::kVolumes:
      return "volumes";
    case Setting::kColumns:
      return "columns";
    case Setting::kMap:
      return "map";
    case Setting::kUnmapped:
      return "unmapped";
    case Setting::kKeepTriggers:
      return "keep_triggers";
    case Setting::kTrialType:
      return "trial_type";
    case Setting::kForce:
      return "force";
  }
  return "";
}

const SettingWords& plainSettingWords() {
  static const PlainWords words;
  return words;
}

}  // namespace stimforge::kwhost
