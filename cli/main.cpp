// quorvel-cli [--json] [--help] <command> [arguments]
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/cli.h"

namespace {

using Runner = int (*)(const Args&, const CliOptions&);
using ArgsCheck = int (*)(const Args&);  // kExitOk, or a usage error already reported

struct Command {
  std::string_view name;
  std::string_view synopsis;
  bool talksToAdapter;  // starts as the program does: detection first
  ArgsCheck checkArgs;  // run before the adapter is touched; null when the command checks itself
  Runner run;
};

int NoArguments(const Args& args) {
  return args.empty() ? kExitOk : UsageError("this command takes no arguments");
}

constexpr Command kCommands[] = {
    {"detect", "detect                     port, speed and AODI capability found", true,
     NoArguments, RunDetect},
    {"port", "port N                     remember COM port N (1..4)", false, nullptr, RunPort},
    {"speed", "speed S                    remember line speed S (57600, 115200, 230400)", false,
     nullptr, RunSpeed},
    {"datacomm", "datacomm show | set field=value...", true, CheckDatacommArgs, RunDatacomm},
    {"phone", "phone show 1|2 | set 1|2 field=value...", true, CheckPhoneArgs, RunPhone},
    {"clock", "clock                      set the adapter's clock from this computer's", true,
     NoArguments, RunClock},
    {"reset", "reset --yes                erase every setting of the adapter", true,
     CheckResetArgs, RunReset},
};

void PrintUsage(std::FILE* out) {
  std::fputs("usage: quorvel-cli [--json] [--help] <command> [arguments]\n\ncommands:\n", out);
  for (const Command& command : kCommands) {
    std::fprintf(out, "  %.*s\n", static_cast<int>(command.synopsis.size()),
                 command.synopsis.data());
  }
  std::fputs("\nexit status: 0 done, 1 the adapter or the port failed, 2 bad usage or value\n",
             out);
}

const Command* FindCommand(std::string_view name) {
  for (const Command& command : kCommands) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  CliOptions options;
  bool help = false;
  std::string commandName;
  Args args;
  // Global options may stand anywhere; everything else belongs to the command.
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (commandName.empty()) {
      if (arg.starts_with("-")) return UsageError("unknown option '" + std::string(arg) + "'");
      commandName = arg;
    } else {
      args.emplace_back(arg);
    }
  }

  if (help) {
    PrintUsage(stdout);
    return kExitOk;
  }
  if (commandName.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const Command* command = FindCommand(commandName);
  if (command == nullptr) return UsageError("unknown command '" + commandName + "' (see --help)");

  InstallStderrNotifier();
  if (command->checkArgs != nullptr) {
    if (const int check = command->checkArgs(args); check != kExitOk) return check;
  }
  if (command->talksToAdapter && !StartAsProgram()) return kExitFailed;
  return command->run(args, options);
}
