// The host's log pane: every kwLogText call becomes one line on the screen, with the host's
// mark-up rendered, and, when a raw log is kept, one escaped line there. An import may log
// millions of lines, so the pane gathers them and hands them to its streams in large
// pieces: deliver() hands over what is pending (the host does so before every dialog, so
// that the screen keeps its order), flush() also flushes the streams.
#ifndef STIMFORGE_KWHOST_HOST_LOG_PANE_H_
#define STIMFORGE_KWHOST_HOST_LOG_PANE_H_

#include <iosfwd>
#include <string>
#include <string_view>

namespace stimforge::kwhost {

class LogPane {
 public:
  // `screen` receives the rendered lines; `raw`, when not null, the texts as they were,
  // one call per line with "\\", "\n" and "\t" escaped. Both must outlive the pane.
  LogPane(std::ostream& screen, std::ostream* raw);
  // Delivers what is pending.
  ~LogPane();
  LogPane(const LogPane&) = delete;
  LogPane& operator=(const LogPane&) = delete;

  // Whether lines go to the screen (not with --quiet); the raw log gets them either way.
  void showOnScreen(bool shown) { screenShown_ = shown; }

  // One kwLogText call. A null text is logged as an empty one.
  void logText(const char* text);
  void logText(std::string_view text);

  // Writes the pending lines to the streams, without flushing them.
  void deliver();
  // Delivers and flushes the streams.
  void flush();

 private:
  // Lines waiting for one stream: a fixed buffer, filled with plain copies (the pane is on
  // the path of every log line).
  class Pending {
   public:
    explicit Pending(std::ostream& stream);
    // Adds `line` and a line break; hands the buffer to the stream when it is full.
    void add(std::string_view line);
    // Writes what is pending to the stream.
    void deliver();

   private:
    std::ostream& stream_;
    std::string buffer_;  // its whole size is room; used_ bytes of it are pending
    size_t used_ = 0;
  };

  Pending screen_;
  Pending* raw_;
  Pending rawPending_;
  std::ostream& screenStream_;
  std::ostream* rawStream_;
  std::string scratch_;  // a rendered or escaped line, reused
  bool screenShown_ = true;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_HOST_LOG_PANE_H_
