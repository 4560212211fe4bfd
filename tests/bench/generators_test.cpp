// The benchmark's input generators: the same bytes from the same seed, and inputs that
// the reader and the stand-in host read as the generators say.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/log_generator.h"
#include "bench/protocol_generator.h"
#include "host/host_api.h"
#include "kwhost/protocol/file.h"
#include "logformat/log_source.h"
#include "logimport/import_command.h"
#include "logimport/presentation_log.h"

namespace stimforge::bench {
namespace {

// The reader's log lines go to the host, as in an import.
HostLogSink hostLog;

std::vector<std::string>* gLogged = nullptr;

TEST(LogGenerator, SameSeedSameBytesAndTheReaderAgreesWithTheCounts) {
  LogCounts counts;
  const std::string text = generateLogText(7, 5000, &counts);
  EXPECT_EQ(generateLogText(7, 5000), text);
  EXPECT_NE(generateLogText(8, 5000), text);
  EXPECT_EQ(counts.events, 5000);
  EXPECT_EQ(counts.bytes, static_cast<int64_t>(text.size()));
  EXPECT_EQ(counts.codes, 50);
  EXPECT_GT(counts.selected, counts.pictures);
  EXPECT_LT(counts.selected, counts.events);
  // Written to a file piece by piece, the same text.
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(writeLog(file, 7, 5000));
  std::rewind(file);
  std::string written;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    written.append(buffer, n);
  std::fclose(file);
  EXPECT_TRUE(written == text);

  std::vector<std::string> logged;
  gLogged = &logged;
  HostApi api;
  api.kwLogText = [](const char* line) { gLogged->push_back(line); };
  setHostApi(api);
  MemoryLogSource source(text);
  const auto log = readPresentationLog(&source, "bench.log", true, false, hostLog);
  const auto pictures = readPresentationLog(&source, "bench.log", true, true, hostLog);
  setHostApi(HostApi{});
  gLogged = nullptr;
  ASSERT_TRUE(log && pictures);
  EXPECT_EQ(log->eventCount, counts.selected);
  EXPECT_EQ(static_cast<int64_t>(log->codes.size()), counts.codes);
  EXPECT_EQ(pictures->eventCount, counts.pictures);
  // Every event line is logged once; the first part ends at the first of the two empty
  // lines after the events.
  const std::string& lastEvent = logged[static_cast<size_t>(counts.events - 1)];
  const std::string lastTrial = lastEvent.substr(7, lastEvent.find(' ', 7) - 7);
  EXPECT_EQ(logged[static_cast<size_t>(counts.events)],
            "Number of trials: " + lastTrial +
                ", Picture/Sound/Video/Response events: " + std::to_string(counts.selected));
  EXPECT_EQ(logged[static_cast<size_t>(counts.events) + 1],
            "Number of lines in first part of file: " + std::to_string(counts.lines));
}

TEST(ProtocolGenerator, SizesAscendingIntervalsAndAFileThatReadsBack) {
  const kwhost::Protocol protocol = generateProtocol(3, 23, 10000);
  ASSERT_EQ(protocol.conditions.size(), 23u);
  size_t intervals = 0;
  for (const kwhost::Condition& c : protocol.conditions) {
    ASSERT_EQ(c.starts.size(), c.ends.size());
    for (size_t i = 0; i < c.starts.size(); ++i) {
      EXPECT_LT(c.starts[i], c.ends[i]);
      if (i > 0) {
        EXPECT_LT(c.starts[i - 1], c.starts[i]);
      }
    }
    intervals += c.starts.size();
  }
  EXPECT_EQ(intervals, 10000u);
  EXPECT_TRUE(generateProtocol(3, 23, 10000) == protocol);
  kwhost::Protocol parsed;
  std::string error;
  ASSERT_TRUE(kwhost::parseProtocolText(kwhost::formatProtocolText(protocol), "", parsed, error))
      << error;
  EXPECT_TRUE(parsed == protocol);
}

}  // namespace
}  // namespace stimforge::bench
