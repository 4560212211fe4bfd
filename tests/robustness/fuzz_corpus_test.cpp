// Every committed fuzz input (seeds and the inputs of past findings, regression-*) run once
// through its fuzz target. A target aborts on a failed property, so these tests fail by
// crashing, with the property named on stderr.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_targets.h"

namespace stimforge {
namespace {

namespace fs = std::filesystem;
using Target = int (*)(const uint8_t*, size_t);

// Runs every file of corpus/<name> through `target`; returns how many there were.
size_t replayCorpus(const char* name, Target target) {
  const fs::path folder = fs::path(SF_FUZZ_CORPUS_DIR) / name;
  size_t count = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (!entry.is_regular_file())
      continue;
    std::ifstream file(entry.path(), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    SCOPED_TRACE(entry.path().string());
    target(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ++count;
  }
  return count;
}

TEST(FuzzCorpus, TextHelperInputsKeepTheirProperties) {
  EXPECT_GT(replayCorpus("text_helpers", &fuzzing::fuzzTextHelpers), 0u);
}

TEST(FuzzCorpus, ConditionOrderInputsKeepTheirProperties) {
  EXPECT_GT(replayCorpus("condition_order", &fuzzing::fuzzConditionOrder), 0u);
}

TEST(FuzzCorpus, LogReaderInputsKeepTheirProperties) {
  EXPECT_GT(replayCorpus("log_reader", &fuzzing::fuzzLogReader), 0u);
}

TEST(FuzzCorpus, ExecuteInputsLeaveTheHostConsistent) {
  EXPECT_GT(replayCorpus("execute", &fuzzing::fuzzExecute), 0u);
}

}  // namespace
}  // namespace stimforge
