// The run settings as command-line options: each registered once, with one help text, for
// every command that takes it; each parsed by the settings' own parser (kwhost/settings/) and
// refused with the option's name ("--skip: 2000000000 is more than ..."). And the words in
// which the libraries name the options of a command in their messages.
#ifndef STIMFORGE_KWHOST_CLI_SETTING_OPTIONS_H_
#define STIMFORGE_KWHOST_CLI_SETTING_OPTIONS_H_

#include <map>
#include <string>
#include <vector>

#include "kwhost/settings/run_settings.h"
#include "kwhost/settings/setting_words.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace stimforge::kwhost {

// How a command tells the user to force a replacement.
inline constexpr char kForceHint[] = "give --force to replace it";

// The command-line option of `setting`: "--skip".
const char* optionName(Setting setting);

// A command's settings as its options spell them.
class OptionWords : public SettingWords {
 public:
  explicit OptionWords(std::vector<Setting> settings) : settings_(std::move(settings)) {}
  bool has(Setting setting) const override;
  std::string name(Setting setting) const override { return optionName(setting); }
  std::string given(Setting setting, const std::string& value) const override;
  std::string detailsHint(bool againstScan) const override;

 private:
  std::vector<Setting> settings_;
};

// The options of `settings` on one command.
class SettingOptions {
 public:
  // Registers the options of `settings` on `command`, in the order given; kTypes brings
  // --pictures-only too. The texts are bound to this object, which must outlive parsing.
  SettingOptions(CLI::App& command, std::vector<Setting> settings);

  // After parsing: the settings that were given, each through its parser. Throws
  // UsageError naming the option. Checks each value alone; a command checks how they go
  // together (see requireWith).
  RunSettings parse() const;

  // Whether the option of `setting` was given.
  bool given(Setting setting) const;

  // The options given, by name, in the order registered: "--map", "--zero".
  std::vector<std::string> givenNames() const;

  // Throws UsageError ("--unmapped needs --map") when `setting` was given without `needed`.
  void requireWith(Setting setting, Setting needed) const;

  const OptionWords& words() const { return words_; }

 private:
  struct Entry {
    Setting setting;
    std::string text;
    bool flag = false;
    CLI::Option* option = nullptr;
  };
  const Entry* find(Setting setting) const;

  std::vector<Entry> entries_;
  bool picturesOnly_ = false;
  CLI::Option* picturesOnlyOption_ = nullptr;
  OptionWords words_;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_SETTING_OPTIONS_H_
