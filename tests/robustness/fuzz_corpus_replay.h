// Runs every file of a committed fuzz corpus (fuzz/corpus/<name>) through its fuzz target.
#ifndef STIMFORGE_TESTS_ROBUSTNESS_FUZZ_CORPUS_REPLAY_H_
#define STIMFORGE_TESTS_ROBUSTNESS_FUZZ_CORPUS_REPLAY_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace stimforge::testing {

using FuzzTarget = int (*)(const uint8_t*, size_t);

// Returns how many inputs there were. A target aborts on a failed property, so a failure
// ends the test program, with the property named on stderr.
inline size_t replayCorpus(const char* name, FuzzTarget target) {
  const std::filesystem::path folder = std::filesystem::path(SF_FUZZ_CORPUS_DIR) / name;
  size_t count = 0;
  for (const std::filesystem::directory_entry& entry :
       std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file())
      continue;
    std::ifstream file(entry.path(), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    SCOPED_TRACE(entry.path().string());
    target(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ++count;
  }
  return count;
}

}  // namespace stimforge::testing

#endif  // STIMFORGE_TESTS_ROBUSTNESS_FUZZ_CORPUS_REPLAY_H_
