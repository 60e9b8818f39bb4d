// The link's own commands: reset, read-out, AODI query and the probe of the detection.
#include <string_view>

#include "app/registry/port_settings.h"
#include "link/comm_link.h"

namespace {

using namespace std::string_view_literals;

constexpr auto kResetCommand = "AT$RESET\r"sv;
constexpr auto kReadOutCommand = "\rAT$OUTCUR\r\n"sv;
constexpr auto kAodiQueryCommand = "AT$AODI\r\n"sv;
constexpr auto kProbeCommand = "\rAT*MRNIX\r\n"sv;

}  // namespace

// A reply that completed after its wait had given up leaves replyEvent signalled (and
// its text already taken). Without discarding it the next exchange would return at once
// and use the old reply or none: a read-out reported as read with the previous buffer,
// or a probe answered on one port counted for the next candidate.
void CCommLink::StartExchange() {
  std::lock_guard lock(pendingMutex);
  pendingReply.clear();
  replyEvent.Reset();
}

bool CCommLink::Exchange(std::string_view command, std::chrono::milliseconds wait) {
  Write(command.data(), command.size());
  return replyEvent.Wait(wait);
}

void CCommLink::SendReset() {
  SetReceiveMode(kModeDot);
  Configure(static_cast<std::uint32_t>(currentPort), static_cast<std::uint32_t>(currentSpeed),
            8, 0, 0);
  CreateEvents();
  if (Open() == 1) Write(kResetCommand.data(), kResetCommand.size());
  Close();
}

int CCommLink::ReadOut(std::int32_t mode) {
  SetReceiveMode(mode);
  StartExchange();
  Configure(static_cast<std::uint32_t>(currentPort), static_cast<std::uint32_t>(currentSpeed),
            8, 0, 0);
  CreateEvents();
  Open();  // a failed open simply times out below
  const bool replied = Exchange(kReadOutCommand, kReadOutWait);
  Close();
  return replied ? 1 : 0;
}

void CCommLink::QueryAodi() {
  SetReceiveMode(kModeAodiQuery);
  StartExchange();
  Exchange(kAodiQueryCommand, kAodiQueryWait);  // no answer: aodiCapable keeps its value
}

// The detection empties pendingReply itself, once, so that text of one candidate is
// searched together with the next; only the stale signal is dropped here.
bool CCommLink::Probe(std::chrono::milliseconds wait) {
  SetReceiveMode(kModeProbe);
  {
    std::lock_guard lock(pendingMutex);
    replyEvent.Reset();
  }
  return Exchange(kProbeCommand, wait);
}
