// Runs a program as a child process (looked up on PATH unless the name has a slash;
// the environment inherited) and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace quorvel_test {

struct ProgramResult {
  int exitCode = -1;  // -1 when it could not be started or did not exit normally
  std::string out;
  std::string err;
};

ProgramResult RunProgram(const std::vector<std::string>& argv);

}  // namespace quorvel_test
