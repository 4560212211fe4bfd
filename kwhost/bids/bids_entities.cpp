#include "kwhost/bids/bids_entities.h"

#include <iterator>

namespace stimforge::kwhost {
namespace {

constexpr EntityKind kFunctionalEntities[] = {
    {"sub", EntityValue::kLabel, true},   {"ses", EntityValue::kLabel, false},
    {"task", EntityValue::kLabel, true},  {"acq", EntityValue::kLabel, false},
    {"ce", EntityValue::kLabel, false},   {"rec", EntityValue::kLabel, false},
    {"dir", EntityValue::kLabel, false},  {"run", EntityValue::kIndex, false},
    {"echo", EntityValue::kIndex, false}, {"part", EntityValue::kPart, false},
};

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isAlnum(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool allAlnum(std::string_view text) {
  for (const char c : text) {
    if (!isAlnum(c))
      return false;
  }
  return !text.empty();
}

std::vector<std::string_view> splitAtUnderscores(std::string_view text) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t end = text.find('_', start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos)
      return parts;
    start = end + 1;
  }
}

std::string_view withoutLeadingZeros(std::string_view digits) {
  const size_t first = digits.find_first_not_of('0');
  return first == std::string_view::npos ? std::string_view("0") : digits.substr(first);
}

const char* valueWords(EntityValue kind) {
  switch (kind) {
    case EntityValue::kLabel:
      return "a label of letters and digits";
    case EntityValue::kIndex:
      return "an index of digits";
    case EntityValue::kPart:
      return "mag, phase, real or imag";
  }
  return "";
}

}  // namespace

const EntityKind* functionalEntities() {
  return kFunctionalEntities;
}

size_t functionalEntityCount() {
  return std::size(kFunctionalEntities);
}

const EntityKind* functionalEntity(std::string_view key) {
  for (const EntityKind& kind : kFunctionalEntities) {
    if (key == kind.key)
      return &kind;
  }
  return nullptr;
}

std::string functionalEntityOrder() {
  std::string order;
  for (const EntityKind& kind : kFunctionalEntities) {
    if (!order.empty())
      order += ", ";
    order += kind.key;
  }
  return order;
}

const std::string* BidsFileName::value(std::string_view key) const {
  for (const BidsEntity& entity : entities) {
    if (entity.key == key)
      return &entity.value;
  }
  return nullptr;
}

bool splitBidsFileName(std::string_view fileName, BidsFileName& name) {
  name = BidsFileName();
  const std::vector<std::string_view> parts = splitAtUnderscores(fileName);
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    const size_t dash = parts[i].find('-');
    if (dash == std::string_view::npos)
      return false;
    const std::string_view key = parts[i].substr(0, dash);
    const std::string_view value = parts[i].substr(dash + 1);
    if (!allAlnum(key) || !allAlnum(value) || name.value(key) != nullptr)
      return false;
    name.entities.push_back({std::string(key), std::string(value)});
  }
  const std::string_view last = parts.back();
  const size_t dot = last.find('.');
  const std::string_view suffix = last.substr(0, dot);
  if (!allAlnum(suffix))
    return false;
  name.suffix = std::string(suffix);
  if (dot != std::string_view::npos)
    name.extension = std::string(last.substr(dot));
  return true;
}

bool entityValueFits(EntityValue kind, std::string_view value) {
  switch (kind) {
    case EntityValue::kLabel:
      return allAlnum(value);
    case EntityValue::kIndex:
      for (const char c : value) {
        if (!isDigit(c))
          return false;
      }
      return !value.empty();
    case EntityValue::kPart:
      return value == "mag" || value == "phase" || value == "real" || value == "imag";
  }
  return false;
}

bool sameEntityValue(std::string_view key, std::string_view a, std::string_view b) {
  const EntityKind* kind = functionalEntity(key);
  if (kind != nullptr && kind->value == EntityValue::kIndex && entityValueFits(kind->value, a) &&
      entityValueFits(kind->value, b)) {
    return withoutLeadingZeros(a) == withoutLeadingZeros(b);
  }
  return a == b;
}

bool checkFunctionalRunName(std::string_view name, std::string& problem) {
  const std::string expected = "expected the entities " + functionalEntityOrder() +
                               " in that order, each at most once, sub and task required";
  size_t next = 0;  // the first entity of the order that may still come
  for (const std::string_view part : splitAtUnderscores(name)) {
    const size_t dash = part.find('-');
    const std::string_view key = part.substr(0, dash == std::string_view::npos ? 0 : dash);
    const EntityKind* kind = dash == std::string_view::npos ? nullptr : functionalEntity(key);
    if (kind == nullptr) {
      problem = "\"" + std::string(part) + "\" is no entity of a functional run; " + expected;
      return false;
    }
    const size_t place = static_cast<size_t>(kind - kFunctionalEntities);
    if (place < next) {
      problem = "\"" + std::string(part) + "\" is out of order; " + expected;
      return false;
    }
    for (size_t skipped = next; skipped < place; ++skipped) {
      if (kFunctionalEntities[skipped].required) {
        problem = "the " + std::string(kFunctionalEntities[skipped].key) +
                  "- entity is missing or out of place; " + expected;
        return false;
      }
    }
    if (!entityValueFits(kind->value, part.substr(dash + 1))) {
      problem = std::string(kind->key) + "- must be followed by " + valueWords(kind->value);
      return false;
    }
    next = place + 1;
  }
  for (size_t rest = next; rest < functionalEntityCount(); ++rest) {
    if (kFunctionalEntities[rest].required) {
      problem = "the " + std::string(kFunctionalEntities[rest].key) +
                "- entity is missing or out of place; " + expected;
      return false;
    }
  }
  return true;
}

std::string eventsTableName(const std::string& name) {
  return name + "_events.tsv";
}

std::string eventsSidecarName(const std::string& name) {
  return name + "_events.json";
}

std::string sidecarPathOf(const std::string& tsv) {
  const std::string suffix = ".tsv";
  if (tsv.size() >= suffix.size() &&
      tsv.compare(tsv.size() - suffix.size(), suffix.size(), suffix) == 0)
    return tsv.substr(0, tsv.size() - suffix.size()) + ".json";
  return tsv + ".json";
}

}  // namespace stimforge::kwhost
