// A host that fills a whole 256-byte answer or path buffer without a terminating NUL: the
// plug-in reads the answer within the buffer and goes on as with any other answer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "editing/editing_test_support.h"
#include "plugin/menu.h"
#include "plugin/plugin_shell.h"
#include "support/fake_host.h"

namespace stimforge {
namespace {

using ::testing::ElementsAre;
using testing::FakeHost;

constexpr size_t kBufferSize = 256;

// "2,1,0,2,1,0,..." over all 256 bytes, no NUL.
int unterminatedOrder(const char*, const char*, char* answer) {
  for (size_t i = 0; i < kBufferSize; ++i)
    answer[i] = i % 2 == 1 ? ',' : static_cast<char>('2' - (i / 2) % 3);
  return 1;
}

// "C:\ppp...p.log" over all 256 bytes, no NUL.
int unterminatedPath(const char*, const char*, const char*, char* path) {
  std::memset(path, 'p', kBufferSize);
  std::memcpy(path, "C:\\", 3);
  std::memcpy(path + kBufferSize - 4, ".log", 4);
  return 1;
}

TEST(AnswerBuffers, OrderFillingTheWholeBufferIsReadWithinIt) {
  FakeHost host;
  host.protocol = testing::numberedProtocol(3);
  host.integerAnswers = {3};
  HostApi api = hostApi();
  api.kwGetTextInput = &unterminatedOrder;
  setHostApi(api);
  EXPECT_TRUE(runMenu());
  EXPECT_THAT(host.conditionNames(), ElementsAre("C2", "C1", "C0"));
  ASSERT_EQ(host.saves.size(), 1u);
  EXPECT_EQ(host.saves[0].first, "C:\\exp\\run1_ordered.prt");
  EXPECT_THAT(host.misuse, ::testing::IsEmpty());
}

TEST(AnswerBuffers, PathFillingTheWholeBufferIsReadWithinItAndRefused) {
  FakeHost host;
  host.protocol = testing::numberedProtocol(2);
  host.integerAnswers = {1};
  HostApi api = hostApi();
  api.kwGetOpenFileName = &unterminatedPath;
  setHostApi(api);
  EXPECT_TRUE(runMenu());
  // The 256 characters give a ".prt" name of 256 and a shown "_MSEC" name of 261.
  EXPECT_THAT(host.log, ElementsAre("\nstimforge> Started...",
                                    "The protocol file name would be longer than 260 characters.",
                                    "Cancelled further operations.", "Finished.\n"));
  EXPECT_EQ(testing::describe(host.protocol), testing::describe(testing::numberedProtocol(2)));
  EXPECT_TRUE(host.saves.empty());
}

}  // namespace
}  // namespace stimforge
