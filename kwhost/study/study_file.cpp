#include "kwhost/study/study_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

// Errors come back as values, not exceptions: one refusal message per file, with its line.
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

namespace stimforge::kwhost {
namespace {

namespace fs = std::filesystem;

const char* typeWords(const toml::node& node) {
  switch (node.type()) {
    case toml::node_type::string:
      return "a string";
    case toml::node_type::integer:
      return "a whole number";
    case toml::node_type::floating_point:
      return "a number with a fraction";
    case toml::node_type::boolean:
      return "true or false";
    case toml::node_type::date:
    case toml::node_type::time:
    case toml::node_type::date_time:
      return "a date or time";
    case toml::node_type::array:
      return "a list";
    case toml::node_type::table:
      return "a table";
    case toml::node_type::none:
      break;
  }
  return "nothing";
}

const char* kindWords(EntityValue kind) {
  switch (kind) {
    case EntityValue::kLabel:
      break;
    case EntityValue::kIndex:
      return " index (digits only)";
    case EntityValue::kPart:
      return " (mag, phase, real or imag)";
  }
  return " label (letters and digits)";
}

bool isLabel(std::string_view text) {
  return entityValueFits(EntityValue::kLabel, text);
}

// Reads one parsed document into a StudyFile, stopping at the first refusal.
class StudyReader {
 public:
  StudyReader(const fs::path& path, StudyFile& study, std::string& problem)
      : path_(path), study_(study), problem_(problem) {}

  bool read(const toml::table& root) {
    for (auto&& [key, node] : root) {
      const std::string name(key.str());
      if (name == "match") {
        if (!readPatterns(name, node))
          return false;
      } else if (name == "exclude") {
        if (!readExclude(name, node))
          return false;
      } else if (name == "rename") {
        if (!readRenames(name, node))
          return false;
      } else if (name == "defaults") {
        if (!readSettings(name, node, study_.defaults))
          return false;
      } else if (name == "task") {
        const toml::table* tasks = node.as_table();
        if (tasks == nullptr)
          return wrongType(name, node, "a table of [task.LABEL] tables");
        for (auto&& [task, settings] : *tasks) {
          const std::string label(task.str());
          const std::string where = name + "." + label;
          if (!isLabel(label))
            return fail(task.source(), where, "a BIDS task label is letters and digits only");
          TaskSettings& own = study_.tasks[label];
          own.tableLine = static_cast<int>(task.source().begin.line);
          if (!readSettings(where, settings, own))
            return false;
        }
      } else {
        return fail(key.source(), name,
                    "unknown key; the keys are match, exclude, rename, defaults and task");
      }
    }
    return true;
  }

 private:
  bool fail(const toml::source_region& where, const std::string& key, const std::string& what) {
    problem_ = path_.u8string() + ":" + std::to_string(where.begin.line) + ": " + key + ": " + what;
    return false;
  }

  bool wrongType(const std::string& key, const toml::node& node, const char* expected) {
    return fail(node.source(), key,
                std::string("expected ") + expected + ", not " + typeWords(node));
  }

  // A list of strings, each checked by `check` (which sets the message and returns false).
  template <typename Check>
  bool readStrings(const std::string& key, const toml::node& node, const char* expected,
                   std::vector<std::string>& out, Check check) {
    const toml::array* array = node.as_array();
    if (array == nullptr)
      return wrongType(key, node, expected);
    out.clear();
    for (const toml::node& item : *array) {
      const std::optional<std::string> text = item.value<std::string>();
      if (!item.is_string())
        return wrongType(key, item, expected);
      std::string what;
      if (!check(*text, what))
        return fail(item.source(), key, what);
      for (const std::string& earlier : out) {
        if (earlier == *text)
          return fail(item.source(), key, "\"" + *text + "\" is given twice");
      }
      out.push_back(*text);
    }
    return true;
  }

  bool readPatterns(const std::string& key, const toml::node& node) {
    std::vector<std::string> texts;
    auto compiles = [&](const std::string& text, std::string& what) {
      PathPattern pattern;
      if (!PathPattern::compile(text, pattern, what)) {
        what = "\"" + text + "\": " + what;
        return false;
      }
      study_.patterns.push_back(std::move(pattern));
      return true;
    };
    return readStrings(key, node, "a list of patterns", texts, compiles);
  }

