#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/host_api.h"

namespace stimforge {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

void versionEntry(int* major, int* minor, int* sub) {
  *major = *minor = *sub = 7;
}
void someEntry() {}

// A module lookup that knows some module names and the symbols each exports, and records
// every look-up.
class FakeLookup : public HostLookup {
 public:
  std::map<std::string, std::set<std::string>> modules;
  std::vector<std::string> moduleLookups;
  std::vector<std::string> symbolLookups;

  void* findModule(const char* fileName) override {
    moduleLookups.push_back(fileName);
    auto it = modules.find(fileName);
    return it == modules.end() ? nullptr : &it->second;
  }
  HostSymbol findSymbol(void* module, const char* name) override {
    symbolLookups.push_back(name);
    const auto& exported = *static_cast<std::set<std::string>*>(module);
    if (!exported.count(name))
      return nullptr;
    if (std::strcmp(name, "kwGetVersionOfHaldenKW") == 0) {
      return reinterpret_cast<HostSymbol>(&versionEntry);
    }
    return &someEntry;
  }
};

std::set<std::string> allNames() {
  return std::set<std::string>(std::begin(kHostApiNames), std::end(kHostApiNames));
}

class HostBinding : public ::testing::Test {
 protected:
  void TearDown() override { setHostApi(HostApi{}); }
  FakeLookup lookup;
};

TEST_F(HostBinding, TableListsTheHostsNamesInOrder) {
  EXPECT_EQ(allNames().size(), kHostApiEntryCount) << "names are distinct";
  EXPECT_STREQ(kHostApiNames[0], "kwGetVersionOfHaldenKW");
  EXPECT_STREQ(kHostApiNames[5], "kwLogText");
  EXPECT_STREQ(kHostApiNames[69], "kwGetCurrentVMR");
  EXPECT_STREQ(kHostApiNames[149], "kwClearProtocol");
  EXPECT_STREQ(kHostApiNames[156], "kwAddProtocolConditionInterval");
  EXPECT_STREQ(kHostApiNames[189], "kwLaunchICADialog");
  EXPECT_EQ(sizeof(HostApi), kHostApiEntryCount * sizeof(void*));
}

TEST_F(HostBinding, PrefersHaldenExeAndFetchesEveryNameInTableOrder) {
  lookup.modules["Halden.exe"] = allNames();
  lookup.modules["HaldenKW.exe"] = {};
  ASSERT_TRUE(bindHostThrough(lookup));
  EXPECT_THAT(lookup.moduleLookups, ElementsAre("Halden.exe"));
  EXPECT_EQ(lookup.symbolLookups,
            std::vector<std::string>(std::begin(kHostApiNames), std::end(kHostApiNames)));
  int major = 0, minor = 0, sub = 0;
  hostApi().kwGetVersionOfHaldenKW(&major, &minor, &sub);
  EXPECT_EQ(major, 7);
  EXPECT_NE(hostApi().kwLaunchICADialog, nullptr);
}

TEST_F(HostBinding, FallsBackToHaldenKWExe) {
  lookup.modules["HaldenKW.exe"] = {"kwGetVersionOfHaldenKW", "kwLogText"};
  ASSERT_TRUE(bindHostThrough(lookup));
  EXPECT_THAT(lookup.moduleLookups, ElementsAre("Halden.exe", "HaldenKW.exe"));
  EXPECT_EQ(lookup.symbolLookups.size(), kHostApiEntryCount);
  EXPECT_NE(hostApi().kwLogText, nullptr);
  EXPECT_EQ(hostApi().kwMessageBox, nullptr) << "a name the host lacks stays null";
}

TEST_F(HostBinding, FailsWithoutAHostModuleAndLeavesTheTableAlone) {
  lookup.modules["Other.exe"] = allNames();
  EXPECT_FALSE(bindHostThrough(lookup));
  EXPECT_THAT(lookup.symbolLookups, IsEmpty());
  EXPECT_EQ(hostApi().kwGetVersionOfHaldenKW, nullptr);
}

TEST_F(HostBinding, FailsWithoutTheVersionEntryPointAndFetchesNothingElse) {
  std::set<std::string> names = allNames();
  names.erase("kwGetVersionOfHaldenKW");
  lookup.modules["HaldenKW.exe"] = names;
  EXPECT_FALSE(bindHostThrough(lookup));
  EXPECT_THAT(lookup.symbolLookups, ElementsAre("kwGetVersionOfHaldenKW"));
  EXPECT_EQ(hostApi().kwLogText, nullptr);
}

}  // namespace
}  // namespace stimforge
