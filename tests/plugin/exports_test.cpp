#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "plugin/plugin_interface.h"

namespace {

TEST(Exports, TextsAreExact) {
  EXPECT_STREQ(getPluginName(), "stimforge (v0.9.1)");
  EXPECT_STREQ(getPluginVersion(), "v0.9.1");
  EXPECT_STREQ(getPluginDescription(),
               "~~~ stimforge (v0.9) ~~~<BR>Generates a Halden Stimulation Protocol file (*.prt) "
               "in milliseconds from a Presentation Log file (*.log).<BR>Each Picture, Sound, "
               "Video or Response event will result in a new condition.<BR>It is also possible "
               "to shift the offset of all intervals by a certain amount (in milliseconds).<BR>"
               "Other functions are sorting the conditions of an existing protocol.<BR>Version: "
               "0.9.1");
  const std::string author = getAuthor();
  EXPECT_EQ(author.rfind("<i>", 0), 0u);
  EXPECT_EQ(author.substr(author.size() - 4), "</i>");
  ASSERT_NE(getHelpFile(), nullptr);
  ASSERT_NE(getGUIScript(), nullptr);
  EXPECT_STREQ(getHelpFile(), "");
  EXPECT_STREQ(getGUIScript(), "");
}

TEST(Exports, CreatePluginGivesAStimForgeOwnedByTheCaller) {
  std::unique_ptr<HDKWPluginInterface> plugin(createPlugin());
  ASSERT_NE(plugin, nullptr);
  EXPECT_NE(dynamic_cast<StimForge*>(plugin.get()), nullptr);
}

}  // namespace
