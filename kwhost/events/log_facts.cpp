#include "kwhost/events/log_facts.h"

#include <nlohmann/json.hpp>

namespace stimforge::kwhost {
namespace {

// The digits and dots at the start of `text` when they begin and end with a digit, hold no
// two dots in a row and stand alone (the text ends or a blank follows: "20.1a" is none);
// "" otherwise.
std::string_view dottedNumberAt(std::string_view text) {
  size_t end = 0;
  while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.'))
    ++end;
  const std::string_view number = text.substr(0, end);
  const bool alone = end == text.size() || text[end] == ' ' || text[end] == '\t';
  if (number.empty() || number.front() == '.' || number.back() == '.' || !alone ||
      number.find("..") != std::string_view::npos) {
    return std::string_view();
  }
  return number;
}

std::string_view trimmedBlanks(std::string_view text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos)
    return std::string_view();
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

}  // namespace

std::string versionStatedBy(std::string_view line) {
  static constexpr std::string_view kLeads[] = {"Presentation version ", "Presentation Version ",
                                                "Presentation ", "Version: ", "Version "};
  static constexpr std::string_view kBuild = " Build ";
  line = trimmedBlanks(line);
  for (const std::string_view lead : kLeads) {
    if (line.substr(0, lead.size()) != lead)
      continue;
    const std::string_view rest = line.substr(lead.size());
    const std::string_view number = dottedNumberAt(rest);
    if (number.find('.') == std::string_view::npos)
      continue;  // no version number, or one without a dot ("Presentation 3 runs")
    std::string version(number);
    const std::string_view after = rest.substr(number.size());
    if (after.substr(0, kBuild.size()) == kBuild) {
      const std::string_view build = dottedNumberAt(after.substr(kBuild.size()));
      if (!build.empty())
        version += std::string(kBuild) + std::string(build);
    }
    return version;
  }
  return std::string();
}

std::string statedSoftwareVersion(const LogHeader& header) {
  static constexpr std::string_view kScenario = "Scenario - ";
  if (header.lines.empty() || header.lines[0].compare(0, kScenario.size(), kScenario) != 0 ||
      !header.columnNamesFound()) {
    return std::string();
  }
  for (int i = 1; i < header.columnNameLineIndex; ++i) {
    std::string version = versionStatedBy(header.lines[static_cast<size_t>(i)]);
    if (!version.empty())
      return version;
  }
  return std::string();
}

RunFacts runFactsOf(std::string_view block) {
  RunFacts facts;
  const nlohmann::json run = nlohmann::json::parse(block, nullptr, false);
  if (!run.is_object())
    return facts;  // not JSON (or not an object): nothing is taken from it
  const auto text = [&](const char* key) {
    const auto found = run.find(key);
    return found != run.end() && found->is_string() ? found->get<std::string>() : std::string();
  };
  facts.softwareVersion = versionStatedBy(text("app"));
  facts.operatingSystem = text("os");
  return facts;
}

std::string blockAfterTable(EventTableReader& reader) {
  constexpr size_t kMaxBlock = 64 * 1024;
  std::string block;
  bool inBlock = false;
  std::string_view line;
  while (reader.nextLineAfterTable(line) == LineReader::Result::kLine) {
    const std::string_view text = trimmedBlanks(line);
    if (!inBlock && text != "{")
      continue;
    inBlock = true;
    if (block.size() + line.size() + 1 > kMaxBlock)
      return std::string();
    block.append(line.data(), line.size()).push_back('\n');
    if (text == "}")
      return block;
  }
  return std::string();
}

}  // namespace stimforge::kwhost
