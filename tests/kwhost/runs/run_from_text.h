// A run read through the pipeline from a log held in memory, the settings named as the
// command line names them.
#ifndef STIMFORGE_TESTS_KWHOST_RUNS_RUN_FROM_TEXT_H_
#define STIMFORGE_TESTS_KWHOST_RUNS_RUN_FROM_TEXT_H_

#include <memory>
#include <string>

#include "kwhost/runs/run_pipeline.h"
#include "kwhost/sources/presentation_source.h"
#include "logformat/log_source.h"

namespace stimforge::kwhost::testing {

// "--skip 4", "--keep-triggers": the words of a command that has every setting.
class TestWords : public SettingWords {
 public:
  bool has(Setting) const override { return true; }
  std::string name(Setting setting) const override {
    std::string key = settingKey(setting);
    for (char& c : key)
      c = c == '_' ? '-' : c;
    return "--" + key;
  }
  std::string given(Setting setting, const std::string& value) const override {
    return value.empty() ? name(setting) : name(setting) + " " + value;
  }
  std::string detailsHint(bool bold) const override {
    return bold ? "Run kwhost triggers --bold for the details."
                : "Run kwhost triggers for the details.";
  }
};

// Reads `log`, named x.log, into `events`.
inline Refusal runFromText(const std::string& log, const RunSettings& settings, RunEvents& events,
                           EventMap* map = nullptr, const BoldRun* bold = nullptr) {
  static const TestWords words;
  PresentationSource source(std::make_unique<MemoryLogSource>(log), "x.log");
  RunRequest request;
  request.source = &source;
  request.name = "x.log";
  request.settings = &settings;
  request.map = map;
  request.bold = bold;
  request.words = &words;
  return readRunEvents(request, events);
}

}  // namespace stimforge::kwhost::testing

#endif  // STIMFORGE_TESTS_KWHOST_RUNS_RUN_FROM_TEXT_H_
