#include "kwhost/host/session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "kwhost/protocol/file_io.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using testing::TempFolder;

struct Host {
  std::ostringstream screen;
  std::ostringstream raw;
  std::ostringstream transcript;
  std::ostringstream diagnostics;
  ProtocolStore store{diagnostics};
  LogPane log{screen, &raw};
  Dialogs dialogs{nullptr, false, screen, diagnostics};
  HostSession session;

  explicit Host(bool volumeOpen = true, HostVersion version = HostVersion())
      : session(version, volumeOpen, store, log, dialogs, &transcript, diagnostics) {}
};

TEST(HostSession, WritesEveryCallToTheTranscript) {
  TempFolder folder;
  Host host(true, HostVersion{3, 1, 4});
  host.dialogs.script({scriptedAnswerFromLine("4"), scriptedAnswerFromLine("y"),
                       scriptedAnswerFromLine("2,0"), scriptedAnswerFromLine("a\\b.log")});
  HostSession& s = host.session;
  int major = 0, minor = 0, sub = 0;
  s.getVersion(&major, &minor, &sub);
  EXPECT_EQ(major * 100 + minor * 10 + sub, 314);
  s.showLogTab();
  s.logText("\nstimforge> Started...");
  s.messageBox("Note\tthis");
  EXPECT_EQ(s.getIntegerInput("menu", 1, 1, 3), 4);
  EXPECT_EQ(s.yesNoMessageBox("sure?"), 1);
  char buffer[kDialogBufferSize];
  EXPECT_EQ(s.getTextInput("order", "1,2,3,4", buffer), 1);
  EXPECT_EQ(s.getOpenFileName("log", "", "*.log", buffer), 1);
  EXPECT_EQ(s.getTextInput("more", "", buffer), 0);
  int x = 0, y = 0, z = 0;
  EXPECT_NE(s.getCurrentVmr(&x, &y, &z), nullptr);
  ProtocolHeader header{};
  EXPECT_EQ(s.getProtocol(&header), 0);
  s.clearProtocol();
  ProtocolCondition condition{};
  std::snprintf(condition.name, sizeof condition.name, "Faces");
  condition.colour = 0x3FFF3399;
  s.addProtocolCondition(&condition);
  s.addProtocolConditionInterval(0, 100, 200);
  header.numberOfConditions = 1;
  std::snprintf(header.protocolTitle, sizeof header.protocolTitle, "t");
  header.timeResolution = 2;
  s.setProtocol(&header);
  s.getProtocolCondition(0, &condition);
  s.saveProtocol(folder.file("x.prt").c_str());
  EXPECT_EQ(s.getProtocol(&header), 1);
  EXPECT_EQ(host.transcript.str(),
            "kwGetVersionOfHaldenKW() -> 3.1.4\n"
            "kwShowLogTab()\n"
            "kwLogText(\\nstimforge> Started...)\n"
            "kwMessageBox(Note\\tthis)\n"
            "kwGetIntegerInput(menu, 1, 1, 3) -> 4\n"
            "kwYesNoMessageBox(sure?) -> 1\n"
            "kwGetTextInput(order, 1,2,3,4) -> 1 2,0\n"
            "kwGetOpenFileName(log, , *.log) -> 1 a\\\\b.log\n"
            "kwGetTextInput(more, ) -> 0\n"
            "kwGetCurrentVMR() -> volume\n"
            "kwGetProtocol() -> 0\n"
            "kwClearProtocol()\n"
            "kwAddProtocolCondition(Faces, 0x3FFF3399)\n"
            "kwAddProtocolConditionInterval(0, 100, 200)\n"
            "kwSetProtocol(1, , t, 2)\n"
            "kwGetProtocolCondition(0)\n"
            "kwSaveProtocol(" +
                folder.file("x.prt") +
                ") -> saved\n"
                "kwGetProtocol() -> 1\n");
  EXPECT_STREQ(header.fileName, folder.file("x.prt").c_str());  // where it was saved
  Protocol saved;
  std::string error;
  ASSERT_TRUE(readProtocolFile(folder.file("x.prt"), saved, error)) << error;
  EXPECT_EQ(saved, host.store.protocol());
  EXPECT_EQ(host.diagnostics.str(),
            "kwhost: no scripted answer left for the text dialog \"more\"; it is cancelled\n");
}

TEST(HostSession, RunSucceedsOnlyWithTheSuccessLineAndNoFailedSave) {
  TempFolder folder;
  Host host;
  HostSession& s = host.session;
  s.beginRun();
  s.logText("Plugin operations finished successfully. ");
  EXPECT_FALSE(s.runReportedSuccess());
  s.logText("Plugin operations finished successfully.");
  EXPECT_TRUE(s.runReportedSuccess());
  s.saveProtocol(folder.file("none.prt").c_str());  // no protocol is current
  EXPECT_TRUE(s.runHadFailedSave());
  s.beginRun();
  EXPECT_FALSE(s.runReportedSuccess());
  EXPECT_FALSE(s.runHadFailedSave());
  s.clearProtocol();
  s.saveProtocol(folder.file("missing/x.prt").c_str());
  s.saveProtocol(nullptr);
  EXPECT_TRUE(s.runHadFailedSave());
  s.saveProtocol(folder.file("x.prt").c_str());
  EXPECT_THAT(s.savedFiles(), ::testing::ElementsAre(folder.file("x.prt")));
  EXPECT_EQ(host.diagnostics.str(),
            "kwhost: kwSaveProtocol: no protocol is current; nothing is saved to " +
                folder.file("none.prt") + "\n" + "kwhost: cannot save the protocol to " +
                folder.file("missing/x.prt") + ": No such file or directory\n" +
                "kwhost: kwSaveProtocol: the file name is null; nothing is saved\n");
}

TEST(HostSession, ReportsNoVolumeDocumentWhenToldSo) {
  Host host(false);
  int x = 1, y = 1, z = 1;
  EXPECT_EQ(host.session.getCurrentVmr(&x, &y, &z), nullptr);
  EXPECT_EQ(host.session.getCurrentVmr(nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(host.transcript.str(), "kwGetCurrentVMR() -> null\nkwGetCurrentVMR() -> null\n");
}

}  // namespace
}  // namespace stimforge::kwhost
