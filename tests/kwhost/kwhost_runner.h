// Runs the built kwhost as a separate process, as a user would: in a given folder, with
// standard input from a text, and its standard output, error and exit status kept.
#ifndef STIMFORGE_TESTS_STANDIN_KWHOST_RUNNER_H_
#define STIMFORGE_TESTS_STANDIN_KWHOST_RUNNER_H_

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace stimforge::kwhost::testing {

struct KwhostResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The kwhost symlink (or, with `program`, another name of the executable) beside the
// built plug-in.
inline std::string kwhostPath(const std::string& program = "kwhost") {
  return std::string(SF_KWHOST_DIR) + "/" + program;
}

// Runs `program` with `args` in `folder`, `input` on its standard input.
inline KwhostResult runKwhost(const TempFolder& folder, const std::vector<std::string>& args,
                              const std::string& input = "",
                              const std::string& program = kwhostPath()) {
  TempFolder streams;  // kept apart, so that the work folder holds only what kwhost made
  streams.write("in", input);
  std::string command = "cd " + shellQuoted(folder.path().string()) + " && " + shellQuoted(program);
  for (const std::string& arg : args)
    command += " " + shellQuoted(arg);
  command += " <" + shellQuoted(streams.file("in")) + " >" + shellQuoted(streams.file("out")) +
             " 2>" + shellQuoted(streams.file("err"));
  const int raw = std::system(command.c_str());
  KwhostResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = streams.read("out");
  result.err = streams.read("err");
  return result;
}

// Copies the sample `name` into `folder` and returns its name there.
inline std::string copySample(const TempFolder& folder, const std::string& name) {
  std::filesystem::copy_file(std::string(SF_SAMPLES_DIR) + "/" + name, folder.path() / name);
  return name;
}

}  // namespace stimforge::kwhost::testing

#endif  // STIMFORGE_TESTS_STANDIN_KWHOST_RUNNER_H_
