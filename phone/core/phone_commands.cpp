#include "phone/core/phone_commands.h"

#include <algorithm>

#include "datacomm/core/read_out.h"

namespace {

using std::chrono::milliseconds;

using NumberValue = std::int32_t (*)(const PhonePortSettings& record, std::int32_t pcmLaw);
using TextValue = const std::string& (*)(const PhonePortSettings& record);

// A list entry that is empty or still holds the page's "Empty!" placeholder goes out empty.
std::string_view ListEntryValue(const std::string& entry) {
  return entry.find("Empty") == std::string::npos ? std::string_view{entry} : std::string_view{};
}

struct WriteStep {
  std::string_view key;         // before the port letter; the whole line for the store step
  bool portLetter;
  NumberValue number;           // "%d" steps
  TextValue text;               // "%s" steps (empty value: the empty form)
  const NumberList PhonePortSettings::*list;  // ten lines, key + letter + index
  std::string_view field;
  milliseconds wait;
  std::string_view timeoutMessage;
};

// Sending order. A message's number tells which step failed; the texts are kept exactly
// as users have always seen them, though the numbers are not positions: two steps report
// 12, and from the law's step on the text is written "쓸수가" without the blank.
constexpr WriteStep kWriteSteps[] = {
    {"AT#ICF", true, nullptr, [](const PhonePortSettings& r) -> const std::string& { return r.forwardNumber; },
     nullptr, "forwardNumber", milliseconds(1000), "2.TA에 쓸 수가 없습니다."},
    {"AT#ICFN", true, [](const PhonePortSettings& r, std::int32_t) { return AtoiValue(r.forwardWaitText); },
     nullptr, nullptr, "forwardWait", milliseconds(1000), "12.TA에 쓸 수가 없습니다."},
    {"AT#Z", true, nullptr, [](const PhonePortSettings& r) -> const std::string& {
       static const std::string kEmpty;
       return r.multipleNumberOn == 1 ? r.multipleNumber : kEmpty;
     },
     nullptr, "multipleNumber", milliseconds(1000), "3.TA에 쓸 수가 없습니다."},
    {"AT#G", true, [](const PhonePortSettings& r, std::int32_t) { return r.mainNumberOn; }, nullptr, nullptr,
     "mainNumberOn", milliseconds(1000), "4.TA에 쓸 수가 없습니다."},
    {"AT#H", true, nullptr, [](const PhonePortSettings& r) -> const std::string& {
       static const std::string kEmpty;
       return r.subNumberOn == 1 ? r.subNumber : kEmpty;
     },
     nullptr, "subNumber", milliseconds(1000), "5.TA에 쓸 수가 없습니다."},
    {"AT#O", true, [](const PhonePortSettings& r, std::int32_t) { return r.dialingMode; }, nullptr, nullptr,
     "dialingMode", milliseconds(1000), "6.TA에 쓸 수가 없습니다."},
    {"AT#P", true, [](const PhonePortSettings& r, std::int32_t) { return r.priorityRing; }, nullptr, nullptr,
     "priorityRing", milliseconds(1000), "7.TA에 쓸 수가 없습니다."},
    {"AT#W", true, [](const PhonePortSettings& r, std::int32_t) { return r.extensionCall; }, nullptr, nullptr,
     "extensionCall", milliseconds(1000), "8.TA에 쓸 수가 없습니다."},
    {"AT#P", false, [](const PhonePortSettings&, std::int32_t law) { return law; }, nullptr, nullptr,
     "pcmLaw", milliseconds(1000), "9.TA에 쓸수가 없습니다."},
    {"AT&Z", true, [](const PhonePortSettings& r, std::int32_t) { return r.speedDialOn; }, nullptr, nullptr,
     "speedDialOn", milliseconds(1000), "10.TA에 쓸수가 없습니다."},
    {"AT%A", true, nullptr, nullptr, &PhonePortSettings::speedDial,
     "speedDial", milliseconds(1000), "11.TA에 쓸수가 없습니다."},
    {"AT#S", true, [](const PhonePortSettings& r, std::int32_t) { return r.selectiveOn; }, nullptr, nullptr,
     "selectiveOn", milliseconds(1000), "12.TA에 쓸수가 없습니다."},
    {"AT%S", true, nullptr, nullptr, &PhonePortSettings::selectiveNumbers,
     "selectiveNumbers", milliseconds(1000), "13.TA에 쓸수가 없습니다."},
    {"AT#Y", true, [](const PhonePortSettings& r, std::int32_t) { return r.threeParty; }, nullptr, nullptr,
     "threeParty", milliseconds(1000), "14.TA에 쓸수가 없습니다."},
    {"AT#T", true, [](const PhonePortSettings& r, std::int32_t) { return r.callTransfer; }, nullptr, nullptr,
     "callTransfer", milliseconds(1000), "15.TA에 쓸수가 없습니다."},
    {"AT#C", true, [](const PhonePortSettings& r, std::int32_t) { return r.ownCallWaiting; }, nullptr, nullptr,
     "ownCallWaiting", milliseconds(1000), "16.TA에 쓸수가 없습니다."},
    {"AT#A", true, [](const PhonePortSettings& r, std::int32_t) { return r.callWaitingOn == 1 ? r.callWaitingMode : 0; },
     nullptr, nullptr, "callWaitingMode", milliseconds(1000), "17.TA에 쓸수가 없습니다."},
    {"AT#TC", true, [](const PhonePortSettings& r, std::int32_t) { return r.callPickup; }, nullptr, nullptr,
     "callPickup", milliseconds(1000), "18.TA에 쓸수가 없습니다."},
    {"AT#SC", true, [](const PhonePortSettings& r, std::int32_t) { return r.internalTransfer; }, nullptr, nullptr,
     "internalTransfer", milliseconds(1000), "19.TA에 쓸수가 없습니다."},
    {"AT#SP", true, [](const PhonePortSettings& r, std::int32_t) { return r.setupByPhone; }, nullptr, nullptr,
     "setupByPhone", milliseconds(1000), "20.TA에 쓸수가 없습니다."},
    {"AT#EOD", true, [](const PhonePortSettings& r, std::int32_t) { return r.endOfDialTime; }, nullptr, nullptr,
     "endOfDialTime", milliseconds(5000), "21.TA에 쓸수가 없습니다."},
    {"AT#IY", true, [](const PhonePortSettings& r, std::int32_t) { return r.ownThreeParty; }, nullptr, nullptr,
     "ownThreeParty", milliseconds(1000), "22.TA에 쓸수가 없습니다."},
    {"ATW\r", false, nullptr, nullptr, nullptr, "store", milliseconds(1000), "TA에 쓸수가 없습니다."},
};

std::string Line(std::string_view key, std::string_view value) {
  std::string line;
  line.reserve(key.size() + value.size() + 3);
  line.append(key).append("=").append(value).append("\r\n");
  return line;
}

bool PrintableAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

}  // namespace

