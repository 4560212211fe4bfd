// Imports through kwhost of logs whose columns are not where Presentation's own header puts
// them: stimulus-property columns between Code and Time, and a copy with an empty line after
// every line. The intervals were worked out by hand from the samples.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kwhost_e2e_support.h"
#include "kwhost_runner.h"
#include "temp_folder.h"

namespace stimforge::kwhost {
namespace {

using testing::readBack;
using testing::runKwhost;
using testing::TempFolder;

// "name: start-end start-end" per condition, in protocol order.
std::vector<std::string> intervalsOf(const Protocol& protocol) {
  std::vector<std::string> result;
  for (const Condition& c : protocol.conditions) {
    std::string line = c.name + ":";
    for (size_t i = 0; i < c.starts.size(); ++i)
      line += " " + std::to_string(c.starts[i]) + "-" + std::to_string(c.ends[i]);
    result.push_back(line);
  }
  return result;
}

TEST(KwhostColumnPlaces, IntervalsComeFromTheNamedTimeAndDurationColumns) {
  const struct {
    const char* sample;
    const char* duration;
    std::vector<std::string> intervals;
  } cases[] = {
      // Time 20000 35000 50000 70000; the property columns hold 1, c1, flower.
      {"stimulus_properties",
       "next",
       {"flower: 2000-3498 7000-10000", "1: 3500-4998", "fixation: 5000-6998"}},
      {"stimulus_properties",
       "column",
       {"flower: 2000-5000 7000-10000", "1: 3500-3500", "fixation: 5000-7000"}},
      {"double_spaced", "next", {"face: 1000-3998 7000-9000", "house: 4000-4498", "1: 4500-6998"}},
      {"double_spaced",
       "column",
       {"face: 1000-3000 7000-9000", "house: 4000-6000", "1: 4500-4500"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.sample) + " --duration " + c.duration);
    TempFolder folder;
    const std::string log = testing::copySample(folder, std::string(c.sample) + ".log");
    const testing::KwhostResult r =
        runKwhost(folder, {"import", log, "--subject-column", "--duration", c.duration});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, ::testing::Not(::testing::HasSubstr("Warning")));
    EXPECT_EQ(intervalsOf(readBack(folder, std::string(c.sample) + ".prt")), c.intervals);
  }
}

// The column names of the copy stand on its fifth line: the warning reads them there.
TEST(KwhostColumnPlaces, DoubleSpacedLogWarnsOfTheWrongLayoutOnly) {
  TempFolder folder;
  const std::string log = testing::copySample(folder, "double_spaced.log");
  const testing::KwhostResult r = runKwhost(folder, {"import", log, "--layout", "no-subject"});
  EXPECT_THAT(r.out, ::testing::HasSubstr("Warning: the log's columns begin with Subject, but "
                                          "the layout without Subject was chosen."));
}

}  // namespace
}  // namespace stimforge::kwhost
