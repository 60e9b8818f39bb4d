#include "sim/adapter_commands.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include "sim/sim_adapter.h"

namespace sim {

namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

// Fixed-width decimal fields, e.g. "20240305" as {4, 2, 2}, each within its bounds.
bool DigitFieldsValid(std::string_view text, std::initializer_list<std::array<int, 3>> fields) {
  std::size_t pos = 0;
  for (const auto& [width, min, max] : fields) {
    if (pos + width > text.size()) return false;
    int value = 0;
    const char* first = text.data() + pos;
    auto [ptr, ec] = std::from_chars(first, first + width, value);
    if (ec != std::errc() || ptr != first + width || value < min || value > max) return false;
    pos += width;
  }
  return pos == text.size();
}

std::optional<std::string> Reply(std::string_view text) { return std::string(text); }

}  // namespace

std::string CommandKey(std::string_view line) {
  return Upper(line.substr(0, line.find('=')));
}

const AdapterCommands::Command AdapterCommands::kCommands[] = {
    {"AT", &AdapterCommands::Attention},
    {"AT*MRNIX", &AdapterCommands::Probe},
    {"AT$AODI", &AdapterCommands::QueryAodi},
    {"AT$OUTCUR", &AdapterCommands::ReadOut},
    {"ATW", &AdapterCommands::Store},
    {"AT$RESET", &AdapterCommands::FactoryReset},
    {"AT$DATE", &AdapterCommands::SetDate},
    {"AT$TIME", &AdapterCommands::SetTime},
};

std::optional<std::string> AdapterCommands::Handle(std::string_view line, const Options& options) {
  const std::string key = CommandKey(line);
  const bool hasValue = key.size() < line.size();
  const std::string_view value = hasValue ? line.substr(key.size() + 1) : std::string_view();
  for (const auto& command : kCommands) {
    if (command.key == key) return (this->*command.handler)(value, hasValue, options);
  }
  if (!hasValue) return Reply(kReplyError);  // no setting is queried by its bare key
  return Reply(settings_.Apply(key, value) == ApplyResult::Ok ? kReplyOk : kReplyError);
}

std::optional<std::string> AdapterCommands::Attention(std::string_view, bool hasValue,
                                                      const Options&) {
  return Reply(hasValue ? kReplyError : kReplyOk);
}

std::optional<std::string> AdapterCommands::Probe(std::string_view, bool, const Options& options) {
  return Reply(options.promptOnly ? kReplyPrompt : kReplyProbe);
}

std::optional<std::string> AdapterCommands::QueryAodi(std::string_view, bool,
                                                      const Options& options) {
  if (options.noAodiAnswer) return std::nullopt;
  return Reply(options.aodiModel ? kReplyOk : kReplyError);
}

std::optional<std::string> AdapterCommands::ReadOut(std::string_view, bool hasValue,
                                                    const Options& options) {
  if (hasValue) return Reply(kReplyError);
  std::string text = options.echoReadOut ? "AT$OUTCUR\r\n" : "";
  text += settings_.ReadOutText(options.wrongChecksum);
  text += "OK\r\n";
  return text;
}

std::optional<std::string> AdapterCommands::Store(std::string_view, bool hasValue,
                                                  const Options&) {
  if (hasValue) return Reply(kReplyError);
  ++storeCount_;
  return Reply(kReplyOk);
}

std::optional<std::string> AdapterCommands::FactoryReset(std::string_view, bool hasValue,
                                                         const Options&) {
  if (hasValue) return Reply(kReplyError);
  ++resetCount_;
  settings_.Reset();
  return Reply(kReplyOk);
}

std::optional<std::string> AdapterCommands::SetDate(std::string_view value, bool hasValue,
                                                    const Options&) {
  if (!hasValue || !DigitFieldsValid(value, {{4, 1900, 9999}, {2, 1, 12}, {2, 1, 31}})) {
    return Reply(kReplyError);
  }
  clockDate_ = value;
  return Reply(kReplyOk);
}

std::optional<std::string> AdapterCommands::SetTime(std::string_view value, bool hasValue,
                                                    const Options&) {
  if (!hasValue || !DigitFieldsValid(value, {{2, 0, 23}, {2, 0, 59}, {2, 0, 59}})) {
    return Reply(kReplyError);
  }
  clockTime_ = value;
  return Reply(kReplyOk);
}

}  // namespace sim
