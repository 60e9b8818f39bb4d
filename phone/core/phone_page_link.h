// CPhonePageLink: what one telephone port page holds to talk to the adapter, and the
// read and write of that port's settings.
//
//   ReadPortSettings()    read-out (receive mode 6) into the 4000-byte receive buffer and
//                         verify it: 3 attempts of up to 2 read-outs and 2 verifications.
//   ReadOutText()         the verified text, for ParsePortSettings.
//   WritePortSettings()   the port's 41 command lines in receive mode 1, each waiting for
//                         the acknowledgement event; shows its own messages (Notifier).
//
// Both use currentPort and currentSpeed; the link is closed when either returns.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/comm_link.h"
#include "link/link_owner.h"
#include "phone/core/phone_port_settings.h"
#include "platform/auto_reset_event.h"

inline constexpr int kReadAttempts = 3;
inline constexpr int kReadOutsPerAttempt = 2;
inline constexpr int kVerificationsPerAttempt = 2;

class CPhonePageLink : public CLinkOwner {
 public:
  // Owner of its own link, which starts in receive mode 1.
  CPhonePageLink();
  ~CPhonePageLink() override;
  CPhonePageLink(const CPhonePageLink&) = delete;
  CPhonePageLink& operator=(const CPhonePageLink&) = delete;

  ReplySlot Slot(OwnerKind kind) override;

  // True when a verified read-out is in the receive buffer. The caller has checked that a
  // port is chosen; the page resets forwardWait to 0 before it reads.
  bool ReadPortSettings();
  std::string_view ReadOutText() const;

  // Sends `record` for `port` (1 or 2; the letter follows PortLetter) with the common law
  // and stores it. True when every line was acknowledged. Values that cannot be sent
  // within the command-line limits are refused before anything is sent.
  bool WritePortSettings(int port, const PhonePortSettings& record, std::int32_t pcmLaw);

  CCommLink& Link() { return link; }

 private:
  ReceiveBuffer receiveBuffer{};
  std::string replyText;            // filled by receive mode 1; nothing reads it
  platform::AutoResetEvent ackEvent;
  CCommLink link;                   // last: closed and joined before the slots above go
};
