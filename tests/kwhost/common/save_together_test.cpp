#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kwhost/common/safe_save.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using testing::TempFolder;

FileProducer text(const std::string& content) {
  return [content](const PieceWriter& write) { return write(content); };
}

// Two files saved as one: either both new versions are in place, or both old ones, and no
// temporary file is left either way.
TEST(SaveFilesTogether, BothOrNeither) {
  const TempFolder folder;
  folder.write("a.tsv", "old a");
  ReplacePolicy policy;
  policy.what = "events file";
  std::string error;
  const FileProducer failing = [](const PieceWriter&) { return false; };
  const struct {
    std::vector<FileToSave> files;
    bool saved;
    std::vector<std::string> after;  // the folder's entries and a.tsv's content
  } cases[] = {
      {{{folder.file("a.tsv"), text("new a")}, {folder.file("a.json"), failing}},
       false,
       {"a.tsv", "old a"}},
      {{{folder.file("a.tsv"), text("new a")}, {folder.file("no/such/a.json"), text("x")}},
       false,
       {"a.tsv", "old a"}},
      {{{folder.file("a.tsv"), text("new a")}, {folder.file("a.json"), text("{}")}},
       true,
       {"a.json", "a.tsv", "new a"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(saveFilesTogether(c.files, policy, error), c.saved) << error;
    std::vector<std::string> after = folder.entries();
    after.push_back(folder.read("a.tsv"));
    EXPECT_EQ(after, c.after);
  }
  policy.isOwn = [](const std::string& firstLine) { return firstLine == "onset\tduration"; };
  EXPECT_FALSE(saveFilesTogether({{folder.file("a.tsv"), text("newer")}}, policy, error));
  EXPECT_EQ(folder.read("a.tsv"), "new a");
}

}  // namespace
}  // namespace stimforge::kwhost
