#include "kwhost/study/study_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "kwhost/study/task_settings.h"
#include "kwhost/study/toml_reading.h"

namespace stimforge::kwhost {
namespace {

namespace fs = std::filesystem;

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
class StudyReader : public TomlReading {
 public:
  StudyReader(const fs::path& path, StudyFile& study, std::string& problem)
      : TomlReading(path, problem), study_(study) {}

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
        if (!readTaskSettings(path_, name, node, study_.defaults, problem_))
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
          if (!readTaskSettings(path_, where, settings, own, problem_))
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

  StudyFile& study_;
};

}  // namespace

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
