// detect, port, speed, reset: the main window's own commands.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>

#include "app/registry/port_settings.h"
#include "app/registry/registry_key.h"
#include "cli/cli.h"
#include "link/comm_link.h"

namespace {

// The values the menu offers.
constexpr std::array<std::int32_t, 4> kMenuPorts{1, 2, 3, 4};
constexpr std::array<std::int32_t, 3> kMenuSpeeds{57600, 115200, 230400};

template <std::size_t N>
bool IsOneOf(const std::array<std::int32_t, N>& allowed, std::int32_t value) {
  return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

void PrintPortSettings(const CliOptions& options, bool withAodi) {
  Fields fields{{"port", std::to_string(currentPort)}, {"speed", std::to_string(currentSpeed)}};
  if (withAodi) fields.emplace_back("aodi", std::to_string(aodiCapable.load()));
  PrintFields(std::cout, fields, options);
}

// Sets one of the two remembered values, as the menu does: stored at once, nothing probed.
template <std::size_t N>
int SetRemembered(const Args& args, const CliOptions& options, const char* what,
                  const std::array<std::int32_t, N>& allowed, std::int32_t& target) {
  if (args.size() != 1) return UsageError(std::string(what) + " takes one value");
  const auto value = ParseWholeNumber(args[0]);
  if (!value || !IsOneOf(allowed, *value)) {
    std::string choices;
    for (std::int32_t choice : allowed) choices += " " + std::to_string(choice);
    return UsageError("bad " + std::string(what) + " '" + args[0] + "' (one of" + choices + ")");
  }
  CRegistryKey key;
  LoadPortSettings(key);
  target = *value;
  SavePortSettings(key);
  PrintPortSettings(options, false);
  return kExitOk;
}

}  // namespace

int RunDetect(const Args& args, const CliOptions& options) {
  if (!args.empty()) return UsageError("detect takes no arguments");
  PrintPortSettings(options, true);
  return kExitOk;
}

int RunPort(const Args& args, const CliOptions& options) {
  return SetRemembered(args, options, "port", kMenuPorts, currentPort);
}

int RunSpeed(const Args& args, const CliOptions& options) {
  return SetRemembered(args, options, "speed", kMenuSpeeds, currentSpeed);
}

int CheckResetArgs(const Args& args) {
  if (args.size() == 1 && args[0] == "--yes") return kExitOk;
  return UsageError(
      "reset erases every setting of the adapter "
      "(ISDN MODEM의 모든 설정 내용을 지우겠습니까?); run \"reset --yes\" to do it");
}

int RunReset(const Args& args, const CliOptions&) {
  if (const int check = CheckResetArgs(args); check != kExitOk) return check;
  // As the menu's reset: written and closed at once; no reply is awaited.
  CCommLink link;
  link.SendReset();
  return kExitOk;
}
