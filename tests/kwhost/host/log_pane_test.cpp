#include "kwhost/host/log_pane.h"

#include <gtest/gtest.h>

#include <sstream>

namespace stimforge::kwhost {
namespace {

TEST(LogPane, RendersOnScreenAndKeepsTheRawTextsOneCallPerLine) {
  std::ostringstream screen;
  std::ostringstream raw;
  LogPane log(screen, &raw);
  log.logText("\nstimforge> Started...");
  log.logText("Condition name: Faces\nNumber of intervals: 3");
  log.logText("<i>C:\\exp\\run1.prt</i>\t<P>done");
  log.logText(nullptr);
  log.logText("Finished.\n");
  log.flush();
  EXPECT_EQ(screen.str(),
            "\n"
            "stimforge> Started...\n"
            "Condition name: Faces\n"
            "Number of intervals: 3\n"
            "C:\\exp\\run1.prt\t\n\ndone\n"
            "\n"
            "Finished.\n\n");
  EXPECT_EQ(raw.str(),
            "\\nstimforge> Started...\n"
            "Condition name: Faces\\nNumber of intervals: 3\n"
            "<i>C:\\\\exp\\\\run1.prt</i>\\t<P>done\n"
            "\n"
            "Finished.\\n\n");
}

}  // namespace
}  // namespace stimforge::kwhost
