#include "kwhost/cli/setting_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>

#include "kwhost/cli/command_line.h"

namespace stimforge::kwhost {
namespace {

struct OptionFacts {
  Setting setting;
  const char* name;
  const char* typeName;  // "" for a flag
  const char* help;
};

// Each option once, with its one help text, for every command that takes it.
constexpr OptionFacts kOptions[] = {
    {Setting::kTypes, "--types", "T1,T2,...",
     "The event types of the rows (default Picture,Sound,Video,Response), e.g. "
     "Picture,Nothing,Manual; of a PsychoPy data file, its components (default: all but the "
     "trigger's and those on another clock)"},
    {Setting::kDuration, "--duration", "MODE",
     "column (the Duration column, n/a where none; default) or next (the time to the next "
     "row)"},
    {Setting::kZero, "--zero", "ZERO",
     "Time zero: auto (the trigger of the first stored volume; default), scenario, MS "
     "(milliseconds, on protocols in volumes too), or code:NAME"},
    {Setting::kTrigger, "--trigger", "TYPE[:CODE]",
     "The event type of the scanner's triggers, and optionally one code (default Pulse, any "
     "code); of a PsychoPy data file, its keyboard COMPONENT[:KEY] (default: the one keyboard "
     "that waited for the scanner)"},
    {Setting::kTr, "--tr", "MS", "The repetition time in milliseconds (at most one decimal)"},
    {Setting::kSkip, "--skip", "K|auto",
     "K, the triggers without a stored volume (default 0), or auto: worked out from the image "
     "(the default with --bold)"},
    {Setting::kScan, "--scan", "N", "The scan of the log (from 1) when it holds several"},
    {Setting::kVolumes, "--volumes", "N", "The volumes stored per scan"},
    {Setting::kColumns, "--columns", "C1,C2,...",
     "Also write these columns of the log's table: stim_type, pair_index, ttime, "
     "time_uncertainty, duration_uncertainty, req_time, req_dur; of a PsychoPy data file, its "
     "own columns by name (lower case, _ for other characters)"},
    {Setting::kMap, "--map", "FILE",
     "A TSV of pattern<TAB>trial_type lines naming the conditions; a third field, an event "
     "type, limits a line to events of that type"},
    {Setting::kUnmapped, "--unmapped", "RULE", "Codes no map line matches: keep (default) or drop"},
    {Setting::kKeepTriggers, "--keep-triggers", "",
     "Also the rows of the --trigger events that the types select (left out by default: they "
     "mark the scan's time)"},
    {Setting::kTrialType, "--trial-type", "TEMPLATE",
     "Name each row's trial_type from its columns, e.g. {condition} or {load}_{target}: a "
     "PsychoPy data file's columns, a Presentation log's {code} and stimulus-property columns; "
     "a --map applies to the result"},
    {Setting::kForce, "--force", "", "Replace files kwhost did not write"},
};

const OptionFacts& factsOf(Setting setting) {
  for (const OptionFacts& facts : kOptions) {
    if (facts.setting == setting)
      return facts;
  }
  return kOptions[0];
}

[[noreturn]] void refuse(Setting setting, const std::string& problem) {
  throw UsageError{std::string(optionName(setting)) + ": " + problem};
}

// One given option into `settings`.
void parseOne(Setting setting, const std::string& text, RunSettings& settings) {
  std::string problem;
  bool parsed = true;
  switch (setting) {
    case Setting::kTypes:
      settings.types.emplace();
      parsed = parseList(text, parseType, *settings.types, problem);
      break;
    case Setting::kDuration:
      parsed = parseDuration(text, settings.duration, problem);
      break;
    case Setting::kZero:
      parsed = parseZero(text, settings.zero, problem);
      break;
    case Setting::kTrigger:
      settings.trigger.emplace();
      parsed = parseTrigger(text, *settings.trigger, problem);
      break;
    case Setting::kTr:
      settings.tr.emplace();
      parsed = parseTr(text, *settings.tr, problem);
      break;
    case Setting::kSkip:
      settings.skip.emplace();
      parsed = parseSkip(text, *settings.skip, problem);
      break;
    case Setting::kScan:
      settings.scan.emplace();
      parsed = parseScan(text, *settings.scan, problem);
      break;
    case Setting::kVolumes:
      settings.volumes.emplace();
      parsed = parseVolumes(text, *settings.volumes, problem);
      break;
    case Setting::kColumns:
      parsed = parseList(text, parseColumnName, settings.columns, problem);
      break;
    case Setting::kMap:
      settings.map = text;
      parsed = !text.empty();
      problem = "the file name is empty";
      break;
    case Setting::kUnmapped:
      parsed = parseUnmapped(text, settings.unmapped, problem);
      break;
    case Setting::kKeepTriggers:
      settings.keepTriggers = true;
      break;
    case Setting::kTrialType:
      settings.trialType.emplace();
      parsed = parseTrialTypeTemplate(text, *settings.trialType, problem);
      break;
    case Setting::kForce:
      break;
  }
  if (!parsed)
    refuse(setting, problem);
}

}  // namespace

const char* optionName(Setting setting) {
  return factsOf(setting).name;
}

bool OptionWords::has(Setting setting) const {
  return std::find(settings_.begin(), settings_.end(), setting) != settings_.end();
}

std::string OptionWords::given(Setting setting, const std::string& value) const {
  // A value with a blank is quoted, as a shell needs it ("--trigger \"Port Input:53\"").
  const bool blank = value.find(' ') != std::string::npos;
  return value.empty() ? name(setting)
                       : name(setting) + " " + (blank ? "\"" + value + "\"" : value);
}

std::string OptionWords::detailsHint(bool againstScan) const {
  return againstScan ? "Run kwhost triggers --bold for the details."
                     : "Run kwhost triggers for the details.";
}

SettingOptions::SettingOptions(CLI::App& command, std::vector<Setting> settings)
    : words_(settings) {
  entries_.reserve(settings.size());  // the options hold references to the texts
  for (const Setting setting : settings) {
    const OptionFacts& facts = factsOf(setting);
    Entry& entry = entries_.emplace_back();
    entry.setting = setting;
    entry.flag = facts.typeName[0] == '\0';
    if (entry.flag) {
      entry.option = command.add_flag(facts.name, facts.help);
    } else {
      entry.option =
          command.add_option(facts.name, entry.text, facts.help)->type_name(facts.typeName);
    }
    if (setting == Setting::kTypes)
      picturesOnlyOption_ =
          command.add_flag("--pictures-only", picturesOnly_, "Only Picture events (as the import)");
  }
}

const SettingOptions::Entry* SettingOptions::find(Setting setting) const {
  for (const Entry& entry : entries_) {
    if (entry.setting == setting)
      return &entry;
  }
  return nullptr;
}

bool SettingOptions::given(Setting setting) const {
  const Entry* entry = find(setting);
  return entry != nullptr && entry->option->count() > 0;
}

std::vector<std::string> SettingOptions::givenNames() const {
  std::vector<std::string> names;
  for (const Entry& entry : entries_) {
    if (entry.option->count() > 0)
      names.push_back(optionName(entry.setting));
    if (entry.setting == Setting::kTypes && picturesOnlyOption_->count() > 0)
      names.push_back("--pictures-only");
  }
  return names;
}

void SettingOptions::requireWith(Setting setting, Setting needed) const {
  if (given(setting) && !given(needed))
    throw UsageError{std::string(optionName(setting)) + " needs " + optionName(needed)};
}

RunSettings SettingOptions::parse() const {
  RunSettings settings;
  for (const Entry& entry : entries_) {
    if (entry.option->count() > 0)
      parseOne(entry.setting, entry.text, settings);
  }
  if (picturesOnly_) {
    if (settings.types)
      throw UsageError{"--pictures-only and --types cannot be combined"};
    settings.types = std::vector<std::string>{"Picture"};
  }
  return settings;
}

}  // namespace stimforge::kwhost
