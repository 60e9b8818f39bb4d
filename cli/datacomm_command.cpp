// Placeholder until the data-communication commands arrive.
#include <cstdio>

#include "cli/cli.h"

int RunDatacomm(const Args&, const CliOptions&) {
  std::fputs("quorvel-cli: datacomm: not available yet\n", stderr);
  return kExitUsage;
}

int RunClock(const Args&, const CliOptions&) {
  std::fputs("quorvel-cli: clock: not available yet\n", stderr);
  return kExitUsage;
}
