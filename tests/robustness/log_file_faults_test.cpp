// Log files that fail the import in every way the disk and the file's text can: memory
// running out while reading, a folder, a file that cannot be read or that vanishes, a file
// that grows or shrinks between the reader's two passes, NUL bytes and 8-bit text. Each
// ends with a message in the host's log, and a log that cannot be read leaves the host's
// protocol as it was, with nothing saved.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "failing_allocator.h"
#include "logformat/log_source.h"
#include "logimport/log_test_support.h"
#include "plugin/menu.h"
#include "plugin/plugin_shell.h"
#include "support/fake_host.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace stimforge {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeHost;
using testing::logHeader;
using Lines = std::vector<std::string>;

const char kStart[] = "\nstimforge> Started...";
const char kRead[] = "Read Presentation log file...";
const char kReadError[] = "Error while reading Presentation file";
const char kCancelled[] = "Cancelled further operations.";
const char kFinished[] = "Finished.\n";
const char kTwoEvents[] = "1\tPicture\ta\t10000\t0\t1\t5000\n2\tPicture\tb\t20000\t0\t1\t5000\n";

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    static int made = 0;
    path_ =
        fs::temp_directory_path() /
        ("stimforge-faults-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + std::to_string(++made) + "-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::permissions(file("run1.log"), fs::perms::owner_all, ignored);
    fs::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// A host with a protocol of its own, asked to import `path`: layout 1, all four event
// types, TR 2000, durations up to the next event.
void importDialogue(FakeHost& host, const std::string& path) {
  host.protocol.fileName = "C:\\exp\\before.prt";
  host.protocol.conditions.push_back({"before", 7, {10}, {20}});
  host.integerAnswers = {1, 1, 2000, 1};
  host.fileAnswers = {path};
  host.yesNoAnswers = {0};
}

// A log that could not be read: the four lines of the failure, and the host as it was.
void expectRefusedUnchanged(const FakeHost& host) {
  EXPECT_THAT(host.log, ElementsAre(kStart, kRead, kReadError, kCancelled, kFinished));
  EXPECT_THAT(host.conditionNames(), ElementsAre("before"));
  EXPECT_EQ(host.protocol.conditions[0].starts, std::vector<int32_t>{10});
  EXPECT_TRUE(host.saves.empty());
  EXPECT_THAT(host.calls, ::testing::Not(::testing::Contains("kwClearProtocol()")));
  EXPECT_THAT(host.misuse, ::testing::IsEmpty());
}

// A file on disk that a step of the test rewrites when the reader rewinds it for its
// second pass.
class ChangingFile : public LogSource {
 public:
  ChangingFile(std::string path, std::string secondText)
      : path_(std::move(path)), secondText_(std::move(secondText)), file_(openLogFile(path_)) {}
  bool rewind() override {
    if (++rewinds_ == 2)
      writeFile(path_, secondText_);
    return file_->rewind();
  }
  bool read(char* buffer, size_t capacity, size_t& count) override {
    return file_->read(buffer, capacity, count);
  }

 private:
  std::string path_;
  std::string secondText_;
  std::unique_ptr<LogSource> file_;
  int rewinds_ = 0;
};

// Imports `first` from disk, the file rewritten to `second` between the passes.
void importChangingFile(FakeHost& host, const TempFolder& folder, const std::string& first,
                        const std::string& second) {
  const std::string path = folder.file("run1.log");
  writeFile(path, first);
  importDialogue(host, path);
  EXPECT_TRUE(runMenu(
      [second](const std::string& p) { return std::make_unique<ChangingFile>(p, second); }));
}

// The lines of the build that follow the reader's, for a log at `path` whose protocol
// gets these interval lines.
Lines buildLines(const std::string& path, const Lines& intervals) {
  const std::string stem = path.substr(0, path.size() - 4);
  Lines lines = {"Converting to Halden stimulation protocol...", "Creating new protocol...",
                 "Creating protocol name:\n\n\t" + stem + "_MSEC.prt\n",
                 "Creating and preparing conditions and intervals lists...",
                 "Searching condition names..."};
  lines.insert(lines.end(), intervals.begin(), intervals.end());
  lines.insert(lines.end(), {"Setting colors and pen thickness...",
                             "Protocol generated from Presentation Log file.",
                             "Plugin operations finished successfully.", kFinished});
  return lines;
}

Lines concat(Lines lines, const Lines& more) {
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

TEST(LogFileFaults, OutOfMemoryWhileReadingIsReportedAndChangesNothing) {
  const std::string text = logHeader(false) + kTwoEvents + "3\tSound\tc\t30000\t0\t1\t\n";
  size_t inReader = 0;
  for (const auto mode : {testing::FailureMode::kFromThenOn, testing::FailureMode::kOnlyThat})
    for (size_t at = 0;; ++at) {
      ASSERT_LT(at, 100000u);
      FakeHost host;
      testing::MemoryLogFiles files({{"C:\\exp\\run1.log", text}});
      importDialogue(host, "C:\\exp\\run1.log");
      const LogOpener openLog = files.opener();
      bool failed = false;
      {
        testing::HostCallsAllocateFreely hostAllocates;
        testing::armAllocationFailure(at, mode);
        guardedRunMenu(openLog);
        failed = testing::disarmAllocationFailure();
      }
      if (!failed) {
        EXPECT_EQ(host.saves.size(), 1u);  // every allocation has had its turn
        break;
      }
      SCOPED_TRACE("allocation " + std::to_string(at) + " failed");
      EXPECT_THAT(host.misuse, ::testing::IsEmpty());
      const bool reading =
          std::find(host.log.begin(), host.log.end(), kRead) != host.log.end() &&
          std::find(host.log.begin(), host.log.end(),
                    "Converting to Halden stimulation protocol...") == host.log.end();
      if (reading) {
        ++inReader;
        ASSERT_GE(host.log.size(), 3u);
        EXPECT_THAT(Lines(host.log.end() - 3, host.log.end()),
                    ElementsAre(kReadError, kCancelled, kFinished));
      }
      // Whenever memory runs out, the host keeps its protocol: nothing was cleared or saved.
      EXPECT_THAT(host.conditionNames(), ElementsAre("before"));
      EXPECT_TRUE(host.saves.empty());
    }
  EXPECT_GT(inReader, 0u);
}

TEST(LogFileFaults, FolderChosenAsTheLogIsReportedAndChangesNothing) {
  TempFolder folder;
  const std::string path = folder.file("folder.log");
  fs::create_directory(path);
  FakeHost host;
  importDialogue(host, path);
  EXPECT_TRUE(runMenu());
  expectRefusedUnchanged(host);
}

TEST(LogFileFaults, FileThatCannotBeReadIsReportedAndChangesNothing) {
#ifdef __linux__
  {
    // Opens, but every read fails (the process's memory at address 0).
    FakeHost host;
    importDialogue(host, "/proc/self/mem");
    EXPECT_TRUE(runMenu());
    expectRefusedUnchanged(host);
  }
#endif
#ifndef _WIN32
  if (geteuid() != 0) {  // permissions do not stop the superuser
    TempFolder folder;
    const std::string path = folder.file("run1.log");
    writeFile(path, logHeader(false) + kTwoEvents);
    fs::permissions(path, fs::perms::none);
    FakeHost host;
    importDialogue(host, path);
    EXPECT_TRUE(runMenu());
    expectRefusedUnchanged(host);
  }
#endif
}

TEST(LogFileFaults, FileThatVanishesBeforeItIsOpenedIsReportedAndChangesNothing) {
  TempFolder folder;
  const std::string path = folder.file("run1.log");
  writeFile(path, logHeader(false) + kTwoEvents);
  FakeHost host;
  importDialogue(host, path);
  // Deleted after the user chose it, before the plug-in opens it.
  EXPECT_TRUE(runMenu([](const std::string& p) {
    fs::remove(p);
    return openLogFile(p);
  }));
  expectRefusedUnchanged(host);
}

TEST(LogFileFaults, FileThatGrowsBetweenThePassesFillsOnlyItsTable) {
  TempFolder folder;
  FakeHost host;
  importChangingFile(host, folder, logHeader(false) + kTwoEvents,
                     logHeader(false) + "1\tPicture\tx\t10000\t0\t1\t5000\n" +
                         "2\tPicture\ty\t20000\t0\t1\t5000\n3\tPicture\tz\t30000\t0\t1\t5000\n");
  const std::string path = folder.file("run1.log");
  EXPECT_THAT(host.log,
              ElementsAreArray(concat(
                  {kStart, kRead, "Trial: 1 EventType: Picture Code: a",
                   "Trial: 2 EventType: Picture Code: b",
                   "Number of trials: 2, Picture/Sound/Video/Response events: 2",
                   "Number of lines in first part of file: 7",
                   "Trial: 1, code: x, duration:             500",
                   "Trial: 2, code: y, duration:             500"},
                  buildLines(path, {"Added interval: 1000 - 1998, for condition: x",
                                    "Last interval(s), computation based on Duration in protocol.",
                                    "Added interval: 2000 - 2500, for condition: y"}))));
  EXPECT_THAT(host.conditionNames(), ElementsAre("x", "y"));
  EXPECT_THAT(host.misuse, ::testing::IsEmpty());
}

TEST(LogFileFaults, FileThatShrinksBetweenThePassesBuildsFromTheEventsStored) {
  {
    TempFolder folder;
    FakeHost host;
    importChangingFile(host, folder, logHeader(false) + kTwoEvents,
                       logHeader(false) + "1\tPicture\tx\t10000\t0\t1\t5000\n");
    const std::string path = folder.file("run1.log");
    EXPECT_THAT(
        host.log,
        ElementsAreArray(
            concat({kStart, kRead, "Trial: 1 EventType: Picture Code: a",
                    "Trial: 2 EventType: Picture Code: b",
                    "Number of trials: 2, Picture/Sound/Video/Response events: 2",
                    "Number of lines in first part of file: 7",
                    "Trial: 1, code: x, duration:             500"},
                   buildLines(path, {"Last interval(s), computation based on Duration in protocol.",
                                     "Added interval: 1000 - 1500, for condition: x"}))));
    EXPECT_THAT(host.conditionNames(), ElementsAre("x"));
    EXPECT_THAT(host.misuse, ::testing::IsEmpty());
  }
  {
    // Emptied: a protocol without conditions, saved as the log's protocol.
    TempFolder folder;
    FakeHost host;
    importChangingFile(host, folder, logHeader(false) + kTwoEvents, "");
    const std::string path = folder.file("run1.log");
    EXPECT_THAT(host.log, ElementsAreArray(
                              concat({kStart, kRead, "Trial: 1 EventType: Picture Code: a",
                                      "Trial: 2 EventType: Picture Code: b",
                                      "Number of trials: 2, Picture/Sound/Video/Response events: 2",
                                      "Number of lines in first part of file: 7"},
                                     buildLines(path, {}))));
    EXPECT_TRUE(host.conditionNames().empty());
    ASSERT_EQ(host.saves.size(), 1u);
  }
}

// Codes that differed only after a NUL byte became two conditions of the same name (the
// host reads names up to their NUL), and their log lines lost everything after it.
TEST(LogFileFaults, RegressionNulByteSplitACodeIntoConditionsOfOneName) {
  using namespace std::string_literals;
  // Two codes that differ after a NUL, and one that is nothing before it (no event).
  const std::string text = logHeader(false) + "1\tPicture\tA\0x\t10000\t0\t1\t5000\n"s +
                           "2\tPicture\tA\0y\t20000\t0\t1\t5000\n"s +
                           "3\tPicture\t\0z\t30000\t0\t1\t5000\n"s;
  FakeHost host;
  testing::MemoryLogFiles files({{"C:\\exp\\run1.log", text}});
  importDialogue(host, "C:\\exp\\run1.log");
  EXPECT_TRUE(runMenu(files.opener()));
  EXPECT_THAT(host.log,
              ElementsAreArray(
                  concat({kStart, kRead, "Trial: 1 EventType: Picture Code: A",
                          "Trial: 2 EventType: Picture Code: A",
                          "Number of trials: 2, Picture/Sound/Video/Response events: 2",
                          "Number of lines in first part of file: 8",
                          "Trial: 1, code: A, duration:             500",
                          "Trial: 2, code: A, duration:             500"},
                         buildLines("C:\\exp\\run1.log",
                                    {"Added interval: 1000 - 1998, for condition: A",
                                     "Last interval(s), computation based on Duration in protocol.",
                                     "Added interval: 2000 - 2500, for condition: A"}))));
  EXPECT_THAT(host.conditionNames(), ElementsAre("A"));
  EXPECT_THAT(host.misuse, ::testing::IsEmpty());
}

TEST(LogFileFaults, EightBitAndInvalidTextIsCarriedAsItStands) {
  // Latin-1 letters, a byte 0xFF, and bytes that are not valid UTF-8.
  const std::string codes[] = {"\xe9t\xe9", "\xff", "\xc3\x28\xa0"};
  std::string text = logHeader(false);
  for (int i = 0; i < 3; ++i)
    text += std::to_string(i + 1) + "\tPicture\t" + codes[i] + "\t" +
            std::to_string(10000 * (i + 1)) + "\t0\t1\t5000\n";
  FakeHost host;
  testing::MemoryLogFiles files({{"C:\\exp\\r\xfcn.log", text}});
  importDialogue(host, "C:\\exp\\r\xfcn.log");
  EXPECT_TRUE(runMenu(files.opener()));
  EXPECT_THAT(host.conditionNames(), ElementsAre(codes[0], codes[1], codes[2]));
  ASSERT_EQ(host.saves.size(), 1u);
  EXPECT_EQ(host.saves[0].first, "C:\\exp\\r\xfcn.prt");
  EXPECT_EQ(host.protocol.title, "r\xfcn");
  EXPECT_EQ(host.log.at(host.log.size() - 2), "Plugin operations finished successfully.");
}

}  // namespace
}  // namespace stimforge
