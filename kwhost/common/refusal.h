// How kwhost's libraries refuse: a kind and a message in the domain's words. Only the command
// line turns a kind into an exit status, and adds the option or study-file key the user wrote.
#ifndef STIMFORGE_KWHOST_COMMON_REFUSAL_H_
#define STIMFORGE_KWHOST_COMMON_REFUSAL_H_

#include <string>
#include <utility>

namespace stimforge::kwhost {

enum class RefusalKind {
  kNone,      // not refused
  kUsage,     // what the user asked for cannot be done (a setting that does not fit the input)
  kInput,     // an input that cannot be used (missing, unreadable, malformed, no time zero)
  kFindings,  // the input was read, and what it holds must be settled first (K unknown)
};

struct Refusal {
  RefusalKind kind = RefusalKind::kNone;
  std::string message;  // one line, naming the file where one is concerned

  static Refusal none() { return Refusal(); }
  static Refusal usage(std::string message) { return {RefusalKind::kUsage, std::move(message)}; }
  static Refusal input(std::string message) { return {RefusalKind::kInput, std::move(message)}; }
  static Refusal findings(std::string message) {
    return {RefusalKind::kFindings, std::move(message)};
  }
  bool refused() const { return kind != RefusalKind::kNone; }
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_COMMON_REFUSAL_H_
