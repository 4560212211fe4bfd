#include "kwhost/triggers/trigger_grid.h"

#include <cmath>

#include "kwhost/settings/run_settings.h"

namespace stimforge::kwhost {
namespace {

// Listed by name in a sentence at most; all are counted.
constexpr size_t kListedOffGrid = 5;

std::string gridText(const PartialTriggerCheck& check) {
  return formatFixed(*check.trMs, 1) + " ms";
}

std::string laterText(const PartialTriggers& triggers, const PartialTriggerCheck& check) {
  return std::to_string(check.later) +
         (check.later == 1 ? " later trigger of " : " later triggers of ") + triggers.component;
}

}  // namespace

TrGridCheck checkTrGrid(const std::vector<Micros>& sinceFirst, int64_t trUs) {
  TrGridCheck check;
  for (size_t i = 0; i < sinceFirst.size(); ++i) {
    const int64_t delta = sinceFirst[i];
    // The nearest whole multiple, ties up; floor division for negative differences.
    const int64_t shifted = delta + trUs / 2;
    const int64_t k = shifted >= 0 ? shifted / trUs : -((-shifted + trUs - 1) / trUs);
    const int64_t deviation = delta - k * trUs;
    check.multiples.push_back(k);
    check.deviationsUs.push_back(deviation);
    if (i > 0 && (k < 1 || deviation > trUs / 100 || deviation < -(trUs / 100)))
      check.offGrid.push_back(i);
  }
  return check;
}

PartialTriggerCheck checkPartialTriggers(const PartialTriggers& triggers,
                                         std::optional<double> trMs) {
  PartialTriggerCheck check;
  check.later = triggers.sinceFirst.empty() ? 0 : triggers.sinceFirst.size() - 1;
  // A TR of a microsecond or more, and at most the hour kwhost takes at most.
  if (!trMs || !(*trMs >= 0.001) || *trMs > kMaxTrMs)
    return check;
  check.trMs = trMs;
  check.grid = checkTrGrid(triggers.sinceFirst, std::llround(*trMs * 1000.0));
  return check;
}

std::string partialTriggersText(const PartialTriggers& triggers, const PartialTriggerCheck& check,
                                const SettingWords& words) {
  const std::string later = laterText(triggers, check) + ", one per wait,";
  if (!check.trMs)
    return later + " are not checked on the TR grid: no TR" +
           (words.has(Setting::kTr) ? " (give " + words.given(Setting::kTr, "MS") + ")" : "");
  if (!check.offGrid())
    return later + " lie on the TR grid (whole multiples of " + gridText(check) + " within 1%)";
  const std::vector<size_t>& off = check.grid.offGrid;
  std::string text = std::to_string(off.size()) + " of the " + later + " are off the TR grid of " +
                     gridText(check) + ":";
  const double trUs = *check.trMs * 1000.0;
  for (size_t i = 0; i < off.size() && i < kListedOffGrid; ++i) {
    const size_t t = off[i];
    text += (i == 0 ? " trigger " : ", trigger ") + std::to_string(t + 1) + " (line " +
            std::to_string(triggers.lines[t] + 1) + ") at " +
            formatFixed(static_cast<double>(triggers.sinceFirst[t]) / trUs, 2) + " TR";
  }
  if (off.size() > kListedOffGrid)
    text += " and " + std::to_string(off.size() - kListedOffGrid) + " more";
  return text;
}

std::string partialTriggersFinding(const PartialTriggers& triggers,
                                   const PartialTriggerCheck& check) {
  if (!check.offGrid())
    return "";
  return std::to_string(check.grid.offGrid.size()) + " of the " + laterText(triggers, check) +
         " are off the TR grid of " + gridText(check) + ": a second scan, or a wrong TR";
}

nlohmann::json partialTriggersJson(const PartialTriggers& triggers,
                                   const PartialTriggerCheck& check) {
  nlohmann::json off = nullptr;
  if (check.trMs) {
    off = nlohmann::json::array();
    for (const size_t t : check.grid.offGrid)
      off.push_back({{"trigger", t + 1},
                     {"line", triggers.lines[t] + 1},
                     {"multiple", check.grid.multiples[t]},
                     {"deviation_ms", static_cast<double>(check.grid.deviationsUs[t]) / 1000.0}});
  }
  return {{"component", triggers.component},
          {"later", check.later},
          {"tr_ms", check.trMs ? nlohmann::json(*check.trMs) : nlohmann::json(nullptr)},
          {"off_grid", off}};
}

}  // namespace stimforge::kwhost
