// Helpers for the end-to-end kwhost tests: the real Presentation logs, the raw log kwhost
// writes with --log, and protocol files read back with the stand-in host's own reader.
#ifndef STIMFORGE_TESTS_STANDIN_KWHOST_E2E_SUPPORT_H_
#define STIMFORGE_TESTS_STANDIN_KWHOST_E2E_SUPPORT_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kwhost/host/protocol_store.h"
#include "kwhost/protocol/file_io.h"
#include "support/real_logs.h"
#include "temp_folder.h"

namespace stimforge::kwhost::testing {

using ::stimforge::testing::realLogsFolder;
using ::stimforge::testing::realLogsPresent;

// Copies the real log `stem`.log into `folder` (the import saves beside its log) and returns
// its name there.
inline std::string copyRealLog(const TempFolder& folder, const std::string& stem) {
  const std::string name = stem + ".log";
  std::filesystem::copy_file(realLogsFolder() + "/" + name, folder.path() / name);
  return name;
}

// The lines of a raw log or transcript file (texts escaped by kwhost, one per line).
inline std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos)
      end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

// The protocol file `name` in `folder`, read back; an empty protocol (and a failure) when it
// cannot be read.
inline Protocol readBack(const TempFolder& folder, const std::string& name) {
  Protocol protocol;
  std::string error;
  EXPECT_TRUE(readProtocolFile(folder.file(name), protocol, error)) << error;
  return protocol;
}

}  // namespace stimforge::kwhost::testing

#endif  // STIMFORGE_TESTS_STANDIN_KWHOST_E2E_SUPPORT_H_
