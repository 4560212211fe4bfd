// The menu and the version gate, run against the fake host.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "plugin/menu.h"
#include "plugin/plugin_interface.h"
#include "plugin/plugin_shell.h"
#include "support/fake_host.h"

namespace stimforge {
namespace {

using ::testing::ElementsAre;
using testing::FakeHost;

const char kMenu[] =
    "kwGetIntegerInput(Please select an option:<P>1 = Create stimulation protocol from "
    "Presentation Log file<BR>2 = Change the offset in an existing stimulation protocol<BR>3 "
    "= Sort conditions in an existing stimulation protocol, 1, 1, 3) -> ";

TEST(VersionGate, AcceptsFrom299On) {
  EXPECT_TRUE(hostVersionSupported(2, 9, 9));
  EXPECT_FALSE(hostVersionSupported(2, 9, 8));
  EXPECT_TRUE(hostVersionSupported(2, 9, 10));
  EXPECT_TRUE(hostVersionSupported(2, 10, 0));
  EXPECT_FALSE(hostVersionSupported(2, 8, 99));
  EXPECT_TRUE(hostVersionSupported(3, 0, 0));
  EXPECT_TRUE(hostVersionSupported(20, 0, 0));
  EXPECT_FALSE(hostVersionSupported(1, 99, 99));
}

TEST(Execute, AnswerOutsideTheMenuIsReported) {
  for (int answer : {0, 5, -1}) {
    FakeHost host;
    host.integerAnswers = {answer};
    EXPECT_TRUE(runMenu());
    EXPECT_THAT(host.calls,
                ElementsAre("kwShowLogTab()", "kwLogText(\nstimforge> Started...)",
                            kMenu + std::to_string(answer), "kwLogText(No valid option selected.)",
                            "kwLogText(Cancelled further operations.)", "kwLogText(Finished.\n)"));
  }
}

TEST(Execute, EveryMenuAnswerEndsWithFinished) {
  for (int answer : {1, 2, 3, 4}) {
    FakeHost host;
    host.integerAnswers = {answer};
    host.fileAnswers = {std::nullopt};
    host.protocolPresent = false;
    runMenu();
    ASSERT_GE(host.log.size(), 2u);
    EXPECT_EQ(host.log.front(), "\nstimforge> Started...");
    EXPECT_EQ(host.log.back(), "Finished.\n") << "answer " << answer;
    EXPECT_THAT(host.log, ::testing::Not(::testing::Contains("No valid option selected.")));
  }
}

TEST(Execute, NeverLetsAnExceptionReachTheHost) {
  FakeHost host;
  HostApi api = hostApi();
  api.kwShowLogTab = [] { throw std::bad_alloc(); };
  setHostApi(api);
  StimForge plugin;
  EXPECT_FALSE(plugin.execute());
  EXPECT_THAT(host.log,
              ElementsAre("stimforge stopped because of an internal error (out of memory?)."));
}

}  // namespace
}  // namespace stimforge

namespace stimforge {
namespace {

TEST(InitPlugin, FailsOutsideAHostProcessAndSaysSoIfItCan) {
  // This test program is neither Halden.exe nor HaldenKW.exe, so binding must fail; the
  // fake host's table is still installed, so the failure can be written.
  FakeHost host;
  StimForge plugin;
  EXPECT_FALSE(plugin.initPlugin());
  EXPECT_THAT(host.calls, ElementsAre("kwLogText(init failed.)"));
}

}  // namespace
}  // namespace stimforge
