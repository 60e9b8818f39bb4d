// quorvel-cli: one command per run on the same core the windows use.
//
// main.cpp starts as the program does (LoadPortSettings, DetectAdapter, SavePortSettings)
// for the commands that talk to the adapter, then runs the command from its table.
// Exit status: 0 done, 1 the adapter or the port failed, 2 bad usage or a bad value
// (refused before anything is sent). Boxes the windows would show go to stderr.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct CliOptions {
  bool json = false;
};

using Args = std::vector<std::string>;  // the command's own arguments, after its name
using Fields = std::vector<std::pair<std::string, std::string>>;  // field name -> value

// "name=value" lines, or one JSON object with --json (numbers unquoted).
void PrintFields(std::ostream& out, const Fields& fields, const CliOptions& options);
// Splits "field=value" at the first '='; false when there is no '=' or no field name.
bool SplitAssignment(const std::string& text, std::string& field, std::string& value);
// A whole decimal 32-bit number, nothing before or after it; nothing otherwise.
std::optional<std::int32_t> ParseWholeNumber(std::string_view text);

// Starts as the program does: loads the remembered port and speed, runs the detection,
// stores its result. False (the "not found" warning shown) when no adapter answered.
bool StartAsProgram();
// Makes the boxes the windows would show go to stderr, their text word for word.
void InstallStderrNotifier();
// Prints "quorvel-cli: <text>" to stderr and returns kExitUsage.
int UsageError(const std::string& text);

// Checked before the adapter is touched: "reset" needs "--yes".
int CheckResetArgs(const Args& args);
// "datacomm": field names, numbers and ranges, so a bad value is refused before detection.
int CheckDatacommArgs(const Args& args);
// "phone": subcommand, port, field names and values, checked before detection.
int CheckPhoneArgs(const Args& args);

// Commands living in their own files.
int RunDetect(const Args& args, const CliOptions& options);
int RunPort(const Args& args, const CliOptions& options);
int RunSpeed(const Args& args, const CliOptions& options);
int RunReset(const Args& args, const CliOptions& options);
int RunDatacomm(const Args& args, const CliOptions& options);  // show | set field=value...
int RunClock(const Args& args, const CliOptions& options);
int RunPhone(const Args& args, const CliOptions& options);     // show 1|2 | set 1|2 field=value...
