#include "kwhost/protocol/file_io.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kwhost/protocol/file.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using ::testing::ElementsAre;
using testing::TempFolder;

Protocol sample(const std::string& fileName) {
  Protocol p;
  p.fileName = fileName;
  p.title = "run1";
  p.conditions = {{"Rest", 0x3F333300, {0, 20000}, {9998, 29998}}};
  return p;
}

TEST(ProtocolFileIo, SaveReplacesTheFileWholeAndReadGivesItBack) {
  TempFolder folder;
  const std::string path = folder.write("run1.prt", "kwhost-protocol 1\r\nold content");
  std::string error;
  ASSERT_TRUE(saveProtocolFile(path, sample("elsewhere.prt"), false, "", error)) << error;
  EXPECT_THAT(folder.entries(), ElementsAre("run1.prt"));  // no temporary file left
  EXPECT_EQ(folder.read("run1.prt"), formatProtocolText(sample("")));
  Protocol read;
  ASSERT_TRUE(readProtocolFile(path, read, error)) << error;
  EXPECT_EQ(read, sample(path));
}

// Labs keep protocol files of their own under the same extension.
TEST(ProtocolFileIo, AFileKwhostDidNotWriteIsReplacedOnlyWhenForced) {
  TempFolder folder;
  const std::string path = folder.write("run1.prt", "FileVersion: 2\n");
  std::string error;
  EXPECT_FALSE(saveProtocolFile(path, sample(""), false, "give --force to replace it", error));
  EXPECT_EQ(error, "not replacing " + path +
                       ": it is not a protocol that kwhost wrote; it is left as it was (give "
                       "--force to replace it)");
  EXPECT_EQ(folder.read("run1.prt"), "FileVersion: 2\n");
  EXPECT_THAT(folder.entries(), ElementsAre("run1.prt"));
  ASSERT_TRUE(saveProtocolFile(path, sample(""), true, "", error)) << error;
  EXPECT_EQ(folder.read("run1.prt"), formatProtocolText(sample("")));
}

TEST(ProtocolFileIo, SaveThatCannotBeWrittenSaysWhyAndLeavesNothingBehind) {
  TempFolder folder;
  const std::string plain = folder.write("plain.txt", "keep");
  std::filesystem::create_directory(folder.path() / "folder.prt");
  std::string error;
  EXPECT_FALSE(saveProtocolFile(folder.file("missing/run1.prt"), sample(""), false, "", error));
  EXPECT_EQ(error, "cannot save the protocol to " + folder.file("missing/run1.prt") +
                       ": No such file or directory");
  EXPECT_FALSE(saveProtocolFile(plain + "/run1.prt", sample(""), false, "", error));
  EXPECT_EQ(error, "cannot save the protocol to " + plain + "/run1.prt: Not a directory");
  EXPECT_FALSE(saveProtocolFile(folder.file("folder.prt"), sample(""), false, "", error));
  EXPECT_EQ(error, "cannot save the protocol to " + folder.file("folder.prt") + ": it is a folder");
  EXPECT_FALSE(saveProtocolFile("", sample(""), false, "", error));
  EXPECT_EQ(error, "cannot save the protocol: the file name is empty");
  EXPECT_THAT(folder.entries(), ElementsAre("folder.prt", "plain.txt"));
  EXPECT_EQ(folder.read("plain.txt"), "keep");
}

TEST(ProtocolFileIo, ReadingAMissingFolderOrMalformedFileSaysWhy) {
  TempFolder folder;
  Protocol protocol = sample("untouched");
  std::string error;
  EXPECT_FALSE(readProtocolFile(folder.file("none.prt"), protocol, error));
  EXPECT_EQ(error, "cannot read " + folder.file("none.prt") + ": No such file or directory");
  EXPECT_FALSE(readProtocolFile(folder.path().string(), protocol, error));
  EXPECT_EQ(error, "cannot read " + folder.path().string() + ": it is a folder");
  const std::string bad = folder.write("bad.prt", "kwhost-protocol 1\ntitle run1\n");
  EXPECT_FALSE(readProtocolFile(bad, protocol, error));
  EXPECT_EQ(error, bad + ":2: title: the text must start with a double quote");
  EXPECT_EQ(protocol, sample("untouched"));
}

}  // namespace
}  // namespace stimforge::kwhost
