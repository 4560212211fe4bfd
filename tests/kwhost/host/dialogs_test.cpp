#include "kwhost/host/dialogs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace stimforge::kwhost {
namespace {

ScriptedAnswer answer(const std::string& text) {
  return scriptedAnswerFromLine(text);
}

struct Scripted {
  std::ostringstream screen;
  std::ostringstream diagnostics;
  Dialogs dialogs{nullptr, false, screen, diagnostics};
  explicit Scripted(std::vector<ScriptedAnswer> answers) { dialogs.script(std::move(answers)); }
};

struct Typed {
  std::istringstream keyboard;
  std::ostringstream screen;
  std::ostringstream diagnostics;
  Dialogs dialogs;
  explicit Typed(const std::string& input)
      : keyboard(input), dialogs(&keyboard, false, screen, diagnostics) {}
};

TEST(ScriptedDialogs, TakeTheAnswersInOrderAsGiven) {
  Scripted s({answer("4"), answer("-1"), answer("YES"), answer("n"), answer(""), answer(""),
              answer("x.log"), answer(std::string(255, 'a'))});
  char buffer[kDialogBufferSize];
  EXPECT_EQ(s.dialogs.integerInput("menu", 1, 1, 3), 4);  // outside the bounds, as given
  EXPECT_EQ(s.dialogs.integerInput("amount", 0, 0, 10), -1);
  EXPECT_EQ(s.dialogs.yesNo("q"), 1);
  EXPECT_EQ(s.dialogs.yesNo("q"), 0);
  EXPECT_EQ(s.dialogs.yesNo("q"), 0);  // empty means no
  EXPECT_EQ(s.dialogs.textInput("order", "1,2,3,4", buffer), 1);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(s.dialogs.openFileName("log", "*.log", buffer), 1);
  EXPECT_STREQ(buffer, "x.log");
  EXPECT_EQ(s.dialogs.textInput("order", "", buffer), 1);
  EXPECT_EQ(std::string(buffer), std::string(255, 'a'));
  EXPECT_FALSE(s.dialogs.answersRanOut());
  EXPECT_FALSE(s.dialogs.answerRefused());
  EXPECT_EQ(s.diagnostics.str(), "");
}

TEST(ScriptedDialogs, CancelRunningOutAndUnsuitableAnswersCancelTheDialog) {
  Scripted s({answer("<cancel>"), answer("<cancel>"), answer("<cancel>"), answer("<cancel>"),
              answer("two"), answer("maybe"), answer(std::string(256, 'a'))});
  char buffer[kDialogBufferSize] = "untouched";
  EXPECT_EQ(s.dialogs.integerInput("menu", 1, 1, 3), -1);
  EXPECT_EQ(s.dialogs.yesNo("q"), 0);
  EXPECT_EQ(s.dialogs.textInput("order", "", buffer), 0);
  EXPECT_EQ(s.dialogs.openFileName("log", "", buffer), 0);
  EXPECT_FALSE(s.dialogs.answerRefused());
  EXPECT_EQ(s.dialogs.integerInput("menu", 1, 1, 3), -1);
  EXPECT_EQ(s.dialogs.yesNo("q"), 0);
  EXPECT_EQ(s.dialogs.textInput("order", "", buffer), 0);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_TRUE(s.dialogs.answerRefused());
  EXPECT_FALSE(s.dialogs.answersRanOut());
  EXPECT_EQ(s.dialogs.integerInput("What is the TR?<BR>in ms", 2000, 1, 100000), -1);
  EXPECT_TRUE(s.dialogs.answersRanOut());
  EXPECT_EQ(s.diagnostics.str(),
            "kwhost: scripted answer 5 \"two\" is not a whole number; the integer dialog is "
            "cancelled\n"
            "kwhost: scripted answer 6 \"maybe\" is not y, yes, n or no; the yes/no dialog is "
            "cancelled\n"
            "kwhost: scripted answer 7 is 256 bytes long, more than the 255 the dialog takes; "
            "the text dialog is cancelled\n"
            "kwhost: no scripted answer left for the integer dialog \"What is the TR?\"; it is "
            "cancelled\n");
}

TEST(ScriptedDialogs, ShowEachDialogWithItsAnswer) {
  Scripted s({answer("2"), answer("<cancel>")});
  char buffer[kDialogBufferSize];
  s.dialogs.messageBox("This function changes<BR>the offsets");
  EXPECT_EQ(s.dialogs.integerInput("Please select:<P>1 = One<BR>2 = Two", 1, 1, 2), 2);
  EXPECT_EQ(s.dialogs.textInput("Order?", "1,2,3,4", buffer), 0);
  EXPECT_EQ(s.dialogs.yesNo("Sure?"), 0);
  EXPECT_EQ(s.screen.str(),
            "! This function changes\n"
            "  the offsets\n"
            "? Please select:\n"
            "\n"
            "  1 = One\n"
            "  2 = Two\n"
            "  [whole number 1 to 2, default 1] > 2\n"
            "? Order?\n"
            "  [text, default \"1,2,3,4\"] > <cancel>\n"
            "? Sure?\n"
            "  [y/n] > (no answer left: cancelled)\n");
}

TEST(TypedDialogs, AskAgainUntilTheAnswerSuitsTheDialog) {
  Typed t("9\nthree\n 2 \nmaybe\ny\n");
  EXPECT_EQ(t.dialogs.integerInput("menu", 1, 1, 3), 2);
  EXPECT_EQ(t.dialogs.yesNo("q"), 1);
  EXPECT_EQ(t.screen.str(),
            "? menu\n"
            "  [whole number 1 to 3, default 1; empty cancels] >   Please enter a number from 1 "
            "to 3.\n"
            "  [whole number 1 to 3, default 1; empty cancels] >   Please enter a whole "
            "number.\n"
            "  [whole number 1 to 3, default 1; empty cancels] > "
            "? q\n"
            "  [y/n, empty means no] >   Please answer y or n.\n"
            "  [y/n, empty means no] > ");
}

TEST(TypedDialogs, EmptyAnswerOrEndOfInputCancels) {
  char buffer[kDialogBufferSize] = "untouched";
  Typed empty("\n\n\n\n");
  EXPECT_EQ(empty.dialogs.integerInput("menu", 1, 1, 3), -1);
  EXPECT_EQ(empty.dialogs.yesNo("q"), 0);
  EXPECT_EQ(empty.dialogs.textInput("order", "1,2,3,4", buffer), 0);
  EXPECT_EQ(empty.dialogs.openFileName("log", "*.log", buffer), 0);
  Typed ended("");
  EXPECT_EQ(ended.dialogs.integerInput("menu", 1, 1, 3), -1);
  EXPECT_EQ(ended.dialogs.yesNo("q"), 0);
  EXPECT_EQ(ended.dialogs.textInput("order", "1,2,3,4", buffer), 0);
  EXPECT_EQ(ended.dialogs.openFileName("log", "*.log", buffer), 0);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_FALSE(ended.dialogs.answersRanOut());  // typed dialogs are simply cancelled
}

TEST(TypedDialogs, TextMustFitAndFileMustExist) {
  const std::string thisFile = __FILE__;
  Typed t(std::string(256, 'a') + "\n2,0,1\r\nno/such/file.log\n" + thisFile + "\n");
  char buffer[kDialogBufferSize];
  EXPECT_EQ(t.dialogs.textInput("order", "1,2,3,4", buffer), 1);
  EXPECT_STREQ(buffer, "2,0,1");
  EXPECT_EQ(t.dialogs.openFileName("log", "*.log", buffer), 1);
  EXPECT_EQ(std::string(buffer), thisFile);
  EXPECT_NE(t.screen.str().find("  The answer is 256 bytes long, more than the 255 the dialog "
                                "takes.\n"),
            std::string::npos);
  EXPECT_NE(t.screen.str().find("  No such file: no/such/file.log\n"), std::string::npos);
}

}  // namespace
}  // namespace stimforge::kwhost
