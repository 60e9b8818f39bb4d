// quorvel-cli phone show 1|2 | phone set 1|2 field=value...
//
// Reads the port as the page does when it opens; "set" then applies the changes in the
// order given, with the page's own couplings (a number sets its check box, the call
// waiting boxes follow the mode), and sends the port's whole write sequence as Apply does.
#include <charconv>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "app/registry/port_settings.h"
#include "cli/cli.h"
#include "link/exchange_messages.h"
#include "phone/core/phone_page_link.h"
#include "phone/core/phone_port_settings.h"
#include "phone/core/phone_read_out.h"
#include "platform/notifier.h"

namespace {

constexpr const char* kUsage = "usage: phone show 1|2 | phone set 1|2 field=value...";

// Couplings the page makes when the user changes a field.
using AfterSet = void (*)(PhonePortSettings& record);

// One settable field: a number with its range, a string of digits with its longest
// length, or a number list entry.
struct PhoneField {
  std::string_view name;
  std::int32_t PhonePortSettings::*number = nullptr;
  std::int32_t low = 0;
  std::int32_t high = 1;
  std::string PhonePortSettings::*digits = nullptr;
  NumberList PhonePortSettings::*list = nullptr;
  std::size_t maxDigits = 0;
  AfterSet after = nullptr;
};

using R = PhonePortSettings;

// New numbers stay within the 19 characters that the read-out format gives a value.
// The page's list editor allows up to 31; a longer number the adapter already holds is
// still read and written back unchanged, only not typed in here.
constexpr std::size_t kReadableDigits = 19;

const PhoneField kFields[] = {
    {"forwardNumber", nullptr, 0, 0, &R::forwardNumber, nullptr, kReadableDigits},
    {"forwardWait", &R::forwardWait, 0, 30, nullptr, nullptr, 0,
     [](R& r) { r.forwardWaitText = std::to_string(r.forwardWait); }},
    {"multipleNumber", nullptr, 0, 0, &R::multipleNumber, nullptr, kReadableDigits,
     [](R& r) { r.multipleNumberOn = r.multipleNumber.empty() ? 0 : 1; }},
    {"multipleNumberOn", &R::multipleNumberOn},
    {"mainNumberOn", &R::mainNumberOn},
    {"subNumber", nullptr, 0, 0, &R::subNumber, nullptr, 4,  // the page's limit
     [](R& r) { r.subNumberOn = r.subNumber.empty() ? 0 : 1; }},
    {"subNumberOn", &R::subNumberOn},
    {"dialingMode", &R::dialingMode},
    {"priorityRing", &R::priorityRing},
    {"extensionCall", &R::extensionCall},
    {"speedDialOn", &R::speedDialOn},
    {"speedDial", nullptr, 0, 0, nullptr, &R::speedDial, kReadableDigits},
    {"selectiveOn", &R::selectiveOn},
    {"selectiveNumbers", nullptr, 0, 0, nullptr, &R::selectiveNumbers, kReadableDigits},
    {"threeParty", &R::threeParty},
    {"callTransfer", &R::callTransfer},
    {"ownCallWaiting", &R::ownCallWaiting},
    {"callWaitingMode", &R::callWaitingMode, 0, 2, nullptr, nullptr, 0,
     [](R& r) {
       r.callWaitingOn = r.callWaitingMode == 0 ? 0 : 1;
       r.onlyWhenOtherBusy = r.callWaitingMode == 2 ? 1 : 0;
     }},
    {"callWaitingOn", &R::callWaitingOn, 0, 1, nullptr, nullptr, 0,
     [](R& r) {
       if (r.callWaitingOn == 1) r.callWaitingMode = r.onlyWhenOtherBusy == 1 ? 2 : 1;
     }},
    {"onlyWhenOtherBusy", &R::onlyWhenOtherBusy, 0, 1, nullptr, nullptr, 0,
     [](R& r) { r.callWaitingMode = r.onlyWhenOtherBusy == 1 ? 2 : 1; }},
    {"callPickup", &R::callPickup},
    {"internalTransfer", &R::internalTransfer},
    {"setupByPhone", &R::setupByPhone},
    {"ownThreeParty", &R::ownThreeParty},
    {"endOfDialTime", &R::endOfDialTime, 0, 2},
};

constexpr std::string_view kPcmLaw = "pcmLaw";

// One parsed "field=value": the field's row (null for pcmLaw), the list index, the value.
struct Change {
  const PhoneField* field = nullptr;
  std::size_t index = 0;
  std::string value;
  std::int32_t number = 0;
};

struct PhoneRequest {
  bool set = false;
  int port = 0;
  std::vector<Change> changes;
};

// "speedDial[3]" -> ("speedDial", 3); a plain name has no index.
bool SplitIndex(std::string_view name, std::string_view& base, std::optional<std::size_t>& index) {
  index.reset();
  base = name;
  const std::size_t open = name.find('[');
  if (open == std::string_view::npos) return true;
  if (name.back() != ']' || name.size() != open + 3) return false;
  const char digit = name[open + 1];
  if (digit < '0' || digit > '9') return false;
  base = name.substr(0, open);
  index = static_cast<std::size_t>(digit - '0');
  return true;
}

int BadValue(std::string_view name, std::string_view value, std::string_view expected) {
  return UsageError("phone: bad value '" + std::string(value) + "' for " + std::string(name) + " (" +
                    std::string(expected) + ")");
}

int ParseChange(const std::string& assignment, Change& change) {
  std::string name;
  if (!SplitAssignment(assignment, name, change.value)) {
    return UsageError("phone: expected field=value, got '" + assignment + "'");
  }
  std::string_view base;
  std::optional<std::size_t> index;
  if (!SplitIndex(name, base, index)) return UsageError("phone: unknown field '" + name + "'");

  if (base == kPcmLaw && !index) {
    const auto number = ParseWholeNumber(change.value);
    if (!number || *number < 0 || *number > 1) return BadValue(name, change.value, "0 or 1");
    change.number = *number;
    return kExitOk;
  }
  for (const PhoneField& field : kFields) {
    if (field.name != base || (field.list != nullptr) != index.has_value()) continue;
    change.field = &field;
    change.index = index.value_or(0);
    if (field.number != nullptr) {
      const auto number = ParseWholeNumber(change.value);
      if (!number || *number < field.low || *number > field.high) {
        return BadValue(name, change.value, std::to_string(field.low) + ".." + std::to_string(field.high));
      }
      change.number = *number;
    } else if (change.value.size() > field.maxDigits ||
               change.value.find_first_not_of("0123456789") != std::string::npos) {
      return BadValue(name, change.value, "digits, at most " + std::to_string(field.maxDigits));
    }
    return kExitOk;
  }
  return UsageError("phone: unknown field '" + name + "'");
}

int ParseRequest(const Args& args, PhoneRequest& request) {
  if (args.size() < 2 || (args[0] != "show" && args[0] != "set")) return UsageError(kUsage);
  request.set = args[0] == "set";
  if (args[1] != "1" && args[1] != "2") return UsageError("phone: port must be 1 or 2");
  request.port = args[1] == "1" ? 1 : 2;
  if (!request.set && args.size() > 2) return UsageError(kUsage);
  if (request.set && args.size() == 2) return UsageError("phone set: nothing to set");
  for (std::size_t i = 2; i < args.size(); ++i) {
    Change change;
    if (const int status = ParseChange(args[i], change); status != kExitOk) return status;
    request.changes.push_back(std::move(change));
  }
  return kExitOk;
}

void Apply(const Change& change, PhonePortSettings& record, std::int32_t& pcmLaw) {
  const PhoneField* field = change.field;
  if (field == nullptr) {
    pcmLaw = change.number;
    return;
  }
  if (field->number != nullptr) record.*field->number = change.number;
  if (field->digits != nullptr) record.*field->digits = change.value;
  if (field->list != nullptr) (record.*field->list)[change.index] = change.value;
  if (field->after != nullptr) field->after(record);
}

Fields ShowFields(const PhonePortSettings& record, std::int32_t pcmLaw) {
  Fields fields;
  fields.emplace_back(kPcmLaw, std::to_string(pcmLaw));
  for (const PhoneField& field : kFields) {
    const std::string name{field.name};
    if (field.number != nullptr) fields.emplace_back(name, std::to_string(record.*field.number));
    if (field.digits != nullptr) fields.emplace_back(name, record.*field.digits);
    if (field.list != nullptr) {
      const NumberList& entries = record.*field.list;
      for (std::size_t i = 0; i < entries.size(); ++i) {
        fields.emplace_back(name + "[" + std::to_string(i) + "]", entries[i]);
      }
    }
  }
  return fields;
}

// As the page's start: read, verify, parse into the record, derive the edit state.
bool ReadPort(CPhonePageLink& pageLink, int port, PhonePortSettings& record, std::int32_t& pcmLaw) {
  if (currentPort == 0) {
    platform::Warn(std::string(kPortUnusable));
    return false;
  }
  record.forwardWait = 0;
  if (!pageLink.ReadPortSettings()) {
    platform::Warn(std::string(kReadError));
    return false;
  }
  ParsePortSettings(pageLink.ReadOutText(), PortLetter(port), record, pcmLaw);
  DeriveEditState(record);
  return true;
}

}  // namespace

int CheckPhoneArgs(const Args& args) {
  PhoneRequest request;
  return ParseRequest(args, request);
}

int RunPhone(const Args& args, const CliOptions& options) {
  PhoneRequest request;
  if (const int status = ParseRequest(args, request); status != kExitOk) return status;

  CPhonePageLink pageLink;
  PhonePortSettings record;
  std::int32_t pcmLaw = 0;
  if (!ReadPort(pageLink, request.port, record, pcmLaw)) return kExitFailed;
  if (!request.set) {
    PrintFields(std::cout, ShowFields(record, pcmLaw), options);
    return kExitOk;
  }
  for (const Change& change : request.changes) Apply(change, record, pcmLaw);
  return pageLink.WritePortSettings(request.port, record, pcmLaw) ? kExitOk : kExitFailed;
}
