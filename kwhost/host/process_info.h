// What the stand-in host asks of its own process: where the running program lies, and
// whether input comes from a terminal. One implementation per platform, chosen by the build
// (process_info_posix.cpp, process_info_win32.cpp).
#ifndef STIMFORGE_KWHOST_HOST_PROCESS_INFO_H_
#define STIMFORGE_KWHOST_HOST_PROCESS_INFO_H_

#include <string>

namespace stimforge::kwhost {

// The folder of the running executable (symlinks resolved), or "" when it cannot be told.
std::string executableFolder();

// Whether standard input is a terminal.
bool standardInputIsTerminal();

// Whether standard error is a terminal (progress lines are shown only there).
bool standardErrorIsTerminal();

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_HOST_PROCESS_INFO_H_
