// Reading a study file's TOML: the refusal of a key at its line, and lists of strings. For
// the study file's readers only (study_file.cpp, task_settings.cpp).
#ifndef STIMFORGE_KWHOST_STUDY_TOML_READING_H_
#define STIMFORGE_KWHOST_STUDY_TOML_READING_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Errors come back as values, not exceptions: one refusal message per file, with its line.
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include "kwhost/study/task_settings.h"

namespace stimforge::kwhost {

// What kind of value `node` is, for refusals: "a string", "a whole number".
inline const char* typeWords(const toml::node& node) {
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

// The refusals of one file: each names the file, the line and the key.
class TomlReading {
 public:
  TomlReading(const std::filesystem::path& path, std::string& problem)
      : path_(path), problem_(problem) {}

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

 protected:
  const std::filesystem::path& path_;
  std::string& problem_;
};

// Reads the settings table `node`, named `where` ("task.faces") in refusals, of the study file
// `file` into `settings`. Returns false with `problem` set ("FILE:LINE: KEY: what is wrong").
[[nodiscard]] bool readTaskSettings(const std::filesystem::path& file, const std::string& where,
                                    const toml::node& node, TaskSettings& settings,
                                    std::string& problem);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_STUDY_TOML_READING_H_