  bool readRenames(const std::string& key, const toml::node& node) {
    const toml::table* entities = node.as_table();
    if (entities == nullptr)
      return wrongType(key, node, "a table of [rename.ENTITY] tables");
    for (auto&& [entityKey, labels] : *entities) {
      const std::string entity(entityKey.str());
      const std::string where = key + "." + entity;
      const EntityKind* kind = functionalEntity(entity);
      if (kind == nullptr)
        return fail(entityKey.source(), where,
                    "unknown entity; the entities are " + functionalEntityOrder());
      const toml::table* table = labels.as_table();
      if (table == nullptr)
        return wrongType(where, labels, "a table of LAB_LABEL = \"BIDS_LABEL\" lines");
      auto& renames = study_.renames[entity];
      for (auto&& [from, to] : *table) {
        const std::string label(from.str());
        const std::string line = where + "." + label;
        if (!to.is_string())
          return wrongType(line, to, "a BIDS label in quotes");
        const std::string value = *to.value<std::string>();
        if (label.empty())
          return fail(from.source(), line, "the lab's label is empty");
        if (!entityValueFits(kind->value, value))
          return fail(to.source(), line,
                      "\"" + value + "\" is no BIDS " + entity + kindWords(kind->value));
        renames[label] = value;
      }
    }
    return true;
  }

  bool readExclude(const std::string& key, const toml::node& node) {
    auto noPlaceholder = [](const std::string& text, std::string& what) {
      what = "\"" + text + "\": an exclude pattern has no placeholders, only * and text";
      return !text.empty() && text.find('{') == std::string::npos &&
             text.find('}') == std::string::npos;
    };
    return readStrings(key, node, "a list of patterns", study_.exclude, noPlaceholder);
  }

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

  // One key of a settings table into `settings`; false after the refusal.
  bool readSetting(const std::string& name, const std::string& key,
                   const toml::source_region& keySource, const toml::node& value,
                   TaskSettings& settings) {
    const auto known = settingNamed(name);
    if (name == "split_scans") {
      settings.splitScansLine = static_cast<int>(value.source().begin.line);
      return readFlag(key, value, settings.splitScans);
    }
    if (!known)
      return fail(keySource, key,
                  "unknown key; the settings are types, map, unmapped, trigger, duration, "
                  "columns, skip, zero, keep_triggers, scan and split_scans");
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
          Setting::kColumns, Setting::kSkip, Setting::kZero, Setting::kKeepTriggers,
          Setting::kScan}) {
      if (name == settingKey(setting))
        return setting;
    }
    return std::nullopt;
  }

  const fs::path& path_;
  StudyFile& study_;
  std::string& problem_;
};

}  // namespace

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
      default:
        break;
    }
  }
  if (overrides.splitScansLine != 0) {
    merged.splitScans = overrides.splitScans;
    merged.splitScansLine = overrides.splitScansLine;
  }
  merged.tableLine = overrides.tableLine;
  return merged;
}

TaskSettings StudyFile::settingsFor(const std::string& task) const {
  const auto found = tasks.find(task);
  return found == tasks.end() ? defaults : mergeTaskSettings(defaults, found->second);
}

std::string studyPlace(const StudyFile& study, int line, const std::string& key) {
  return study.path.u8string() + ":" + std::to_string(line) + ": " + key + ": ";
}

bool excludeMatches(std::string_view pattern, std::string_view path) {
  if (pattern.find('/') == std::string_view::npos) {
    const size_t slash = path.rfind('/');
    if (slash != std::string_view::npos)
      path.remove_prefix(slash + 1);
  }
  // Globbing with "*" alone: the last star's place is enough to backtrack to.
  size_t p = 0;
  size_t t = 0;
  size_t star = std::string_view::npos;
  size_t resume = 0;
  while (t < path.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == path[t]) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos && path[resume] != '/') {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

bool parseStudyFile(std::string_view text, const fs::path& path, StudyFile& study,
                    std::string& problem) {
  study = StudyFile();
  study.path = path;
  const std::string name = path.u8string();
  toml::parse_result parsed = toml::parse(text, name);
  if (!parsed) {
    const toml::parse_error& error = parsed.error();
    problem = name + ":" + std::to_string(error.source().begin.line) + ":" +
              std::to_string(error.source().begin.column) + ": " + std::string(error.description());
    return false;
  }
  StudyReader reader(path, study, problem);
  if (!reader.read(parsed.table())) {
    study = StudyFile();
    return false;
  }
  study.path = path;
  return true;
}

bool loadStudyFile(const fs::path& path, StudyFile& study, std::string& problem) {
  std::error_code error;
  std::ifstream in;
  if (fs::is_regular_file(path, error))
    in.open(path, std::ios::binary);
  if (!in.is_open()) {
    problem = path.u8string() + ": cannot open the study file";
    return false;
  }
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    problem = path.u8string() + ": cannot read the study file";
    return false;
  }
  return parseStudyFile(text, path, study, problem);
}

}  // namespace stimforge::kwhost
