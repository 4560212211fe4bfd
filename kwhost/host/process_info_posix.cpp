// The stand-in host's own process on POSIX systems.
#include <limits.h>
#include <unistd.h>

#include "kwhost/host/process_info.h"

namespace stimforge::kwhost {

std::string executableFolder() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0)
    return std::string();
  std::string path(buffer, static_cast<size_t>(n));
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool standardInputIsTerminal() {
  return isatty(STDIN_FILENO) == 1;
}

bool standardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

}  // namespace stimforge::kwhost
