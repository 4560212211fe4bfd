#include "bench/log_generator.h"

#include <cinttypes>
#include <cstring>
#include <set>
#include <string_view>

namespace stimforge::bench {
namespace {

// Picture codes are a category and a number: 8 categories, some with blanks, 5 numbers.
constexpr const char* kPictureCategories[] = {"cue neutral", "fix cross", "reward", "Wait Screen",
                                              "face happy",  "face sad",  "house",  "scrambled"};
constexpr int kPictureNumbers = 5;
constexpr const char* kSoundCodes[] = {"tone high", "tone low", "beep", "noise burst", "voice"};
constexpr const char* kResponseCodes[] = {"1", "2", "3", "4", "5"};

// Writes the text piece by piece to a file, or keeps it whole in memory.
class Output {
 public:
  explicit Output(std::FILE* file) : file_(file) {}

  void add(std::string_view text) {
    text_.append(text.data(), text.size());
    bytes_ += static_cast<int64_t>(text.size());
    if (file_ != nullptr && text_.size() >= kPiece)
      flush();
  }
  void flush() {
    if (file_ != nullptr && !text_.empty()) {
      ok_ = ok_ && std::fwrite(text_.data(), 1, text_.size(), file_) == text_.size();
      text_.clear();
    }
  }
  bool ok() const { return ok_; }
  int64_t bytes() const { return bytes_; }
  std::string& text() { return text_; }

 private:
  static constexpr size_t kPiece = 1 << 16;
  std::FILE* file_;
  std::string text_;
  int64_t bytes_ = 0;
  bool ok_ = true;
};

// One event line; `format` gets the subject, trial, code and numbers in its own order.
template <typename... Args>
void addLine(Output& out, const char* format, Args... args) {
  char line[256];
  const int n = std::snprintf(line, sizeof line, format, args...);
  if (n > 0)
    out.add(std::string_view(line, static_cast<size_t>(n) < sizeof line ? n : sizeof line - 1));
}

LogCounts generate(uint64_t seed, int64_t events, Output& out) {
  Random random(seed);
  LogCounts counts;
  char subject[32];
  std::snprintf(subject, sizeof subject, "sub-%03u", static_cast<unsigned>(random.below(1000)));
  char header[128];
  std::snprintf(header, sizeof header, "Scenario - bench_%" PRIu64 "\n", seed);
  out.add(header);
  out.add("Logfile written - 01/02/2024 10:00:00\n\n");
  out.add(
      "Subject\tTrial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\tUncertainty\t"
      "ReqTime\tReqDur\tStim Type\tPair Index\n\n");

  std::set<std::string> codes;
  int64_t time = 90000 + random.below(10000);
  int64_t trialStart = time;
  int trial = 1;
  for (int64_t i = 0; i < events; ++i) {
    time += 200 + random.below(8000);  // strictly increasing: no line repeats the one before
    const uint32_t kind = random.below(100);
    const long long ttime = time - trialStart;
    if (kind < 55) {
      // A Picture; now and then it starts a new trial.
      if (random.below(6) == 0) {
        ++trial;
        trialStart = time;
      }
      // One draw per statement: the order of a call's arguments is unspecified.
      const char* category = kPictureCategories[random.below(8)];
      const unsigned number = random.below(kPictureNumbers) + 1;
      char code[48];
      std::snprintf(code, sizeof code, "%s %u", category, number);
      const unsigned duration = 5000 + random.below(25000);
      const bool timed = random.below(3) == 0;
      addLine(out,
              timed ? "%s\t%d\tPicture\t%s\t%lld\t%lld\t1\t%u\t1\t%lld\t%u\tother\t0\n"
                    : "%s\t%d\tPicture\t%s\t%lld\t%lld\t1\t%u\t1\t%lld\tnext\tother\t0\n",
              subject, trial, code, static_cast<long long>(time), ttime, duration,
              ttime > 80 ? ttime - 80 : 0LL, duration - 56);
      codes.insert(code);
      ++counts.selected;
      ++counts.pictures;
    } else if (kind < 70) {
      const char* code = kResponseCodes[random.below(5)];
      addLine(out, "%s\t%d\tResponse\t%s\t%lld\t%lld\t1\n", subject, trial, code,
              static_cast<long long>(time), ttime);
      codes.insert(code);
      ++counts.selected;
    } else if (kind < 80) {
      const char* code = kSoundCodes[random.below(5)];
      // Sound lines leave their Duration empty.
      addLine(out, "%s\t%d\tSound\t%s\t%lld\t%lld\t1\t\t1\t%lld\tnext\tother\t0\n", subject, trial,
              code, static_cast<long long>(time), ttime, ttime);
      codes.insert(code);
      ++counts.selected;
    } else if (kind < 92) {
      addLine(out, "%s\t%d\tPulse\t53\t%lld\t%lld\t1\n", subject, trial,
              static_cast<long long>(time), ttime);
    } else {
      addLine(out, "%s\t%d\tNothing\tCurrentTotal:%u\t%lld\t0\t0\t\t\t0\t\tother\t0\n", subject,
              trial, random.below(100), static_cast<long long>(time));
    }
    ++counts.events;
  }
  // Two empty lines end the event table; a second table follows, as in real logs.
  out.add(
      "\n\nEvent Type\tCode\tType\tResponse\tRT\tRT Uncertainty\tTime\tUncertainty\tDuration\t"
      "Uncertainty\tReqTime\tReqDur\n");
  out.add("Picture\tfix cross 1\tother\t\t\t\t90000\t1\t15000\t1\t0\tnext\n");
  out.flush();
  counts.codes = static_cast<int64_t>(codes.size());
  counts.lines = 5 + counts.events + 1;  // the first empty line counts; the second repeats it
  counts.bytes = out.bytes();
  return counts;
}

}  // namespace

uint64_t Random::next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

std::string generateLogText(uint64_t seed, int64_t events, LogCounts* counts) {
  Output out(nullptr);
  const LogCounts made = generate(seed, events, out);
  if (counts != nullptr)
    *counts = made;
  return std::move(out.text());
}

bool writeLog(std::FILE* file, uint64_t seed, int64_t events, LogCounts* counts) {
  Output out(file);
  const LogCounts made = generate(seed, events, out);
  if (counts != nullptr)
    *counts = made;
  return out.ok();
}

}  // namespace stimforge::bench
