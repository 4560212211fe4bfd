#include "kwhost/design/design_check.h"

#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "kwhost/design/design_algebra.h"
#include "kwhost/design/design_matrix.h"
#include "kwhost/design/design_report.h"

namespace stimforge::kwhost {
namespace {

// A regressor whose centred sum of squares is below this fraction of its plain one does not
// vary (rounding leaves such a trace of a constant).
constexpr double kNoVariation = 1e-20;

// The centred sum of squares of `values`, or empty when they do not vary.
std::optional<double> variation(const std::vector<double>& values, double& mean) {
  double sum = 0;
  double squares = 0;
  for (const double value : values) {
    sum += value;
    squares += value * value;
  }
  mean = sum / static_cast<double>(values.size());
  double centred = 0;
  for (const double value : values)
    centred += (value - mean) * (value - mean);
  if (!(centred > kNoVariation * squares))
    return std::nullopt;
  return centred;
}

// Each regressor centred and scaled to unit length, for their correlations: empty when it
// does not vary.
std::vector<std::vector<double>> unitCentred(const DesignCheck& check) {
  std::vector<std::vector<double>> unit(check.conditions.size());
  for (size_t i = 0; i < unit.size(); ++i) {
    double mean = 0;
    const std::optional<double> centred = variation(check.columns[i], mean);
    if (!centred)
      continue;
    const double scale = 1.0 / std::sqrt(*centred);
    unit[i].reserve(check.columns[i].size());
    for (const double value : check.columns[i])
      unit[i].push_back((value - mean) * scale);
  }
  return unit;
}

// Every pair's correlation: one dot product each of the unit centred regressors.
void pairCorrelations(DesignCheck& check) {
  const std::vector<std::vector<double>> unit = unitCentred(check);
  for (size_t a = 0; a < unit.size(); ++a) {
    for (size_t b = a + 1; b < unit.size(); ++b) {
      std::optional<double> r;
      if (!unit[a].empty() && !unit[b].empty()) {
        double cross = 0;
        for (size_t k = 0; k < unit[a].size(); ++k)
          cross += unit[a][k] * unit[b][k];
        r = std::fmax(-1.0, std::fmin(1.0, cross));  // rounding may step just past 1
      }
      check.pairs.push_back({a, b, r});
    }
  }
}

// The conditions modelled and each one's events; a refusal message, or "".
std::string chooseConditions(const std::vector<DesignEvent>& events, const DesignSettings& settings,
                             DesignCheck& check) {
  std::unordered_map<std::string, size_t> index;
  for (const std::string& name : designConditionNames(events, settings.conditions)) {
    if (!index.emplace(name, index.size()).second)
      return "the condition \"" + name + "\" is named twice";
    check.conditions.emplace_back().name = name;
  }
  check.events.resize(index.size());
  const double end = static_cast<double>(settings.volumes) * settings.trSeconds;
  for (const DesignEvent& event : events) {
    const auto found = index.find(event.condition);
    if (found == index.end())
      continue;
    ConditionFigures& figures = check.conditions[found->second];
    ++figures.events;
    size_t& where = event.onset < 0     ? figures.before
                    : event.onset < end ? figures.inScan
                                        : figures.after;
    ++where;
    check.events[found->second].push_back(event);
  }
  if (check.conditions.empty())
    return "no events: there is no condition to model";
  return "";
}

// The contrasts' weights over X's columns; a refusal message, or "".
std::string contrastWeights(const DesignSettings& settings, const DesignCheck& check,
                            std::vector<ContrastWeights>& weights) {
  std::unordered_map<std::string, size_t> index;
  for (size_t i = 0; i < check.conditions.size(); ++i)
    index.emplace(check.conditions[i].name, i);
  std::unordered_set<std::string> names;
  for (const DesignContrast& contrast : settings.contrasts) {
    if (!names.insert(contrast.name).second)
      return "two contrasts are named \"" + contrast.name + "\"";
    for (const std::string* side : {&contrast.plus, &contrast.minus}) {
      if (index.count(*side) == 0)
        return "contrast " + contrast.name + ": no condition named \"" + *side + "\"";
    }
    if (contrast.plus == contrast.minus)
      return "contrast " + contrast.name + ": \"" + contrast.plus + "\" minus itself is 0";
    weights.push_back({{index[contrast.plus], 1.0}, {index[contrast.minus], -1.0}});
  }
  return "";
}

void eventFindings(const DesignSettings& settings, DesignCheck& check) {
  for (const ConditionFigures& c : check.conditions) {
    if (c.events == 0) {
      check.findings.push_back(c.name + ": no event at all");
    } else if (c.inScan == 0) {
      std::string where;
      if (c.before > 0)
        where = std::to_string(c.before) + " before it";
      if (c.after > 0)
        where += (where.empty() ? "" : ", ") + std::to_string(c.after) + " after it";
      check.findings.push_back(c.name + ": no event in the stored scan (" + where + ")");
    } else if (static_cast<int64_t>(c.inScan) < settings.minEvents) {
      check.findings.push_back(
          c.name + ": " + std::to_string(c.inScan) + (c.inScan == 1 ? " event" : " events") +
          " in the stored scan, fewer than " + std::to_string(settings.minEvents));
    }
  }
}

void figureFindings(const DesignSettings& settings, DesignCheck& check) {
  for (const ConditionFigures& c : check.conditions) {
    if (c.inScan > 0 && !c.vif) {
      check.findings.push_back(c.name +
                               ": VIF not estimable: its regressor is a combination of the "
                               "other columns");
    } else if (c.vif && *c.vif > settings.maxVif) {
      check.findings.push_back(c.name + ": VIF " + designNumber(*c.vif) + ", above " +
                               designNumber(settings.maxVif));
    }
  }
  for (const PairFigures& pair : check.pairs) {
    if (pair.correlation && std::fabs(*pair.correlation) > settings.maxCorrelation) {
      check.findings.push_back(check.conditions[pair.first].name + " and " +
                               check.conditions[pair.second].name + ": correlation " +
                               designNumber(*pair.correlation) + ", above " +
                               designNumber(settings.maxCorrelation) + " in absolute value");
    }
  }
  if (check.rankDeficient) {
    const size_t count = check.columns.size();
    check.findings.push_back(
        count > static_cast<size_t>(check.settings.volumes)
            ? "the design is rank-deficient: " + std::to_string(count) + " columns for " +
                  std::to_string(check.settings.volumes) +
                  (check.settings.volumes == 1 ? " volume" : " volumes")
            : "the design is rank-deficient: its smallest singular value is below 1e-10 times "
              "its largest (columns scaled to unit length)");
  }
}

// Fills the figures of `check`, whose columns are built: the solution's for the conditions'
// unit contrasts and for `weights`, and the correlations.
void computeFigures(const std::vector<ContrastWeights>& weights, DesignCheck& check) {
  const size_t count = check.conditions.size();
  std::vector<ContrastWeights> asked;
  for (size_t i = 0; i < count; ++i)
    asked.push_back({{i, 1.0}});
  asked.insert(asked.end(), weights.begin(), weights.end());
  const DesignSolution solution = solveDesign(check.columns, asked);
  check.rankDeficient = solution.rankDeficient;
  check.conditionNumber = solution.conditionNumber;
  for (size_t i = 0; i < count; ++i) {
    ConditionFigures& figures = check.conditions[i];
    check.before += figures.before;
    check.after += figures.after;
    const std::optional<double>& variance = solution.variances[i];
    double mean = 0;
    const std::optional<double> centred = variation(check.columns[i], mean);
    if (!variance)
      continue;
    figures.efficiency = 1.0 / *variance;
    if (centred)
      figures.vif = *centred * *variance;
  }
  for (size_t c = 0; c < weights.size(); ++c) {
    const std::optional<double>& variance = solution.variances[count + c];
    if (variance)
      check.contrasts[c].efficiency = 1.0 / *variance;
  }
  pairCorrelations(check);
}

}  // namespace

std::vector<std::string> designConditionNames(const std::vector<DesignEvent>& events,
                                              const std::vector<std::string>& chosen) {
  if (!chosen.empty())
    return chosen;
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (const DesignEvent& event : events) {
    if (seen.insert(event.condition).second)
      names.push_back(event.condition);
  }
  return names;
}

bool parseDesignContrast(const std::string& text, const std::vector<std::string>& conditions,
                         DesignContrast& contrast, std::string& error) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0) {
    error = "\"" + text + "\" is not NAME=A-B";
    return false;
  }
  const std::string name = text.substr(0, equals);
  const std::string difference = text.substr(equals + 1);
  const std::unordered_set<std::string> known(conditions.begin(), conditions.end());
  std::vector<size_t> parting;  // the '-' with a condition on each side
  std::vector<size_t> dashes;
  for (size_t at = difference.find('-'); at != std::string::npos;
       at = difference.find('-', at + 1)) {
    dashes.push_back(at);
    if (known.count(difference.substr(0, at)) > 0 && known.count(difference.substr(at + 1)) > 0)
      parting.push_back(at);
  }
  if (parting.size() > 1) {
    error = "contrast " + name + ": \"" + difference + "\" parts into conditions in " +
            std::to_string(parting.size()) + " ways";
    return false;
  }
  if (parting.empty() && dashes.size() == 1)
    parting = dashes;
  const size_t at = parting.empty() ? 0 : parting.front();
  if (parting.empty() || at == 0 || at + 1 == difference.size()) {
    error = "contrast " + name + ": \"" + difference + "\" is not A-B of two conditions";
    return false;
  }
  contrast = {name, difference.substr(0, at), difference.substr(at + 1)};
  return true;
}

