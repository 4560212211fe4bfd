#include "kwhost/cli/command_dialogue.h"

namespace stimforge::kwhost {
namespace {

ScriptedAnswer answer(std::string text) {
  return ScriptedAnswer{false, std::move(text)};
}

ScriptedAnswer answer(int32_t value) {
  return answer(std::to_string(value));
}

}  // namespace

std::vector<ScriptedAnswer> importDialogue(const std::string& logPath,
                                           const ImportOptions& options) {
  return {answer(1),
          answer(logPath),
          answer(options.subjectColumn ? 2 : 1),
          answer(options.picturesOnly ? "y" : "n"),
          answer(options.repetitionTimeMs),
          answer(static_cast<int32_t>(options.duration))};
}

std::vector<ScriptedAnswer> shiftDialogue(bool earlier, int32_t amount) {
  return {answer(2), answer(amount), answer(earlier ? "y" : "n")};
}

std::vector<ScriptedAnswer> reorderDialogue(const std::string& order) {
  return {answer(3), answer(order)};
}

std::vector<ScriptedAnswer> presetDialogue(int32_t analysisType) {
  return {answer(4), answer(analysisType)};
}

}  // namespace stimforge::kwhost
