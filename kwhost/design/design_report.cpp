#include "kwhost/design/design_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace stimforge::kwhost {
namespace {

// The text lists every pair up to this many, else only the strongest few.
constexpr size_t kPairsShown = 15;
constexpr size_t kPairsStrongest = 10;

// Characters of UTF-8 text for aligning columns: bytes that do not continue a character.
size_t characters(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string padRight(const std::string& text, size_t width) {
  const size_t length = characters(text);
  return text + std::string(length < width ? width - length : 0, ' ');
}

std::string padLeft(const std::string& text, size_t width) {
  return std::string(text.size() < width ? width - text.size() : 0, ' ') + text;
}

std::string estimated(const std::optional<double>& value, const char* otherwise) {
  return value ? designNumber(*value) : std::string(otherwise);
}

// A TR in milliseconds as the other commands print it: "2000", "723.4".
std::string millisecondsText(double seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.10g", seconds * 1000.0);
  return buffer;
}

std::string headText(const DesignCheck& check, const DesignSource& source) {
  const DesignSettings& s = check.settings;
  std::string text = source.input + ": " + std::to_string(s.volumes) +
                     (s.volumes == 1 ? " volume, TR " : " volumes, TR ") +
                     millisecondsText(s.trSeconds) + " ms";
  if (!source.bold.empty())
    text += " (from " + source.bold + ")";
  const size_t count = check.conditions.size();
  text += "\ndesign matrix: " + std::to_string(check.columns.size()) +
          " columns: " + std::to_string(count) + (count == 1 ? " condition" : " conditions") +
          ", the constant, " + std::to_string(check.cosines) +
          (check.cosines == 1 ? " cosine" : " cosines");
  text += s.highPassSeconds > 0 ? " (high-pass " + designNumber(s.highPassSeconds) + " s)\n"
                                : " (no high-pass)\n";
  text += "events outside the stored scan: " + std::to_string(check.before) + " before it, " +
          std::to_string(check.after) + " after it\n\n";
  return text;
}

std::string conditionTable(const DesignCheck& check) {
  size_t width = characters("condition");
  for (const ConditionFigures& c : check.conditions)
    width = std::max(width, std::min<size_t>(characters(c.name), 40));
  std::string text = padRight("condition", width) + "  in scan  before  after  VIF" +
                     std::string(12, ' ') + "efficiency\n";
  for (const ConditionFigures& c : check.conditions) {
    text += padRight(c.name, width) + "  " + padLeft(std::to_string(c.inScan), 7) + "  " +
            padLeft(std::to_string(c.before), 6) + "  " + padLeft(std::to_string(c.after), 5) +
            "  " + padRight(estimated(c.vif, "not estimable"), 15) +
            estimated(c.efficiency, "not estimable") + "\n";
  }
  return text;
}

// The pairs' correlations, every pair when there are few, else the strongest.
std::string correlationLines(const DesignCheck& check) {
  if (check.pairs.empty())
    return "";
  std::vector<const PairFigures*> shown;
  for (const PairFigures& pair : check.pairs)
    shown.push_back(&pair);
  std::string text = "\ncorrelations of the regressors:\n";
  if (shown.size() > kPairsShown) {
    // Strongest first; undefined ones last; the stable sort keeps the rest in pair order.
    const auto strength = [](const PairFigures* pair) {
      return pair->correlation ? std::fabs(*pair->correlation) : -1.0;
    };
    std::stable_sort(shown.begin(), shown.end(), [&](const PairFigures* a, const PairFigures* b) {
      return strength(a) > strength(b);
    });
    shown.resize(kPairsStrongest);
    text = "\ncorrelations of the regressors (the " + std::to_string(kPairsStrongest) +
           " strongest of " + std::to_string(check.pairs.size()) +
           " pairs; the JSON report has all):\n";
  }
  for (const PairFigures* pair : shown) {
    text += "  " + check.conditions[pair->first].name + " ~ " +
            check.conditions[pair->second].name + ": " + estimated(pair->correlation, "undefined") +
            "\n";
  }
  return text;
}

}  // namespace

std::string designNumber(double value) {
  if (value == 0)
    return "0";
  char buffer[40];
  if (std::fabs(value) >= 100 && std::fabs(value) < 1e7)
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
  else
    std::snprintf(buffer, sizeof buffer, "%.3g", value);
  const std::string text = buffer;
  return text == "-0" ? "0" : text;
}

std::string textDesignReport(const DesignCheck& check, const DesignSource& source) {
  std::string text = headText(check, source) + conditionTable(check);
  text += correlationLines(check);
  if (!check.contrasts.empty())
    text += "\ncontrasts:\n";
  for (const ContrastFigures& c : check.contrasts) {
    text += "  " + c.contrast.name + " (" + c.contrast.plus + " - " + c.contrast.minus +
            "): efficiency " + estimated(c.efficiency, "not estimable") + "\n";
  }
  text += "\ncondition number: " +
          (check.conditionNumber
               ? designNumber(*check.conditionNumber) + " (columns scaled to unit length)"
               : std::string("not estimable (the design is rank-deficient)")) +
          "\n";
  if (check.findings.empty())
    return text + "findings: none\n";
  text += "findings:\n";
  for (const std::string& finding : check.findings)
    text += "  " + finding + "\n";
  return text;
}

nlohmann::json jsonDesignReport(const DesignCheck& check, const DesignSource& source) {
  const auto figure = [](const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
  };
  const DesignSettings& s = check.settings;
  nlohmann::json report = {
      {"input", source.input},
      {"bold", source.bold.empty() ? nlohmann::json(nullptr) : nlohmann::json(source.bold)},
      {"volumes", s.volumes},
      {"tr_ms", s.trSeconds * 1000.0},
      {"high_pass_s", s.highPassSeconds},
      {"cosines", check.cosines},
      {"columns", check.columns.size()},
      {"thresholds",
       {{"max_vif", s.maxVif},
        {"max_correlation", s.maxCorrelation},
        {"min_events", s.minEvents}}}};
  nlohmann::json& conditions = report["conditions"] = nlohmann::json::array();
  for (size_t i = 0; i < check.conditions.size(); ++i) {
    const ConditionFigures& c = check.conditions[i];
    conditions.push_back({{"condition", c.name},
                          {"events", c.events},
                          {"in_scan", c.inScan},
                          {"before_scan", c.before},
                          {"after_scan", c.after},
                          {"vif", figure(c.vif)},
                          {"efficiency", figure(c.efficiency)},
                          {"regressor", check.columns[i]}});
  }
  nlohmann::json& pairs = report["correlations"] = nlohmann::json::array();
  for (const PairFigures& pair : check.pairs) {
    pairs.push_back(
        {{"pair", {check.conditions[pair.first].name, check.conditions[pair.second].name}},
         {"correlation", figure(pair.correlation)}});
  }
  nlohmann::json& contrasts = report["contrasts"] = nlohmann::json::array();
  for (const ContrastFigures& c : check.contrasts) {
    contrasts.push_back({{"contrast", c.contrast.name},
                         {"plus", c.contrast.plus},
                         {"minus", c.contrast.minus},
                         {"efficiency", figure(c.efficiency)}});
  }
  report["rank_deficient"] = check.rankDeficient;
  report["condition_number"] = figure(check.conditionNumber);
  report["events_outside_scan"] = {{"before", check.before}, {"after", check.after}};
  report["findings"] = check.findings;
  return report;
}

}  // namespace stimforge::kwhost
