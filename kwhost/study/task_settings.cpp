// The settings tables of a study file, [defaults] and [task.LABEL]: each key through the
// parser of its setting, as the command line's option goes.
#include "kwhost/study/task_settings.h"

#include <cmath>
#include <system_error>

#include "kwhost/study/toml_reading.h"

namespace stimforge::kwhost {
namespace {

namespace fs = std::filesystem;

class SettingsReader : public TomlReading {
 public:
  using TomlReading::TomlReading;

  // A value as the command line writes it, for the settings' parsers: strings as they are,
  // whole numbers as their digits, numbers with a fraction when they are whole tenths.
  static bool valueText(const toml::node& value, std::string& text) {
    if (const std::optional<std::string> string = value.value_exact<std::string>()) {
      text = *string;
      return true;
    }
    if (const std::optional<int64_t> whole = value.value_exact<int64_t>()) {
      text = std::to_string(*whole);
      return true;
    }
    if (const std::optional<double> number = value.value_exact<double>()) {
      const double tenths = tenthsOfMs(*number);
      if (!(std::fabs(tenths) < 1e17) || std::fabs(tenths - std::round(tenths)) > 1e-6)
        return false;
      const auto rounded = static_cast<int64_t>(std::llround(tenths));
      const int64_t magnitude = rounded < 0 ? -rounded : rounded;
      text = (rounded < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." +
             std::to_string(magnitude % 10);
      return true;
    }
    return false;
  }

  // One scalar setting through its parser.
  bool readScalar(const std::string& key, Setting setting, const toml::node& value,
                  RunSettings& run) {
    std::string text;
    std::string problem;
    bool parsed = valueText(value, text);
    if (!parsed)
      problem = std::string("expected a ") +
                (setting == Setting::kZero ? "text or a time in ms" : "text or a number") +
                ", not " + typeWords(value);
    const bool number = value.is_integer() || value.is_floating_point();
    const bool wantsNumber = setting == Setting::kScan || setting == Setting::kSkip;
    if (parsed && value.is_string() && wantsNumber && text != "auto") {
      parsed = false;
      problem = "\"" + text + "\": give " + (setting == Setting::kSkip ? "\"auto\" or " : "") +
                "a whole number without quotes";
    } else if (parsed && number && !wantsNumber && setting != Setting::kZero) {
      parsed = false;
      problem = "expected a text in quotes, not " + std::string(typeWords(value));
    }
    if (parsed) {
      switch (setting) {
        case Setting::kTrigger:
          run.trigger.emplace();
          parsed = parseTrigger(text, *run.trigger, problem);
          break;
        case Setting::kDuration:
          parsed = parseDuration(text, run.duration, problem);
          break;
        case Setting::kSkip:
          run.skip.emplace();
          parsed = parseSkip(text, *run.skip, problem);
          break;
        case Setting::kScan:
          run.scan.emplace();
          parsed = parseScan(text, *run.scan, problem);
          break;
        case Setting::kZero:
          parsed = parseZero(text, run.zero, problem);
          break;
        case Setting::kUnmapped:
          parsed = parseUnmapped(text, run.unmapped, problem);
          break;
        case Setting::kTrialType:
          run.trialType.emplace();
          parsed = parseTrialTypeTemplate(text, *run.trialType, problem);
          break;
        default:
          break;
      }
    }
    return parsed || fail(value.source(), key, problem);
  }

  // A list setting: each item through its parser.
  bool readList(const std::string& key, const toml::node& value, const char* expected,
                bool (*parseItem)(std::string_view, const std::vector<std::string>&, std::string&),
                std::vector<std::string>& items) {
    auto check = [parseItem, &items](const std::string& text, std::string& what) {
      return parseItem(text, items, what);
    };
    items.clear();
    return readStrings(key, value, expected, items, check);
  }

  bool readFlag(const std::string& key, const toml::node& value, bool& flag) {
    if (!value.is_boolean())
      return wrongType(key, value, "true or false");
    flag = *value.value<bool>();
    return true;
  }

  bool readMap(const std::string& key, const toml::node& value, RunSettings& run) {
    const std::optional<std::string> text = value.value_exact<std::string>();
    if (!text || text->empty())
      return wrongType(key, value, "a file name in quotes");
    const fs::path file = path_.parent_path() / fs::u8path(*text);
    std::error_code error;
    if (!fs::is_regular_file(file, error))
      return fail(value.source(), key, "no file " + file.u8string());
    run.map = file.u8string();
    return true;
  }

  // A number of the design table, whole or with a fraction.
  bool designNumber(const std::string& key, const toml::node& value, double& number) {
    if (const std::optional<int64_t> integer = value.value_exact<int64_t>()) {
      number = static_cast<double>(*integer);
      return true;
    }
    if (const std::optional<double> real = value.value_exact<double>()) {
      number = *real;
      return true;
    }
    return wrongType(key, value, "a number");
  }

  // One key of a design table into `design`; false after the refusal.
  bool readDesignKey(const std::string& name, const std::string& key,
                     const toml::source_region& keySource, const toml::node& value,
                     TaskSettings& settings) {
    DesignChoices& design = settings.design;
    std::string problem;
    double number = 0;
    bool fits = true;
    if (name == "conditions") {
      auto check = [&design](const std::string& text, std::string& what) {
        return parseCondition(text, design.conditions, what);
      };
      return readStrings(key, value, "a list of conditions", design.conditions, check);
    } else if (name == "contrasts") {
      settings.contrastsPlace =
          path_.u8string() + ":" + std::to_string(value.source().begin.line) + ": " + key + ": ";
      auto check = [&design](const std::string& text, std::string& what) {
        return parseContrastText(text, design.contrasts, what);
      };
      return readStrings(key, value, "a list of contrasts NAME=A-B", design.contrasts, check);
    } else if (name == "high_pass") {
      fits = designNumber(key, value, number) && checkHighPass(number, problem);
      design.highPassSeconds = number;
    } else if (name == "max_vif") {
      fits = designNumber(key, value, number) && checkMaxVif(number, problem);
      design.maxVif = number;
    } else if (name == "max_correlation") {
      fits = designNumber(key, value, number) && checkMaxCorrelation(number, problem);
      design.maxCorrelation = number;
    } else if (name == "min_events") {
      const std::optional<int64_t> count = value.value_exact<int64_t>();
      if (!count)
        return wrongType(key, value, "a whole number");
      fits = checkMinEvents(*count, problem);
      design.minEvents = count;
    } else {
      return fail(keySource, key,
                  "unknown key; the design settings are conditions, contrasts, high_pass, "
                  "max_vif, max_correlation and min_events");
    }
    return fits || (!problem.empty() && fail(value.source(), key, problem));
  }

  bool readDesign(const std::string& where, const toml::node& node, TaskSettings& settings) {
    const toml::table* table = node.as_table();
    if (table == nullptr)
      return wrongType(where, node, "a table of design settings");
    for (auto&& [keyName, value] : *table) {
      const std::string name(keyName.str());
      settings.designLines[name] = static_cast<int>(value.source().begin.line);
      if (!readDesignKey(name, where + "." + name, keyName.source(), value, settings))
        return false;
    }
    return true;
  }

  // One key of a settings table into `settings`; false after the refusal.
  bool readSetting(const std::string& name, const std::string& key,
                   const toml::source_region& keySource, const toml::node& value,
                   TaskSettings& settings) {
    const auto known = settingNamed(name);
    if (name == "design")
      return readDesign(key, value, settings);
    if (name == "split_scans") {
      settings.splitScansLine = static_cast<int>(value.source().begin.line);
      return readFlag(key, value, settings.splitScans);
    }
    if (!known)
      return fail(keySource, key,
                  "unknown key; the settings are types, map, unmapped, trigger, duration, "
                  "columns, skip, zero, keep_triggers, scan, trial_type and split_scans, and the "
                  "table design");
    settings.lines[*known] = static_cast<int>(value.source().begin.line);
    RunSettings& run = settings.run;
    switch (*known) {
      case Setting::kTypes:
        run.types.emplace();
        if (!readList(key, value, "a list of event types", parseType, *run.types))
          return false;
        return !run.types->empty() ||
               fail(value.source(), key, "no type given, so no event would be written");
      case Setting::kColumns:
        return readList(key, value, "a list of column names", parseColumnName, run.columns);
      case Setting::kMap:
        return readMap(key, value, run);
      case Setting::kKeepTriggers:
        return readFlag(key, value, run.keepTriggers);
      default:
        return readScalar(key, *known, value, run);
    }
  }

 public:
  bool readSettings(const std::string& where, const toml::node& node, TaskSettings& settings) {
    const toml::table* table = node.as_table();
    if (table == nullptr)
      return wrongType(where, node, "a table of settings");
    for (auto&& [keyName, value] : *table) {
      const std::string name(keyName.str());
      if (!readSetting(name, where + "." + name, keyName.source(), value, settings))
        return false;
    }
    if (settings.splitScans && settings.given(Setting::kScan))
      return fail(node.source(), where,
                  "scan and split_scans = true cannot be combined: the one picks a scan of "
                  "each log, the other makes each scan a run");
    return true;
  }

  // The settings a study file has a key for: every run setting but the TR and the volumes,
  // which a study takes from the scan.
  static std::optional<Setting> settingNamed(const std::string& name) {
    for (const Setting setting :
         {Setting::kTypes, Setting::kMap, Setting::kUnmapped, Setting::kTrigger, Setting::kDuration,
          Setting::kColumns, Setting::kSkip, Setting::kZero, Setting::kKeepTriggers, Setting::kScan,
          Setting::kTrialType}) {
      if (name == settingKey(setting))
        return setting;
    }
    return std::nullopt;
  }
};

// Each design key `overrides` gives replaces that of `merged`.
void mergeDesign(const TaskSettings& overrides, TaskSettings& merged) {
  const DesignChoices& from = overrides.design;
  DesignChoices& to = merged.design;
  for (const auto& [key, line] : overrides.designLines) {
    merged.designLines[key] = line;
    if (key == "conditions")
      to.conditions = from.conditions;
    if (key == "contrasts") {
      to.contrasts = from.contrasts;
      merged.contrastsPlace = overrides.contrastsPlace;
    }
    if (key == "high_pass")
      to.highPassSeconds = from.highPassSeconds;
    if (key == "max_vif")
      to.maxVif = from.maxVif;
    if (key == "max_correlation")
      to.maxCorrelation = from.maxCorrelation;
    if (key == "min_events")
      to.minEvents = from.minEvents;
  }
}

}  // namespace

bool readTaskSettings(const std::filesystem::path& file, const std::string& where,
                      const toml::node& node, TaskSettings& settings, std::string& problem) {
  SettingsReader reader(file, problem);
  return reader.readSettings(where, node, settings);
}

TaskSettings mergeTaskSettings(const TaskSettings& base, const TaskSettings& overrides) {
  TaskSettings merged = base;
  const RunSettings& from = overrides.run;
  RunSettings& to = merged.run;
  for (const auto& [setting, line] : overrides.lines) {
    merged.lines[setting] = line;
    switch (setting) {
      case Setting::kTypes:
        to.types = from.types;
        break;
      case Setting::kMap:
        to.map = from.map;
        break;
      case Setting::kUnmapped:
        to.unmapped = from.unmapped;
        break;
      case Setting::kTrigger:
        to.trigger = from.trigger;
        break;
      case Setting::kDuration:
        to.duration = from.duration;
        break;
      case Setting::kColumns:
        to.columns = from.columns;
        break;
      case Setting::kSkip:
        to.skip = from.skip;
        break;
      case Setting::kZero:
        to.zero = from.zero;
        break;
      case Setting::kKeepTriggers:
        to.keepTriggers = from.keepTriggers;
        break;
      case Setting::kScan:
        to.scan = from.scan;
        break;
      case Setting::kTrialType:
        to.trialType = from.trialType;
        break;
      default:
        break;
    }
  }
  mergeDesign(overrides, merged);
  if (overrides.splitScansLine != 0) {
    merged.splitScans = overrides.splitScans;
    merged.splitScansLine = overrides.splitScansLine;
  }
  merged.tableLine = overrides.tableLine;
  return merged;
}

}  // namespace stimforge::kwhost
