// Every committed input of the stand-in host's fuzzers run once through its target.
#include <gtest/gtest.h>

#include "fuzz_corpus_replay.h"
#include "fuzz_targets.h"

namespace stimforge {
namespace {

TEST(FuzzCorpus, ProtocolFileInputsReadOrAreRefusedCleanly) {
  EXPECT_GT(testing::replayCorpus("protocol_file", &fuzzing::fuzzProtocolFile), 0u);
}

TEST(FuzzCorpus, TriggerSequencesGiveFiniteFigures) {
  EXPECT_GT(testing::replayCorpus("trigger_analysis", &fuzzing::fuzzTriggerAnalysis), 0u);
}

TEST(FuzzCorpus, EventsInputsAreRefusedOrKeepEveryValueRule) {
  EXPECT_GT(testing::replayCorpus("events", &fuzzing::fuzzEvents), 0u);
}

}  // namespace
}  // namespace stimforge
