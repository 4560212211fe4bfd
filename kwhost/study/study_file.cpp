#include "kwhost/study/study_file.h"

#include <fstream>
#include <iterator>

// Errors come back as values, not exceptions: one refusal message per file, with its line.
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

namespace stimforge::kwhost {
namespace {

namespace fs = std::filesystem;

// The longest --skip a study may give: far more triggers than any run has volumes.
constexpr int64_t kMaxSkip = 1000000;

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
          if (!readSettings(where, settings, study_.tasks[label]))
            return false;
        }
      } else {
        return fail(key.source(), name,
                    "unknown key; the keys are match, rename, defaults and task");
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

  bool readSettings(const std::string& where, const toml::node& node, TaskSettings& settings) {
    const toml::table* table = node.as_table();
    if (table == nullptr)
      return wrongType(where, node, "a table of settings");
    auto nonEmpty = [](const std::string& text, std::string& what) {
      what = "an empty type";
      return !text.empty();
    };
    auto columnName = [](const std::string& text, std::string& what) {
      what = "\"" + text + "\" is no column name (lower-case letters, digits and _)";
      for (const char c : text) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
          return false;
      }
      return !text.empty();
    };
    for (auto&& [keyName, value] : *table) {
      const std::string name(keyName.str());
      const std::string key = where + "." + name;
      const std::optional<std::string> text = value.value<std::string>();
      if (name == "types") {
        settings.types.emplace();
        if (!readStrings(key, value, "a list of event types", *settings.types, nonEmpty))
          return false;
        if (settings.types->empty())
          return fail(value.source(), key, "no type given, so no event would be written");
      } else if (name == "columns") {
        settings.columns.emplace();
        if (!readStrings(key, value, "a list of column names", *settings.columns, columnName))
          return false;
      } else if (name == "map") {
        if (!value.is_string() || text->empty())
          return wrongType(key, value, "a file name in quotes");
        const fs::path file = path_.parent_path() / fs::u8path(*text);
        std::error_code error;
        if (!fs::is_regular_file(file, error))
          return fail(value.source(), key, "no file " + file.u8string());
        settings.map = file;
      } else if (name == "trigger") {
        const size_t colon = text ? text->rfind(':') : std::string::npos;
        if (!value.is_string() || text->empty() || colon == 0 ||
            (colon != std::string::npos && colon + 1 == text->size()))
          return fail(value.source(), key, "expected \"TYPE\" or \"TYPE:CODE\", as \"Pulse\"");
        settings.trigger = *text;
      } else if (name == "duration") {
        if (!value.is_string() || (*text != "column" && *text != "next"))
          return fail(value.source(), key, "expected \"column\" or \"next\"");
        settings.duration = *text == "next" ? DurationSetting::kNext : DurationSetting::kColumn;
      } else if (name == "skip") {
        const std::optional<int64_t> count = value.value_exact<int64_t>();
        if (value.is_string() && *text == "auto") {
          settings.skip = SkipSetting{true, 0};
        } else if (value.is_integer() && *count >= 0 && *count <= kMaxSkip) {
          settings.skip = SkipSetting{false, *count};
        } else {
          return fail(value.source(), key,
                      "expected \"auto\" or a whole number from 0 to " + std::to_string(kMaxSkip) +
                          " (without quotes)");
        }
      } else {
        return fail(keyName.source(), key,
                    "unknown key; the settings are types, map, trigger, duration, columns and "
                    "skip");
      }
    }
    return true;
  }

  const fs::path& path_;
  StudyFile& study_;
  std::string& problem_;
};

}  // namespace

TaskSettings mergeTaskSettings(const TaskSettings& base, const TaskSettings& overrides) {
  TaskSettings merged = base;
  if (overrides.types)
    merged.types = overrides.types;
  if (overrides.map)
    merged.map = overrides.map;
  if (overrides.trigger)
    merged.trigger = overrides.trigger;
  if (overrides.duration)
    merged.duration = overrides.duration;
  if (overrides.columns)
    merged.columns = overrides.columns;
  if (overrides.skip)
    merged.skip = overrides.skip;
  return merged;
}

TaskSettings StudyFile::settingsFor(const std::string& task) const {
  const auto found = tasks.find(task);
  return found == tasks.end() ? defaults : mergeTaskSettings(defaults, found->second);
}

bool parseStudyFile(std::string_view text, const fs::path& path, StudyFile& study,
                    std::string& problem) {
  study = StudyFile();
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