DesignRefusal checkDesign(const std::vector<DesignEvent>& events, const DesignSettings& settings,
                          DesignCheck& check, std::string& message) {
  DesignCheck result;
  result.settings = settings;
  std::string problem = chooseConditions(events, settings, result);
  if (!problem.empty()) {
    message = problem;
    return settings.conditions.empty() ? DesignRefusal::kEvents : DesignRefusal::kConditions;
  }
  std::vector<ContrastWeights> weights;
  problem = contrastWeights(settings, result, weights);
  if (!problem.empty()) {
    message = problem;
    return DesignRefusal::kContrasts;
  }
  result.cosines = cosineCount(settings.trSeconds, settings.volumes, settings.highPassSeconds);
  const size_t columns = result.conditions.size() + 1 + result.cosines;
  if (static_cast<double>(columns) * static_cast<double>(settings.volumes) >
      static_cast<double>(kMaxDesignCells)) {
    message = "the design would have " + std::to_string(settings.volumes) + " volumes x " +
              std::to_string(columns) + " columns: more than " + std::to_string(kMaxDesignCells) +
              " cells";
    return DesignRefusal::kSize;
  }
  for (const DesignContrast& contrast : settings.contrasts)
    result.contrasts.push_back({contrast, std::nullopt});
  for (const std::vector<DesignEvent>& conditionEvents : result.events)
    result.columns.push_back(
        conditionRegressor(conditionEvents, settings.trSeconds, settings.volumes));
  result.columns.emplace_back(static_cast<size_t>(settings.volumes), 1.0);
  for (std::vector<double>& cosine : cosineColumns(result.cosines, settings.volumes))
    result.columns.push_back(std::move(cosine));
  computeFigures(weights, result);
  eventFindings(settings, result);
  figureFindings(settings, result);
  check = std::move(result);
  return DesignRefusal::kNone;
}

}  // namespace stimforge::kwhost
