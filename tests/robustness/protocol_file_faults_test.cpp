// Protocol files the stand-in host cannot write: a folder where the file should be, a
// folder no file can be made in, a name beyond the file system's limit. The save is
// refused with the reason, nothing is left behind, the files that were there are as they
// were, and a kwhost run that could not save fails.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "kwhost/protocol/file.h"
#include "kwhost/protocol/file_io.h"
#include "temp_folder.h"

#ifndef _WIN32
#include <unistd.h>

#include "kwhost_runner.h"
#endif

namespace stimforge::kwhost {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::TempFolder;

Protocol sample() {
  Protocol p;
  p.title = "run1";
  p.conditions = {{"Rest", 0x3F333300, {0, 20000}, {9998, 29998}}};
  return p;
}

// The file's name was as long as the file system allows, and the temporary file made
// from it (the name and 21 more characters) was not: the save failed.
TEST(ProtocolFileFaults, RegressionLongFileNameFailedForItsTemporaryFileOnly) {
  TempFolder folder;
  const std::string name = std::string(251, 'a') + ".prt";  // 255 characters
  std::string error;
  ASSERT_TRUE(saveProtocolFile(folder.file(name), sample(), false, "", error)) << error;
  EXPECT_THAT(folder.entries(), ElementsAre(name));
  Protocol read;
  ASSERT_TRUE(readProtocolFile(folder.file(name), read, error)) << error;
  EXPECT_EQ(read.conditions, sample().conditions);
}

TEST(ProtocolFileFaults, NameBeyondTheFileSystemsLimitIsRefusedAndLeavesNothing) {
  TempFolder folder;
  const std::string path = folder.file(std::string(252, 'a') + ".prt");  // 256 characters
  std::string error;
  EXPECT_FALSE(saveProtocolFile(path, sample(), false, "", error));
  EXPECT_EQ(error, "cannot save the protocol to " + path + ": File name too long");
  EXPECT_TRUE(folder.entries().empty());
}

#ifndef _WIN32
TEST(ProtocolFileFaults, FolderThatCannotBeWrittenIsRefusedAndLeavesNothing) {
  std::string error;
  // No file can be made in a process's folder under /proc, not even by the superuser.
  EXPECT_FALSE(saveProtocolFile("/proc/self/run1.prt", sample(), false, "", error));
  EXPECT_EQ(error, "cannot save the protocol to /proc/self/run1.prt: No such file or directory");
  if (geteuid() != 0) {  // permissions do not stop the superuser
    TempFolder folder;
    const std::string old = folder.write("run1.prt", "old content");
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(saveProtocolFile(old, sample(), false, "", error));
    fs::permissions(folder.path(), fs::perms::owner_all);
    EXPECT_EQ(error, "cannot save the protocol to " + old + ": Permission denied");
    EXPECT_THAT(folder.entries(), ElementsAre("run1.prt"));
    EXPECT_EQ(folder.read("run1.prt"), "old content");
  }
}

// A whole kwhost run whose protocol cannot be saved: the plug-in finishes, kwhost says why
// and fails, the input is untouched and nothing else is written.
TEST(ProtocolFileFaults, KwhostRunWhoseSaveCannotBeWrittenFails) {
  TempFolder folder;
  folder.write("run1.prt", formatProtocolText(sample()));
  fs::create_directory(folder.path() / "run1_min500.prt");
  const testing::KwhostResult shift =
      testing::runKwhost(folder, {"shift", "run1.prt", "--earlier", "500"});
  EXPECT_EQ(shift.status, 1);
  EXPECT_THAT(shift.out, HasSubstr("Plugin operations finished successfully.\nFinished.\n"));
  EXPECT_EQ(shift.err, "kwhost: cannot save the protocol to run1_min500.prt: it is a folder\n");

  const std::string longName = std::string(246, 'b') + ".prt";  // 250; the shifted name 257
  folder.write(longName, formatProtocolText(sample()));
  const testing::KwhostResult tooLong =
      testing::runKwhost(folder, {"shift", longName, "--later", "500"});
  EXPECT_EQ(tooLong.status, 1);
  EXPECT_EQ(tooLong.err, "kwhost: cannot save the protocol to " + std::string(246, 'b') +
                             "_plus500.prt: File name too long\n");

  folder.write("run2.log",
               "Scenario - run2\nLogfile written - 01/02/2024 10:00:00\n\n"
               "Trial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\n\n"
               "1\tPicture\ta\t10000\t0\t1\t5000\n");
  fs::create_directory(folder.path() / "run2.prt");
  const testing::KwhostResult import = testing::runKwhost(folder, {"import", "run2.log"});
  EXPECT_EQ(import.status, 1);
  EXPECT_EQ(import.err, "kwhost: cannot save the protocol to run2.prt: it is a folder\n");

  EXPECT_THAT(folder.entries(),
              ElementsAre(longName, "run1.prt", "run1_min500.prt", "run2.log", "run2.prt"));
  EXPECT_EQ(folder.read("run1.prt"), formatProtocolText(sample()));
  EXPECT_TRUE(fs::is_empty(folder.path() / "run1_min500.prt"));
  EXPECT_TRUE(fs::is_empty(folder.path() / "run2.prt"));
}
#endif

}  // namespace
}  // namespace stimforge::kwhost
