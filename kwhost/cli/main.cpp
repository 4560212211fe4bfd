// kwhost: the stand-in host of the stimforge plug-in.
#include <exception>
#include <iostream>

#include "kwhost/cli/app.h"

int main(int argc, char** argv) {
  // The log pane may receive a million lines: let the standard streams buffer freely.
  std::ios::sync_with_stdio(false);
  try {
    return stimforge::kwhost::runKwhost(argc, argv);
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "kwhost: internal error: " << e.what() << '\n';
  } catch (...) {
    std::cout.flush();
    std::cerr << "kwhost: internal error\n";
  }
  return 1;
}
