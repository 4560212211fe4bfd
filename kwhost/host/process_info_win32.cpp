// The stand-in host's own process on Windows.
#include <windows.h>

#include <io.h>

#include <cstdio>

#include "kwhost/host/process_info.h"

namespace stimforge::kwhost {

std::string executableFolder() {
  char buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer)
    return std::string();
  std::string path(buffer, n);
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool standardInputIsTerminal() {
  return _isatty(_fileno(stdin)) != 0;
}

bool standardErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

}  // namespace stimforge::kwhost
