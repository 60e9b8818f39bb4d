// The command lines that write one telephone port's settings and store them: 41 lines,
// 20 single settings, 20 list entries and "ATW\r", each with its wait and the message a
// time-out shows. Built from one table in phone_commands.cpp.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "phone/core/phone_port_settings.h"

inline constexpr std::size_t kPortCommandCount = 41;
// A command line with its terminating NUL fits this many bytes ...
inline constexpr std::size_t kCommandLineSize = 100;
// ... and a list entry is copied into a buffer of this many bytes before it is formatted.
inline constexpr std::size_t kListEntrySize = 52;

struct PortCommand {
  std::string line;                 // exact bytes to send (no NUL)
  std::chrono::milliseconds wait;   // for the adapter's acknowledgement
  std::string_view timeoutMessage;  // shown when no acknowledgement came
  std::string field;                // the record field sent, e.g. "speedDial[3]"
  std::string value;                // its text before formatting ("" for numbers and "ATW")
};

// The lines for `letter` from `record` and the common `pcmLaw`, in sending order.
std::vector<PortCommand> BuildPortCommands(const PhonePortSettings& record, char letter,
                                           std::int32_t pcmLaw);

// The first command that cannot be sent as it stands: a line over the command-line
// limit, a list entry over its copy limit, or a value holding other than printable
// ASCII (a CR or LF in a value would split the command). Nothing when all can be sent.
std::optional<PortCommand> FindUnsendableCommand(const std::vector<PortCommand>& commands);

// Message shown when a write is refused for that command; nothing is sent then.
std::string UnsendableMessage(const PortCommand& command);
