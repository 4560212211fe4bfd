// Every committed fuzz input of the plug-in's fuzzers (seeds, the inputs of past findings
// named regression-*, and the inputs kept from long runs) run once through its target.
#include <gtest/gtest.h>

#include "fuzz_corpus_replay.h"
#include "fuzz_targets.h"

namespace stimforge {
namespace {

using testing::replayCorpus;

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
