#include "kwhost/bids/bids_entities.h"

#include <gtest/gtest.h>

namespace stimforge::kwhost {
namespace {

struct NameCase {
  const char* name;
  const char* problem;  // "" = a valid functional run
};

TEST(BidsEntities, FunctionalRunNames) {
  const std::string order =
      "; expected the entities sub, ses, task, acq, ce, rec, dir, run, echo, part in that "
      "order, each at most once, sub and task required";
  const NameCase cases[] = {
      {"sub-01_task-x", ""},
      {"sub-01_ses-1_task-x_acq-fast_ce-g_rec-n_dir-AP_run-1_echo-2_part-mag", ""},
      {"sub-01_task-x_acq-fast_run-1", ""},
      {"sub-01_task-x_run-1_acq-fast", "\"acq-fast\" is out of order"},
      {"sub-01_task-x_run-1_run-2", "\"run-2\" is out of order"},
      {"task-x_sub-01", "the sub- entity is missing or out of place"},
      {"sub-01_run-1", "the task- entity is missing or out of place"},
      {"sub-01_task-x_foo-1", "\"foo-1\" is no entity of a functional run"},
      {"sub-01_task-x_bold", "\"bold\" is no entity of a functional run"},
      {"", "\"\" is no entity of a functional run"},
  };
  for (const NameCase& c : cases) {
    std::string problem;
    EXPECT_EQ(checkFunctionalRunName(c.name, problem), *c.problem == '\0') << c.name;
    EXPECT_EQ(problem, *c.problem == '\0' ? std::string() : c.problem + order) << c.name;
  }
  const NameCase values[] = {
      {"sub-0_1_task-x", "\"1\" is no entity of a functional run"},
      {"sub-01_task-x_run-1a", "run- must be followed by an index of digits"},
      {"sub-01_task-x_echo-", "echo- must be followed by an index of digits"},
      {"sub-01_task-x_part-phasE", "part- must be followed by mag, phase, real or imag"},
      {"sub-01_task-x.y", "task- must be followed by a label of letters and digits"},
  };
  for (const NameCase& c : values) {
    std::string problem;
    EXPECT_FALSE(checkFunctionalRunName(c.name, problem)) << c.name;
    EXPECT_EQ(problem.substr(0, problem.find(';')), c.problem) << c.name;
  }
}

TEST(BidsEntities, SplitsFileNames) {
  BidsFileName name;
  ASSERT_TRUE(splitBidsFileName("sub-01_ses-pre_task-nback_run-01_bold.nii.gz", name));
  ASSERT_EQ(name.entities.size(), 4u);
  EXPECT_EQ(name.entities[1].key, "ses");
  EXPECT_EQ(*name.value("run"), "01");
  EXPECT_EQ(name.value("acq"), nullptr);
  EXPECT_EQ(name.suffix, "bold");
  EXPECT_EQ(name.extension, ".nii.gz");
  ASSERT_TRUE(splitBidsFileName("task-nback_bold.json", name));
  EXPECT_EQ(name.entities.size(), 1u);
  ASSERT_TRUE(splitBidsFileName("bold.json", name));
  EXPECT_TRUE(name.entities.empty());
  for (const char* bad : {"sub-01_sub-02_bold.json", "sub01_bold.json", "sub-_bold.json",
                          "sub-01_.json", "sub-0.1_bold.json", "sub-01_task-x_"}) {
    EXPECT_FALSE(splitBidsFileName(bad, name)) << bad;
  }
}

TEST(BidsEntities, IndicesCompareAsNumbers) {
  EXPECT_TRUE(sameEntityValue("run", "1", "01"));
  EXPECT_TRUE(sameEntityValue("echo", "000", "0"));
  EXPECT_TRUE(sameEntityValue("run", "0000000000000000000000012", "12"));
  EXPECT_FALSE(sameEntityValue("run", "1", "10"));
  EXPECT_FALSE(sameEntityValue("sub", "1", "01"));  // labels are text
  EXPECT_TRUE(sameEntityValue("sub", "01", "01"));
}

}  // namespace
}  // namespace stimforge::kwhost
