// Placeholder until the telephone-port commands arrive.
#include <cstdio>

#include "cli/cli.h"

int RunPhone(const Args&, const CliOptions&) {
  std::fputs("quorvel-cli: phone: not available yet\n", stderr);
  return kExitUsage;
}
