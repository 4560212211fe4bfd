#include "text/text_helpers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

#include "support/fake_host.h"

namespace stimforge {
namespace {

using ::testing::ElementsAre;
using testing::FakeHost;
using ::testing::IsEmpty;

TEST(HexColourToInt, ReadsUpperCaseSixDigitColours) {
  EXPECT_EQ(hexColourToInt("FFFFFF"), 16777215);
  EXPECT_EQ(hexColourToInt("000000"), 0);
  EXPECT_EQ(hexColourToInt("0000FF"), 255);
  EXPECT_EQ(hexColourToInt("3366CC"), 0x3366CC);
  EXPECT_EQ(hexColourToInt("FF3399"), 0xFF3399);
  EXPECT_EQ(hexColourToInt(""), 0);
}

TEST(HexColourToInt, OtherCharactersAddNothingButKeepTheirPosition) {
  EXPECT_EQ(hexColourToInt("ffffff"), 0);
  EXPECT_EQ(hexColourToInt("F F"), 0xF0F);
  EXPECT_EQ(hexColourToInt("Fa"), 0xF0);
}

TEST(HexColourToInt, LongTextsSaturateInsteadOfOverflowing) {
  // Seven and eight digits stay within 32 bits but are summed in single precision.
  EXPECT_EQ(hexColourToInt("1000000"), 0x1000000);
  EXPECT_EQ(hexColourToInt("7FFFFFFF"), INT_MAX);
  EXPECT_EQ(hexColourToInt("FFFFFFFF"), INT_MAX);
  EXPECT_EQ(hexColourToInt(std::string(40, 'F')), INT_MAX);
  // Zeros far beyond single precision's range must not turn the sum into NaN.
  EXPECT_EQ(hexColourToInt(std::string(40, '0') + "FF"), 255);
}

TEST(StripExtension, CutsAtTheLastDotOfTheFileName) {
  EXPECT_EQ(stripExtension("C:\\exp\\run1.prt"), "C:\\exp\\run1");
  EXPECT_EQ(stripExtension("/data/run.1.prt"), "/data/run.1");
  EXPECT_EQ(stripExtension(".prt"), "");
  EXPECT_EQ(stripExtension(""), "''");
}

TEST(StripExtension, KeepsPathsWhoseFileNameHasNoDot) {
  EXPECT_EQ(stripExtension("run1"), "run1");
  EXPECT_EQ(stripExtension("C:\\exp.old\\run1"), "C:\\exp.old\\run1");
  EXPECT_EQ(stripExtension("/data/exp.old/run1"), "/data/exp.old/run1");
}

TEST(ExtensionOf, GivesTheLastFourCharacters) {
  FakeHost host;
  EXPECT_EQ(extensionOf("C:\\exp\\run1.prt"), ".prt");
  EXPECT_EQ(extensionOf("C:\\exp\\run1.jpeg"), "jpeg");
  EXPECT_EQ(extensionOf("a.b"), "a.b");
  EXPECT_EQ(extensionOf("run1"), "");
  EXPECT_EQ(extensionOf("C:\\exp.old\\run1"), "");
  EXPECT_THAT(host.log, IsEmpty());
}

TEST(ExtensionOf, EmptyPathGivesMinusOne) {
  EXPECT_EQ(extensionOf(""), "-1");
}

TEST(WithSuffixBeforeExtension, InsertsTheSuffixBeforeTheExtension) {
  FakeHost host;
  EXPECT_EQ(withSuffixBeforeExtension("C:\\exp\\run1.prt", "_ordered"),
            "C:\\exp\\run1_ordered.prt");
  EXPECT_EQ(withSuffixBeforeExtension("C:\\exp\\run1.jpeg", "_x"), "C:\\exp\\run1_xjpeg");
  EXPECT_EQ(withSuffixBeforeExtension("C:\\exp.old\\run1", "_min500"), "C:\\exp.old\\run1_min500");
  EXPECT_THAT(host.log, IsEmpty());
  EXPECT_EQ(withSuffixBeforeExtension("", "_ordered"), "''_ordered-1");
}

TEST(WithExtension, ReplacesTheExtension) {
  EXPECT_EQ(withExtension("C:\\logs\\subj01.log", ".prt"), "C:\\logs\\subj01.prt");
  EXPECT_EQ(withExtension("C:\\exp\\run1.prt", ".prt"), "C:\\exp\\run1.prt");
  EXPECT_EQ(withExtension("/data/run1", ".prt"), "/data/run1.prt");
  EXPECT_EQ(withExtension("", ".prt"), "''.prt");
}

TEST(BaseNameOf, TakesTheFileNameAfterTheLastSeparator) {
  EXPECT_EQ(baseNameOf("C:\\logs\\subj01-run1.log", true, false), "subj01-run1");
  EXPECT_EQ(baseNameOf("C:\\logs\\subj01-run1.log", false, false), "subj01-run1.log");
  EXPECT_EQ(baseNameOf("C:\\logs\\subj01-run1.log", true, true), "subj01-run1-");
  EXPECT_EQ(baseNameOf("/data/logs/run2.log", true, false), "run2");
  EXPECT_EQ(baseNameOf("C:\\logs\\subj.01\\run.log", true, false), "run");
  EXPECT_EQ(baseNameOf("run.log", true, false), "run");
}

TEST(BaseNameOf, OddPaths) {
  EXPECT_EQ(baseNameOf("", true, false), std::nullopt);
  EXPECT_EQ(baseNameOf("C:\\logs\\", true, false), "");
  EXPECT_EQ(baseNameOf("C:\\logs\\", true, true), "-");
  EXPECT_EQ(baseNameOf("x", true, false), "x");
  EXPECT_EQ(baseNameOf("/run.log", true, false), "run");
  EXPECT_EQ(baseNameOf("C:\\logs\\run1", true, false), "run1");
  EXPECT_EQ(baseNameOf("C:\\logs\\.log", true, false), ".");
  // "/" anywhere makes it the separator; backslashes are then ordinary characters.
  EXPECT_EQ(baseNameOf("/data/a\\b.log", true, false), "a\\b");
}

}  // namespace
}  // namespace stimforge