std::vector<PortCommand> BuildPortCommands(const PhonePortSettings& record, char letter,
                                           std::int32_t pcmLaw) {
  std::vector<PortCommand> commands;
  commands.reserve(kPortCommandCount);
  for (const WriteStep& step : kWriteSteps) {
    std::string key{step.key};
    if (step.portLetter) key += letter;
    if (step.list != nullptr) {
      const NumberList& entries = record.*step.list;
      for (std::size_t i = 0; i < kNumberListSize; ++i) {
        const std::string indexed = key + static_cast<char>('0' + i);
        const std::string field = std::string{step.field} + "[" + std::to_string(i) + "]";
        commands.push_back({Line(indexed, ListEntryValue(entries[i])), step.wait, step.timeoutMessage,
                            field, entries[i]});
      }
    } else if (step.number != nullptr) {
      commands.push_back({Line(key, std::to_string(step.number(record, pcmLaw))), step.wait,
                          step.timeoutMessage, std::string{step.field}, {}});
    } else if (step.text != nullptr) {
      const std::string& value = step.text(record);
      commands.push_back({Line(key, value), step.wait, step.timeoutMessage, std::string{step.field}, value});
    } else {
      commands.push_back({key, step.wait, step.timeoutMessage, std::string{step.field}, {}});
    }
  }
  return commands;
}

std::optional<PortCommand> FindUnsendableCommand(const std::vector<PortCommand>& commands) {
  for (const PortCommand& command : commands) {
    const bool isListEntry = command.field.back() == ']';
    if (command.line.size() + 1 > kCommandLineSize ||
        (isListEntry && command.value.size() + 1 > kListEntrySize) || !PrintableAscii(command.value)) {
      return command;
    }
  }
  return std::nullopt;
}

std::string UnsendableMessage(const PortCommand& command) {
  return "번호가 너무 길거나 올바르지 않아 TA에 쓸 수가 없습니다. (" + command.field + ")";
}
