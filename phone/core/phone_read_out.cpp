#include "phone/core/phone_read_out.h"

#include <algorithm>
#include <string>

#include "datacomm/core/read_out.h"

namespace {

using Apply = void (*)(PhonePortSettings& record, std::int32_t& pcmLaw, std::string_view value);

struct ReadKey {
  std::string_view key;      // before the port letter
  bool portLetter;
  Apply apply;               // null for the row of the two number lists
};

std::int32_t Number(std::string_view value) { return AtoiValue(value); }

std::int32_t NonEmpty(std::string_view value) { return value.empty() ? 0 : 1; }

// Looked up in this order; later keys see the record as earlier ones left it.
constexpr ReadKey kReadKeys[] = {
    {"AT#P=", false, [](PhonePortSettings&, std::int32_t& law, std::string_view v) { law = Number(v); }},
    {"AT#Z", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) {
       r.multipleNumber = v;
       r.multipleNumberOn = NonEmpty(v);
     }},
    {"AT#O", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.dialingMode = Number(v); }},
    {"AT#H", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) {
       r.subNumber = v;
       r.subNumberOn = NonEmpty(v);
     }},
    {"AT#P", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.priorityRing = Number(v); }},
    {"AT#G", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.mainNumberOn = Number(v); }},
    {"AT#EOD", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.endOfDialTime = Number(v); }},
    {"AT#W", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.extensionCall = Number(v); }},
    {"AT&Z", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.speedDialOn = Number(v); }},
    {"AT#S", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.selectiveOn = Number(v); }},
    {"AT%A / AT%S", true, nullptr},
    {"AT#Y", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.threeParty = Number(v); }},
    {"AT#T", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.callTransfer = Number(v); }},
    {"AT#C", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.ownCallWaiting = Number(v); }},
    {"AT#A", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) {
       r.callWaitingMode = Number(v);
       // Other modes keep both check boxes; the page derives them again from the mode.
       if (r.callWaitingMode >= 0 && r.callWaitingMode <= 2) {
         r.callWaitingOn = r.callWaitingMode == 0 ? 0 : 1;
         r.onlyWhenOtherBusy = r.callWaitingMode == 2 ? 1 : 0;
       }
     }},
    {"AT#TC", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.callPickup = Number(v); }},
    {"AT#SC", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.internalTransfer = Number(v); }},
    {"AT#SP", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.setupByPhone = Number(v); }},
    {"AT#IY", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.ownThreeParty = Number(v); }},
    {"AT#ICF", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.forwardNumber = v; }},
    {"AT#ICFN", true, [](PhonePortSettings& r, std::int32_t&, std::string_view v) { r.forwardWait = Number(v); }},
};

// The value of the first occurrence of `key`: from the character after the one that
// follows the key, up to the next CR or LF. A key ending the text gives an empty value.
bool FindValue(std::string_view text, std::string_view key, bool keyEndsWithEquals,
               std::string_view& value) {
  const std::size_t at = text.find(key);
  if (at == std::string_view::npos) return false;
  const std::size_t begin = std::min(at + key.size() + (keyEndsWithEquals ? 0 : 1), text.size());
  const std::size_t end = std::min(text.find_first_of("\r\n", begin), text.size());
  value = text.substr(begin, end - begin);
  return true;
}

void ParseNumberLists(std::string_view text, char letter, PhonePortSettings& record) {
  std::string_view value;
  for (std::size_t i = 0; i < kNumberListSize; ++i) {
    const char index = static_cast<char>('0' + i);
    if (FindValue(text, std::string{"AT%A"} + letter + index, false, value)) {
      record.speedDial[i] = value;
    }
    if (FindValue(text, std::string{"AT%S"} + letter + index, false, value)) {
      record.selectiveNumbers[i] = value;
    }
  }
}

}  // namespace

void ParsePortSettings(std::string_view text, char letter, PhonePortSettings& record,
                       std::int32_t& pcmLaw) {
  for (const ReadKey& row : kReadKeys) {
    if (row.apply == nullptr) {
      ParseNumberLists(text, letter, record);
      continue;
    }
    const std::string key = row.portLetter ? std::string{row.key} + letter : std::string{row.key};
    const bool keyEndsWithEquals = key.back() == '=';
    std::string_view value;
    if (FindValue(text, key, keyEndsWithEquals, value)) row.apply(record, pcmLaw, value);
  }
}
