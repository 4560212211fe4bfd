// Micro-benchmarks (Google Benchmark) of the import's parts and the stand-in host's hot
// paths. The reader's log lines are formatted in full and handed to a host that drops
// them, so these times are the plug-in's own.
//
//   stimforge_bench [--log FILE [--subject-column]] [Google Benchmark's options]
//
// Without --log the reader reads a generated log of 100,000 events. The reader's results
// carry bytes_per_second (file bytes / reader time) and time_per_line (reader time / lines).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include "bench/log_generator.h"
#include "bench/protocol_generator.h"
#include "host/host_api.h"
#include "kwhost/host/log_pane.h"
#include "kwhost/protocol/file.h"
#include "logformat/log_source.h"
#include "logimport/import_command.h"
#include "logimport/presentation_log.h"
#include "logimport/protocol_builder.h"

namespace {

// The reader's log lines go to the host, as in an import.
stimforge::HostLogSink hostLog;

using stimforge::bench::LogCounts;

struct Input {
  std::string path;  // "" = generated
  bool subjectColumn = true;
  std::string text;
  int64_t lines = 0;
};

Input& input() {
  static Input in;
  return in;
}

// A host that drops everything the plug-in hands it.
void installDroppingHost() {
  stimforge::HostApi api;
  api.kwLogText = [](const char*) {};
  api.kwClearProtocol = [] {};
  api.kwAddProtocolCondition = [](const stimforge::ProtocolCondition*) {};
  api.kwAddProtocolConditionInterval = [](int, int, int) {};
  api.kwSetProtocol = [](const stimforge::ProtocolHeader*) {};
  api.kwSaveProtocol = [](const char*) {};
  stimforge::setHostApi(api);
}

int64_t countLines(const std::string& text) {
  int64_t lines = 0;
  for (const char c : text)
    lines += c == '\n';
  return lines;
}

void setReaderCounters(benchmark::State& state) {
  const double bytes = static_cast<double>(input().text.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
  state.counters["time_per_line"] = benchmark::Counter(
      static_cast<double>(input().lines),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void readerFromMemory(benchmark::State& state) {
  installDroppingHost();
  stimforge::MemoryLogSource source(input().text);
  for (auto _ : state) {
    auto log =
        stimforge::readPresentationLog(&source, "bench.log", input().subjectColumn, false, hostLog);
    benchmark::DoNotOptimize(log);
  }
  setReaderCounters(state);
}

void readerFromFile(benchmark::State& state) {
  installDroppingHost();
  for (auto _ : state) {
    auto log = stimforge::readPresentationLog(stimforge::openLogFile(input().path).get(),
                                              input().path, input().subjectColumn, false, hostLog);
    benchmark::DoNotOptimize(log);
  }
  setReaderCounters(state);
}

void buildProtocol(benchmark::State& state) {
  installDroppingHost();
  stimforge::MemoryLogSource source(input().text);
  const auto log =
      stimforge::readPresentationLog(&source, "bench.log", input().subjectColumn, false, hostLog);
  for (auto _ : state)
    benchmark::DoNotOptimize(stimforge::buildProtocol(*log, 1));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * log->eventCount);
}

// The stand-in host's log pane: the reader's three kinds of line, rendered into a stream.
void logPane(benchmark::State& state) {
  const char* const lines[] = {"Trial: 1234 EventType: Picture Code: face happy 3",
                               "Trial: 1234, code: face happy 3, duration:            1553",
                               "Added interval: 101309 - 106343, for condition: face happy 3"};
  std::ostringstream screen;
  stimforge::kwhost::LogPane pane(screen, nullptr);
  int64_t n = 0;
  for (auto _ : state) {
    pane.logText(lines[n % 3]);
    if (++n % 100000 == 0)
      screen.str(std::string());
  }
  state.SetItemsProcessed(n);
}

const stimforge::kwhost::Protocol& benchProtocol() {
  static const stimforge::kwhost::Protocol protocol =
      stimforge::bench::generateProtocol(2, 60, 1000000);
  return protocol;
}

void protocolWrite(benchmark::State& state) {
  int64_t bytes = 0;
  for (auto _ : state) {
    const bool written =
        stimforge::kwhost::writeProtocolText(benchProtocol(), [&bytes](const std::string& piece) {
          bytes += static_cast<int64_t>(piece.size());
          return true;
        });
    benchmark::DoNotOptimize(written);
  }
  state.SetBytesProcessed(bytes);
}

void protocolParse(benchmark::State& state) {
  const std::string text = stimforge::kwhost::formatProtocolText(benchProtocol());
  for (auto _ : state) {
    stimforge::kwhost::Protocol protocol;
    std::string error;
    benchmark::DoNotOptimize(
        stimforge::kwhost::parseProtocolText(text, "bench.prt", protocol, error));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

bool loadInput(std::string& error) {
  Input& in = input();
  if (in.path.empty()) {
    in.text = stimforge::bench::generateLogText(1, 100000);
  } else {
    std::FILE* file = std::fopen(in.path.c_str(), "rb");
    if (file == nullptr) {
      error = "cannot read " + in.path;
      return false;
    }
    char buffer[1 << 16];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
      in.text.append(buffer, n);
    std::fclose(file);
  }
  in.lines = countLines(in.text);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Our own options first; Google Benchmark takes the rest.
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
      input().path = argv[++i];
    } else if (std::strcmp(argv[i], "--no-subject-column") == 0) {
      input().subjectColumn = false;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  std::string error;
  if (!loadInput(error)) {
    std::fprintf(stderr, "stimforge_bench: %s\n", error.c_str());
    return 1;
  }
  benchmark::RegisterBenchmark("reader/memory", readerFromMemory)->Unit(benchmark::kMillisecond);
  if (!input().path.empty()) {
    benchmark::RegisterBenchmark("reader/file", readerFromFile)->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("builder", buildProtocol)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("kwhost/log_pane", logPane);
  benchmark::RegisterBenchmark("kwhost/protocol_write", protocolWrite)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("kwhost/protocol_parse", protocolParse)
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
