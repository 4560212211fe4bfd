// The host's log pane: every kwLogText call becomes one line on the screen, with the host's
// mark-up rendered, and, when a raw log is kept, one escaped line there. Output is
// buffered, not flushed per line (an import may log a million events); flush() ends it.
#ifndef STIMFORGE_STANDIN_LOG_PANE_H_
#define STIMFORGE_STANDIN_LOG_PANE_H_

#include <iosfwd>
#include <string>

namespace stimforge::standin {

class LogPane {
 public:
  // `screen` receives the rendered lines; `raw`, when not null, the texts as they were,
  // one call per line with "\\", "\n" and "\t" escaped. Both must outlive the pane.
  LogPane(std::ostream& screen, std::ostream* raw);

  // One kwLogText call. A null text is logged as an empty one.
  void logText(const char* text);

  void flush();

 private:
  std::ostream& screen_;
  std::ostream* raw_;
  std::string line_;  // reused, so that logging allocates nothing once it has grown
};

}  // namespace stimforge::standin

#endif  // STIMFORGE_STANDIN_LOG_PANE_H_
