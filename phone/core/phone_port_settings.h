// PhonePortSettings: the settings of one telephone port, as its page edits them and as the
// adapter's read-out and commands carry them. Per-port keys and commands carry the port
// letter (PortLetter); the PCM law is common to both ports and held by the caller.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::size_t kNumberListSize = 10;  // speed-dial and selective entries 00..09
using NumberList = std::array<std::string, kNumberListSize>;

// Truth values are 0 or 1; numbers are strings of digits.
struct PhonePortSettings {
  std::string forwardNumber;              // own call forwarding; empty = off
  std::int32_t forwardWait = 0;           // 0..30, reset to 0 before every read
  std::string forwardWaitText;            // what the write sends for the wait
  std::string multipleNumber;
  std::int32_t multipleNumberOn = 0;      // derived: multiple number non-empty
  std::int32_t mainNumberOn = 1;
  std::string subNumber;                  // at most 4 digits on the page
  std::int32_t subNumberOn = 0;           // derived: sub-number non-empty
  std::int32_t dialingMode = 1;           // 0 Enbloc, 1 Overlap
  std::int32_t priorityRing = 0;
  std::int32_t extensionCall = 1;
  std::int32_t speedDialOn = 0;
  NumberList speedDial;
  std::int32_t selectiveOn = 0;
  NumberList selectiveNumbers;
  std::int32_t threeParty = 0;
  std::int32_t callTransfer = 0;
  std::int32_t ownCallWaiting = 0;
  std::int32_t callWaitingMode = 0;       // 0 off, 1 on, 2 on only while the other port is busy
  std::int32_t callWaitingOn = 0;         // check box state
  std::int32_t onlyWhenOtherBusy = 0;     // check box state
  std::int32_t callPickup = 0;
  std::int32_t internalTransfer = 0;
  std::int32_t setupByPhone = 1;
  std::int32_t ownThreeParty = 0;
  std::int32_t endOfDialTime = 0;         // 0 = 5 s, 1 = 7 s, 2 = 9 s

  bool operator==(const PhonePortSettings&) const = default;
};

// 'A' for port 1, 'B' for any other port.
char PortLetter(int port);

// What a page derives once a read has been parsed: the call waiting box from the mode and
// the wait text from forwardWait.
void DeriveEditState(PhonePortSettings& record);
