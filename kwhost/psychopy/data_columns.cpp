#include "kwhost/psychopy/data_columns.h"

#include <unordered_map>
#include <vector>

namespace stimforge::kwhost {
namespace {

enum class Role { kFurther, kLoop, kValue, kCopy };

// A component's value columns, by the value's place: started, stopped, keys, rt.
constexpr const char* kValues[] = {"started", "stopped", "keys", "rt"};

int valueIndex(std::string_view attribute) {
  for (int i = 0; i < 4; ++i)
    if (attribute == kValues[i])
      return i;
  return -1;
}

struct Pending {
  std::string name;
  std::vector<uint32_t> own[4], copies[4];
};

// `name` split at its dots; more than three parts are returned as one.
std::vector<std::string_view> parts(std::string_view name) {
  std::vector<std::string_view> out;
  size_t start = 0;
  for (size_t dot = name.find('.'); dot != std::string_view::npos && out.size() < 3;
       dot = name.find('.', start)) {
    out.push_back(name.substr(start, dot - start));
    start = dot + 1;
  }
  out.push_back(name.substr(start));
  return out.size() > 3 ? std::vector<std::string_view>{name} : out;
}

class Classifier {
 public:
  explicit Classifier(PsychopyDataFile& file) : f_(file), roles_(file.table.columns()) {}

  ColumnCensus run() {
    collectNames();
    for (uint32_t c = 0; c < roles_.size(); ++c)
      loopColumn(c);
    for (uint32_t c = 0; c < roles_.size(); ++c)
      if (roles_[c] != Role::kLoop && !f_.table.header(c).empty())
        valueColumn(c);
    ColumnCensus census = settleComponents();
    for (size_t n = 0; n < f_.names.size(); ++n)
      for (const uint32_t c : f_.names[n].columns)
        if (roles_[c] == Role::kFurther) {
          f_.furtherColumns.push_back(n);
          break;
        }
    return census;
  }

 private:
  void collectNames() {
    std::unordered_map<std::string_view, size_t> index;
    for (uint32_t c = 0; c < roles_.size(); ++c) {
      const std::string_view name = f_.table.header(c);
      if (name.empty())
        continue;  // the trailing comma's column
      const auto [it, added] = index.emplace(name, f_.names.size());
      if (added)
        f_.names.push_back({std::string(name), {}});
      f_.names[it->second].columns.push_back(c);
    }
  }

  void loopColumn(uint32_t c) {
    const auto p = parts(f_.table.header(c));
    if (p.size() != 2 || p[0].empty())
      return;
    int32_t PsychopyLoop::*counter = nullptr;
    if (p[1] == "thisN")
      counter = &PsychopyLoop::thisN;
    else if (p[1] == "thisTrialN")
      counter = &PsychopyLoop::thisTrialN;
    else if (p[1] == "thisRepN")
      counter = &PsychopyLoop::thisRepN;
    else if (p[1] == "thisIndex")
      counter = &PsychopyLoop::thisIndex;
    if (counter == nullptr)
      return;
    size_t l = 0;
    while (l < f_.loops.size() && f_.loops[l].name != p[0])
      ++l;
    if (l == f_.loops.size())
      f_.loops.push_back({std::string(p[0])});
    if (f_.loops[l].*counter < 0)
      f_.loops[l].*counter = static_cast<int32_t>(c);
    roles_[c] = Role::kLoop;
  }

  bool isLoop(std::string_view name) const {
    for (const PsychopyLoop& loop : f_.loops)
      if (loop.name == name)
        return true;
    return false;
  }

  Pending& pending(std::string_view name) {
    for (Pending& p : pending_)
      if (p.name == name)
        return p;
    pending_.push_back({std::string(name), {}, {}});
    return pending_.back();
  }

  void valueColumn(uint32_t c) {
    const std::string_view name = f_.table.header(c);
    const auto p = parts(name);
    if (p.size() == 2 && !p[0].empty() && valueIndex(p[1]) >= 0) {
      pending(p[0]).own[valueIndex(p[1])].push_back(c);
      roles_[c] = Role::kValue;
    } else if (p.size() == 3 && isLoop(p[0]) && !p[1].empty()) {
      if (valueIndex(p[2]) >= 0) {
        pending(p[1]).copies[valueIndex(p[2])].push_back(c);
        roles_[c] = Role::kValue;
      } else if (f_.findName(name.substr(p[0].size() + 1)) >= 0) {
        roles_[c] = Role::kCopy;  // a copy of the component's other value, e.g. its .corr
      }
    }
  }

  // Components are names with a start or keys; the other value columns become further
  // columns (a slider's .rt, a .stopped without its .started).
  ColumnCensus settleComponents() {
    ColumnCensus census;
    for (Pending& p : pending_) {
      for (int v = 0; v < 4; ++v)
        p.own[v].insert(p.own[v].end(), p.copies[v].begin(), p.copies[v].end());
      const bool keyboard = !p.own[2].empty();
      if (census.firstResponse.empty() && (keyboard || !p.own[3].empty()))
        census.firstResponse = p.name + (keyboard ? ".keys" : ".rt");
      if (p.own[0].empty() && !keyboard) {
        for (const auto& columns : p.own)
          for (const uint32_t c : columns)
            roles_[c] = Role::kFurther;
        continue;
      }
      if (!keyboard) {
        for (const uint32_t c : p.own[3])
          roles_[c] = Role::kFurther;
        p.own[3].clear();
      }
      if (!p.own[0].empty() && census.started++ == 0)
        census.firstStarted = p.name + ".started";
      f_.components.push_back({p.name, p.own[0], p.own[1], p.own[2], p.own[3]});
    }
    return census;
  }

  PsychopyDataFile& f_;
  std::vector<Role> roles_;
  std::vector<Pending> pending_;
};

}  // namespace

ColumnCensus classifyColumns(PsychopyDataFile& file) {
  return Classifier(file).run();
}

}  // namespace stimforge::kwhost
