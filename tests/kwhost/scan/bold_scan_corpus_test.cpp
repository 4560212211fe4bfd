// Every committed input of the BOLD-run fuzzer run once through its target.
#include <gtest/gtest.h>

#include "fuzz_corpus_replay.h"
#include "fuzz_targets.h"

namespace stimforge {
namespace {

TEST(BoldScanFuzzCorpus, EveryInputGivesARefusalOrFiguresInRange) {
  EXPECT_GT(testing::replayCorpus("bold_scan", &fuzzing::fuzzBoldScan), 0u);
}

}  // namespace
}  // namespace stimforge
