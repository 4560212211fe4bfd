#include "kwhost/cli/app.h"

#include <iostream>

#include "kwhost/host/process_info.h"

namespace stimforge::kwhost {

int runInvocation(const Invocation& invocation, std::istream& keyboard, bool keyboardIsTerminal,
                  std::ostream& out, std::ostream& err) {
  const CommandContext context{invocation.host, keyboard, keyboardIsTerminal, out, err};
  return invocation.runner->run(context);
}

int runKwhost(int argc, const char* const* argv) {
  Invocation invocation;
  int status = parseCommandLine(argc, argv, invocation, std::cout, std::cerr);
  if (status < 0)
    status = runInvocation(invocation, std::cin, standardInputIsTerminal(), std::cout, std::cerr);
  std::cout.flush();
  return status;
}

}  // namespace stimforge::kwhost
