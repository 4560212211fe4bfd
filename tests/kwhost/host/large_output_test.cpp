// The stand-in host's paths for large output: the log pane's gathered lines and the
// protocol file written in pieces.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "kwhost/common/text_codec.h"
#include "kwhost/host/dialogs.h"
#include "kwhost/host/log_pane.h"
#include "kwhost/host/session.h"
#include "kwhost/protocol/file.h"

namespace stimforge::kwhost {
namespace {

TEST(LargeOutput, LogPaneKeepsEveryLineAcrossDeliveriesAndAroundHugeLines) {
  std::ostringstream screen;
  std::ostringstream raw;
  std::string expectedScreen;
  std::string expectedRaw;
  {
    LogPane log(screen, &raw);
    // Enough lines to fill the pane's buffer many times, of every length, some with
    // mark-up and escapes, and lines longer than the buffer itself.
    for (int i = 0; i < 20000; ++i) {
      std::string text = "Added interval: " + std::to_string(i) + std::string(i % 37, '-');
      if (i % 1000 == 7)
        text = std::string(70000 + i, 'L');
      if (i % 997 == 3)
        text += "<BR>x\t\\";
      log.logText(text.c_str());
      expectedScreen += renderMarkup(text) + "\n";
      expectedRaw += escapeLine(text) + "\n";
    }
    log.logText("");
    log.logText(nullptr);
    expectedScreen += "\n\n";
    expectedRaw += "\n\n";
    // The destructor delivers what is still pending.
  }
  EXPECT_TRUE(screen.str() == expectedScreen);
  EXPECT_TRUE(raw.str() == expectedRaw);
}

TEST(LargeOutput, DialogsFollowTheLogLinesBeforeThemOnTheScreen) {
  std::ostringstream screen;
  std::ostringstream diagnostics;
  ProtocolStore store(diagnostics);
  LogPane log(screen, nullptr);
  Dialogs dialogs(nullptr, false, screen, diagnostics);
  HostSession session(HostVersion(), true, store, log, dialogs, nullptr, diagnostics);
  dialogs.script({scriptedAnswerFromLine("2"), scriptedAnswerFromLine("n"),
                  scriptedAnswerFromLine("1,0"), scriptedAnswerFromLine("run1.log")});
  session.logText("one");
  session.messageBox("box");
  session.logText("two");
  EXPECT_EQ(session.getIntegerInput("number", 1, 1, 3), 2);
  session.logText("three");
  EXPECT_EQ(session.yesNoMessageBox("sure?"), 0);
  session.logText("four");
  char buffer[kDialogBufferSize];
  EXPECT_EQ(session.getTextInput("order", "1,2,3,4", buffer), 1);
  session.logText("five");
  EXPECT_EQ(session.getOpenFileName("log", "", "*.log", buffer), 1);
  session.logText("six");
  log.flush();
  const std::string text = screen.str();
  size_t at = 0;
  for (const char* piece : {"one\n", "! box", "two\n", "? number", "three\n", "? sure?", "four\n",
                            "? order", "five\n", "? log", "six\n"}) {
    const size_t found = text.find(piece, at);
    ASSERT_NE(found, std::string::npos) << piece << " in order in:\n" << text;
    at = found + 1;
  }
}

TEST(LargeOutput, ProtocolTextInPiecesIsTheWholeTextAndStopsWhenTheSinkDoes) {
  Protocol protocol;
  protocol.title = "big \"one\"";
  for (int c = 0; c < 3; ++c) {
    Condition condition;
    condition.name = "condition " + std::to_string(c);
    condition.colour = 0x3F000000 + c;
    for (int i = 0; i < 30000; ++i) {
      condition.starts.push_back(i * 1000 - 2147483647 * (i % 2));
      condition.ends.push_back(i * 1000 + 998);
    }
    protocol.conditions.push_back(condition);
  }
  std::vector<std::string> pieces;
  ASSERT_TRUE(writeProtocolText(protocol, [&pieces](const std::string& piece) {
    pieces.push_back(piece);
    return true;
  }));
  std::string whole;
  for (const std::string& piece : pieces) {
    EXPECT_LE(piece.size(), 64u * 1024 + 32);
    whole += piece;
  }
  EXPECT_GT(pieces.size(), 10u);
  EXPECT_TRUE(whole == formatProtocolText(protocol));
  Protocol parsed;
  std::string error;
  ASSERT_TRUE(parseProtocolText(whole, "big.prt", parsed, error)) << error;
  parsed.fileName.clear();
  EXPECT_TRUE(parsed == protocol);

  int calls = 0;
  EXPECT_FALSE(writeProtocolText(protocol, [&calls](const std::string&) { return ++calls < 3; }));
  EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace stimforge::kwhost
