#include "phone/core/phone_page_link.h"

#include "app/registry/port_settings.h"
#include "datacomm/core/read_out.h"
#include "link/exchange_messages.h"
#include "phone/core/phone_commands.h"
#include "platform/notifier.h"

CPhonePageLink::CPhonePageLink() {
  link.SetReceiveMode(kModePhoneWrite);
  link.SetOwner(this);
}

CPhonePageLink::~CPhonePageLink() { link.Close(); }

ReplySlot CPhonePageLink::Slot(OwnerKind kind) {
  if (kind != OwnerKind::PhonePage) return {};
  return {&receiveBuffer, &replyText, &ackEvent};
}

bool CPhonePageLink::ReadPortSettings() {
  link.SetOwner(this);
  bool verified = false;
  for (int attempt = 0; attempt < kReadAttempts && !verified; ++attempt) {
    bool received = false;
    for (int i = 0; i < kReadOutsPerAttempt && !received; ++i) {
      received = link.ReadOut(kModePhoneReadOut) != 0;
    }
    if (!received) continue;
    for (int i = 0; i < kVerificationsPerAttempt && !verified; ++i) {
      verified = VerifyTaData(ReadOutText());
    }
  }
  // ReadOut closes after itself; make sure the next write opens the port anew.
  link.Close();
  return verified;
}

std::string_view CPhonePageLink::ReadOutText() const {
  return ReceivedText(receiveBuffer.data(), receiveBuffer.size());
}

bool CPhonePageLink::WritePortSettings(int port, const PhonePortSettings& record,
                                       std::int32_t pcmLaw) {
  link.SetReceiveMode(kModePhoneWrite);
  if (currentPort == 0) {
    platform::Warn(std::string(kNoPortChosen));
    return false;
  }
  const std::vector<PortCommand> commands = BuildPortCommands(record, PortLetter(port), pcmLaw);
  if (const auto unsendable = FindUnsendableCommand(commands)) {
    platform::Warn(UnsendableMessage(*unsendable));
    return false;
  }

  // A reply that came after an earlier exchange gave up must not acknowledge our first line.
  ackEvent.Reset();
  if (!link.IsOpen()) {
    link.ClearPendingReply();
    link.Configure(static_cast<std::uint32_t>(currentPort), static_cast<std::uint32_t>(currentSpeed), 8, 0, 0);
    link.CreateEvents();
    if (link.Open() == -1) {
      platform::Warn(std::string(kPortUnusable));
      return false;
    }
    link.SetOwner(this);
    if (!link.IsOpen()) {
      platform::Warn(std::string(kLinkNotUp));
      return false;
    }
  }

  for (const PortCommand& command : commands) {
    link.Write(command.line.data(), command.line.size());
    if (!ackEvent.Wait(command.wait)) {
      platform::Warn(std::string{command.timeoutMessage});
      link.Close();
      return false;
    }
  }
  link.Close();
  return true;
}
