#include "datacomm/core/data_comm_session.h"

#include <string>

#include "app/registry/port_settings.h"
#include "datacomm/core/data_comm_commands.h"
#include "datacomm/core/data_comm_parse.h"
#include "datacomm/core/read_out.h"
#include "platform/notifier.h"

namespace {

constexpr int kReadAttempts = 3;

void Warn(std::string_view text) { platform::Warn(std::string(text)); }

}  // namespace

CDataCommSession::CDataCommSession(DataCommVariant variant) : variant_(variant) {
  link_.SetReceiveMode(kModeDataCommWrite);
}

CDataCommSession::~CDataCommSession() { CloseIfOpen(); }

ReplySlot CDataCommSession::Slot(OwnerKind kind) {
  const OwnerKind mine =
      variant_ == DataCommVariant::Aodi ? OwnerKind::DataCommAodi : OwnerKind::DataCommMlppp;
  if (kind != mine) return {};
  return {&receiveBuffer_, &reply_, &done_};
}

std::string_view CDataCommSession::ReadOutText() const {
  return ReceivedText(receiveBuffer_.data(), receiveBuffer_.size());
}

bool CDataCommSession::ReadTaData(DataCommSettings& settings, std::int32_t& idleDisconnectOn) {
  if (currentPort == 0) {
    Warn(kPortUnusable);
    return false;
  }
  link_.SetOwner(this);
  bool valid = false;
  for (int attempt = 0; attempt < kReadAttempts && !valid; ++attempt) {
    // An empty buffer cannot pass for a reply that never came.
    receiveBuffer_[0] = '\0';
    if (link_.ReadOut(kModeDataCommReadOut) == 0 && link_.ReadOut(kModeDataCommReadOut) == 0) {
      continue;
    }
    valid = VerifyTaData(ReadOutText());
  }
  if (!valid) {
    Warn(kReadError);
    return false;
  }
  ParseTaData(ReadOutText(), variant_, settings, idleDisconnectOn);
  return true;
}

bool CDataCommSession::OpenForCommands(std::string_view cannotOpen, std::string_view notUp) {
  if (!link_.IsOpen()) {
    link_.Configure(static_cast<std::uint32_t>(currentPort), static_cast<std::uint32_t>(currentSpeed),
                    8, 0, 0);
    link_.CreateEvents();
    if (link_.Open() == -1) {
      Warn(cannotOpen);
      return false;
    }
  }
  link_.SetOwner(this);
  if (!link_.IsOpen()) {
    Warn(notUp);
    return false;
  }
  // A reply that completed after an earlier wait had given up must not answer this one.
  done_.Reset();
  return true;
}

bool CDataCommSession::SendAndWait(std::string_view command, std::chrono::milliseconds wait) {
  link_.Write(command.data(), command.size());
  return done_.Wait(wait);
}

void CDataCommSession::CloseIfOpen() {
  if (link_.IsOpen()) link_.Close();
}

int CDataCommSession::WriteTaData(DataCommSettings& settings, std::int32_t idleDisconnectOn) {
  link_.SetReceiveMode(kModeDataCommWrite);
  if (currentPort == 0) {
    Warn(kNoPortChosen);
    return 0;
  }
  link_.ClearPendingReply();
  if (!OpenForCommands(kPortUnusable, kLinkNotUp)) return 0;
  if (idleDisconnectOn == 0) settings.idleDisconnect = 0;

  for (const WriteStep& step : WriteSequence(variant_)) {
    if (!SendAndWait(FormatCommand(step, settings), step.wait)) {
      Warn(step.timeoutMessage);
      CloseIfOpen();
      return 0;
    }
  }
  link_.Close();
  return 1;
}

bool CDataCommSession::SetTaClock(const std::tm& localTime) {
  link_.SetReceiveMode(kModeDataCommWrite);
  if (currentPort == 0) {
    Warn(kCannotWrite);
    return false;
  }
  link_.ClearPendingReply();
  if (!OpenForCommands(kClockPortUnusable, kCannotWrite)) return false;
  for (const std::string& command : {ClockDateCommand(localTime), ClockTimeCommand(localTime)}) {
    if (!SendAndWait(command, kClockReplyWait)) {
      Warn(kCannotWrite);
      CloseIfOpen();
      return false;
    }
  }
  link_.Close();
  return true;
}
