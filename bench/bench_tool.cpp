// The benchmark driver's helper: makes the benchmark's input files and measures the floor
// of the editing commands.
//   bench_tool log EVENTS SEED FILE          a Presentation log of EVENTS event lines
//   bench_tool protocol CONDITIONS INTERVALS SEED FILE   a protocol file
//   bench_tool copy-protocol FROM TO          reads a protocol file and writes it back, as
//                                             kwhost does: the editing commands' floor
//   bench_tool psychopy FILE [events]         reads a PsychoPy data file into its model (and
//                                             scans its events, dropping them): the reader's
//                                             share of `kwhost events` on it
//   bench_tool design LOG TR_MS VOLUMES ROUNDS   reads LOG through the run pipeline and checks
//                                             its design over VOLUMES of TR_MS, ROUNDS times
//                                             each: prints the median microseconds of each
// Prints what a made file holds as "key value" lines. Exit status 0, or 1 on a failure
// (reported on standard error), 2 for a usage error.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/log_generator.h"
#include "bench/protocol_generator.h"
#include "kwhost/common/read_file.h"
#include "kwhost/design/design_runs.h"
#include "kwhost/protocol/file_io.h"
#include "kwhost/psychopy/data_file.h"
#include "kwhost/psychopy/events.h"
#include "kwhost/runs/run_pipeline.h"
#include "kwhost/settings/setting_words.h"

namespace {

using stimforge::bench::LogCounts;

int usage() {
  std::fputs(
      "usage: bench_tool log EVENTS SEED FILE\n"
      "       bench_tool protocol CONDITIONS INTERVALS SEED FILE\n"
      "       bench_tool copy-protocol FROM TO\n"
      "       bench_tool psychopy FILE [events]\n"
      "       bench_tool design LOG TR_MS VOLUMES ROUNDS\n",
      stderr);
  return 2;
}

bool number(const char* text, long long minimum, long long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && value >= minimum;
}

int makeLog(long long events, long long seed, const char* path) {
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "bench_tool: cannot write %s: %s\n", path, std::strerror(errno));
    return 1;
  }
  LogCounts counts;
  const bool written =
      stimforge::bench::writeLog(file, static_cast<uint64_t>(seed), events, &counts);
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "bench_tool: cannot write %s\n", path);
    return 1;
  }
  std::printf("events %" PRId64 "\nselected %" PRId64 "\npictures %" PRId64 "\ncodes %" PRId64
              "\nlines %" PRId64 "\nbytes %" PRId64 "\n",
              counts.events, counts.selected, counts.pictures, counts.codes, counts.lines,
              counts.bytes);
  return 0;
}

int makeProtocol(long long conditions, long long intervals, long long seed, const char* path) {
  const stimforge::kwhost::Protocol protocol = stimforge::bench::generateProtocol(
      static_cast<uint64_t>(seed), static_cast<int32_t>(conditions), intervals);
  std::string error;
  if (!stimforge::kwhost::saveProtocolFile(path, protocol, false, "", error)) {
    std::fprintf(stderr, "bench_tool: %s\n", error.c_str());
    return 1;
  }
  std::printf("conditions %lld\nintervals %lld\n", conditions, intervals);
  return 0;
}

int copyProtocol(const char* from, const char* to) {
  stimforge::kwhost::Protocol protocol;
  std::string error;
  if (!stimforge::kwhost::readProtocolFile(from, protocol, error) ||
      !stimforge::kwhost::saveProtocolFile(to, protocol, false, "", error)) {
    std::fprintf(stderr, "bench_tool: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

// Counts the events a scan hands it.
class CountingSink : public stimforge::kwhost::PsychopyEventSink {
 public:
  void event(const stimforge::kwhost::PsychopyEvent&, std::string_view) override { ++count; }
  size_t count = 0;
};

int readPsychopy(const char* path, bool events) {
  std::string text, error;
  stimforge::kwhost::PsychopyDataFile file;
  stimforge::kwhost::PsychopyRefusal refusal;
  if (!stimforge::kwhost::readWholeFile(path, text, error) ||
      !stimforge::kwhost::readPsychopyDataFile(std::move(text), file, refusal)) {
    std::fprintf(stderr, "bench_tool: %s: %s\n", path,
                 error.empty() ? refusal.message.c_str() : error.c_str());
    return 1;
  }
  CountingSink sink;
  if (events)
    (void)stimforge::kwhost::scanPsychopyEvents(file, sink);
  std::printf("rows %zu\ncolumns %zu\nevents %zu\n", file.rows(), file.table.columns(), sink.count);
  return 0;
}

}  // namespace

double medianOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The run pipeline's pass over a log against the design check of its events, each timed
// alone: the check must cost far less than the reading.
int timeDesign(const char* log, long long trMs, long long volumes, long long rounds) {
  namespace k = stimforge::kwhost;
  using Clock = std::chrono::steady_clock;
  k::RunSettings settings;
  std::vector<double> reads;
  std::vector<double> checks;
  k::DesignCheck check;
  for (long long round = 0; round < rounds; ++round) {
    const Clock::time_point start = Clock::now();
    k::Refusal refusal;
    const std::unique_ptr<k::StimulusSource> source = k::openStimulusSource(log, log, refusal);
    k::RunRequest request;
    request.source = source.get();
    request.name = log;
    request.settings = &settings;
    request.words = &k::plainSettingWords();
    k::RunEvents events;
    if (source == nullptr || k::readRunEvents(request, events).refused()) {
      std::fprintf(stderr, "bench_tool: %s cannot be read\n", log);
      return 1;
    }
    const Clock::time_point read = Clock::now();
    std::string message;
    const std::vector<k::DesignEvent> designEvents = k::designEventsOfTable(events.table, false);
    if (k::checkRunDesign(designEvents, k::DesignChoices(), static_cast<double>(trMs) / 1000.0,
                          volumes, check, message) != k::DesignRefusal::kNone) {
      std::fprintf(stderr, "bench_tool: %s\n", message.c_str());
      return 1;
    }
    const Clock::time_point checked = Clock::now();
    reads.push_back(std::chrono::duration<double, std::micro>(read - start).count());
    checks.push_back(std::chrono::duration<double, std::micro>(checked - read).count());
  }
  std::printf("read_us %.1f\ndesign_us %.1f\nconditions %zu\ncolumns %zu\n", medianOf(reads),
              medianOf(checks), check.conditions.size(), check.columns.size());
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 2)
    return usage();
  const std::string command = argv[1];
  long long a = 0;
  long long b = 0;
  long long c = 0;
  if (command == "log" && argc == 5 && number(argv[2], 0, a) && number(argv[3], 0, b))
    return makeLog(a, b, argv[4]);
  if (command == "protocol" && argc == 6 && number(argv[2], 1, a) && a <= 1000000 &&
      number(argv[3], 0, b) && number(argv[4], 0, c)) {
    return makeProtocol(a, b, c, argv[5]);
  }
  if (command == "copy-protocol" && argc == 4)
    return copyProtocol(argv[2], argv[3]);
  if (command == "psychopy" && (argc == 3 || (argc == 4 && std::strcmp(argv[3], "events") == 0)))
    return readPsychopy(argv[2], argc == 4);
  if (command == "design" && argc == 6 && number(argv[3], 1, a) && number(argv[4], 1, b) &&
      number(argv[5], 1, c))
    return timeDesign(argv[2], a, b, c);
  return usage();
}
