// Finding the adapter. Each candidate costs one open, one probe and at most one wait;
// the link is closed again before the next candidate and before returning.
#include "link/detection.h"

#include <array>
#include <chrono>
#include <cstdint>

#include "app/registry/port_settings.h"
#include "link/comm_link.h"

namespace {

struct Candidate {
  std::int32_t port;
  std::int32_t speed;
};

// Speed outer, port inner. 57600 bit/s is never scanned: only a remembered speed uses it.
constexpr std::array<Candidate, 8> kScanOrder{{
    {1, 115200}, {2, 115200}, {3, 115200}, {4, 115200},
    {1, 230400}, {2, 230400}, {3, 230400}, {4, 230400},
}};

// Opens the link on one port and speed and probes it. True when the adapter answered;
// the link is then still open for the AODI question. Otherwise it is closed again.
bool ProbeCandidate(CCommLink& link, std::int32_t port, std::int32_t speed,
                    std::chrono::milliseconds wait) {
  link.Configure(static_cast<std::uint32_t>(port), static_cast<std::uint32_t>(speed), 8, 0, 0);
  link.CreateEvents();
  if (link.Open() != 1 || !link.Probe(wait)) {
    link.Close();
    return false;
  }
  return true;
}

// Text that one candidate produced without being recognised stays in the pending reply
// and is searched together with the next candidates' text: the probe never empties it.
void StartProbing(CCommLink& link) {
  link.SetReceiveMode(kModeProbe);
  link.ClearPendingReply();
}

// The first candidate of the scan that answers, its link still open; null when none did.
const Candidate* ScanCandidates(CCommLink& link) {
  for (const Candidate& candidate : kScanOrder) {
    if (ProbeCandidate(link, candidate.port, candidate.speed, kCandidateProbeWait)) {
      return &candidate;
    }
  }
  return nullptr;
}

}  // namespace

int DetectAdapter(CCommLink& link) {
  StartProbing(link);

  if (currentPort != 0 && currentSpeed != 0) {
    if (ProbeCandidate(link, currentPort, currentSpeed, kRememberedProbeWait)) {
      link.QueryAodi();
      link.Close();
      return currentPort;
    }
    // The remembered speed is given up even if the scan finds nothing.
    currentSpeed = kDefaultSpeed;
  }

  const Candidate* found = ScanCandidates(link);
  if (found == nullptr) return 0;
  currentSpeed = found->speed;
  link.QueryAodi();
  link.Close();
  return found->port;
}

int ScanForAdapter(CCommLink& link) {
  StartProbing(link);
  const Candidate* found = ScanCandidates(link);
  if (found == nullptr) return 0;
  link.Close();
  return found->port;
}
