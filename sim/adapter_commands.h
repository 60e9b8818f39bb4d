// AdapterCommands: what the adapter does with one command line and what it answers.
//
// A line is the text between line ends ("AT$HFML=1", "AT*MRNIX"). Its key is the text
// before '=' (or the whole line), upper-cased: the adapter takes commands in any case.
// Handle() changes the adapter's state and returns the reply bytes, or nothing when the
// adapter stays silent. Line speed and the fault options are the caller's business.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/settings_table.h"

namespace sim {

struct Options;

inline constexpr std::string_view kReplyOk = "\r\nOK\r\n";
inline constexpr std::string_view kReplyError = "\r\nERROR\r\n";
inline constexpr std::string_view kReplyProbe = "\r\nMRNIX ISDN TA\r\nOK\r\n";
inline constexpr std::string_view kReplyPrompt = "\r\nCOMMAND>";

std::string CommandKey(std::string_view line);

class AdapterCommands {
 public:
  std::optional<std::string> Handle(std::string_view line, const Options& options);

  SettingsStore& Settings() { return settings_; }
  const SettingsStore& Settings() const { return settings_; }
  const std::string& ClockDate() const { return clockDate_; }
  const std::string& ClockTime() const { return clockTime_; }
  int StoreCount() const { return storeCount_; }
  int ResetCount() const { return resetCount_; }

 private:
  using Handler = std::optional<std::string> (AdapterCommands::*)(std::string_view value,
                                                                  bool hasValue,
                                                                  const Options& options);
  struct Command {
    std::string_view key;
    Handler handler;
  };
  static const Command kCommands[];

  std::optional<std::string> Attention(std::string_view, bool, const Options&);
  std::optional<std::string> Probe(std::string_view, bool, const Options&);
  std::optional<std::string> QueryAodi(std::string_view, bool, const Options&);
  std::optional<std::string> ReadOut(std::string_view, bool, const Options&);
  std::optional<std::string> Store(std::string_view, bool, const Options&);
  std::optional<std::string> FactoryReset(std::string_view, bool, const Options&);
  std::optional<std::string> SetDate(std::string_view, bool, const Options&);
  std::optional<std::string> SetTime(std::string_view, bool, const Options&);

  SettingsStore settings_;
  std::string clockDate_;
  std::string clockTime_;
  int storeCount_ = 0;
  int resetCount_ = 0;
};

}  // namespace sim
