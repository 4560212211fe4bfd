// Running out of memory at any point of a command: for every allocation the plug-in makes
// in a run, a run in which that allocation (and, in the harsher mode, every later one)
// fails. The run must end with a message in the host's log, and the host's protocol must
// be either as it was, with nothing saved, or as the finished command leaves it, saved:
// never a protocol cleared, half rebuilt or changed but not saved.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "editing/editing_test_support.h"
#include "failing_allocator.h"
#include "plugin/plugin_shell.h"
#include "support/fake_host.h"

namespace stimforge {
namespace {

using testing::FailureMode;
using testing::FakeHost;

struct Scenario {
  const char* name;
  std::function<void(FakeHost&)> script;  // the protocol and the answers
};

struct Outcome {
  std::vector<std::string> protocol;  // describe() of the host's protocol afterwards
  std::vector<std::string> log;
  std::vector<std::string> savedNames;
};

// One run of execute; with `failAt`, allocations fail from that one on (or only it).
// `failed` tells whether an allocation was made to fail.
Outcome runOnce(const Scenario& scenario, const size_t* failAt, FailureMode mode, bool& failed) {
  FakeHost host;
  scenario.script(host);
  {
    testing::HostCallsAllocateFreely hostAllocates;
    if (failAt != nullptr)
      testing::armAllocationFailure(*failAt, mode);
    guardedExecute();
    failed = testing::disarmAllocationFailure();
  }
  EXPECT_THAT(host.misuse, ::testing::IsEmpty());
  Outcome outcome{testing::describe(host.protocol), host.log, {}};
  for (const auto& save : host.saves)
    outcome.savedNames.push_back(save.first);
  return outcome;
}

void expectNothingLostAtAnyAllocation(const Scenario& scenario, FailureMode mode) {
  SCOPED_TRACE(scenario.name);
  FakeHost reference;
  scenario.script(reference);
  const std::vector<std::string> before = testing::describe(reference.protocol);

  bool failed = false;
  const Outcome finished = runOnce(scenario, nullptr, mode, failed);
  ASSERT_FALSE(failed);
  ASSERT_EQ(finished.log.back(), "Finished.\n");
  ASSERT_EQ(finished.savedNames.size(), 1u);

  size_t failures = 0;
  for (size_t at = 0; at < 100000; ++at) {
    const Outcome outcome = runOnce(scenario, &at, mode, failed);
    if (!failed)
      break;  // the run made fewer allocations than that: every one has had its turn
    ++failures;
    SCOPED_TRACE("allocation " + std::to_string(at) + " failed");
    const bool untouched = outcome.protocol == before && outcome.savedNames.empty();
    const bool done =
        outcome.protocol == finished.protocol && outcome.savedNames == finished.savedNames;
    EXPECT_TRUE(untouched || done) << ::testing::PrintToString(outcome.log);
    ASSERT_FALSE(outcome.log.empty());
    EXPECT_THAT(
        outcome.log.back(),
        ::testing::AnyOf("Finished.\n",
                         "stimforge stopped because of an internal error (out of memory?)."));
  }
  EXPECT_GT(failures, 0u);
}

const Scenario kShift{"offset shift", [](FakeHost& host) {
                        host.protocol = testing::numberedProtocol(6);
                        host.integerAnswers = {2, 1500};
                        host.yesNoAnswers = {1};
                      }};
const Scenario kReorder{"reorder", [](FakeHost& host) {
                          host.protocol = testing::numberedProtocol(6);
                          host.integerAnswers = {3};
                          host.textAnswers = {"5,4,3,2,1,0"};
                        }};
const Scenario kPreset{"preset order", [](FakeHost& host) {
                         host.protocol = testing::numberedProtocol(14);
                         host.integerAnswers = {4, 1};
                       }};

// The new name was formed after the intervals had moved in the host's arrays: running out
// of memory there left the host's protocol shifted but not saved.
TEST(AllocationFailure, RegressionShiftedProtocolLeftUnsavedWhenMemoryRanOut) {
  expectNothingLostAtAnyAllocation(kShift, FailureMode::kFromThenOn);
  expectNothingLostAtAnyAllocation(kShift, FailureMode::kOnlyThat);
}

// The title and the new name were formed after kwClearProtocol: running out of memory there
// left the host's protocol empty or half rebuilt, and unsaved.
TEST(AllocationFailure, RegressionReorderLeftTheProtocolClearedWhenMemoryRanOut) {
  expectNothingLostAtAnyAllocation(kReorder, FailureMode::kFromThenOn);
  expectNothingLostAtAnyAllocation(kReorder, FailureMode::kOnlyThat);
}

TEST(AllocationFailure, RegressionPresetOrderLeftTheProtocolClearedWhenMemoryRanOut) {
  expectNothingLostAtAnyAllocation(kPreset, FailureMode::kFromThenOn);
  expectNothingLostAtAnyAllocation(kPreset, FailureMode::kOnlyThat);
}

}  // namespace
}  // namespace stimforge
