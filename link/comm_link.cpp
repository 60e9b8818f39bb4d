#include "link/comm_link.h"

#include <array>
#include <cstring>

namespace {

// Room for the terminating NUL the handlers rely on.
constexpr std::size_t kReadCapacity = kReaderChunkSize - 1;
constexpr auto kWriteTimeout = std::chrono::milliseconds(1000);

}  // namespace

CCommLink::CCommLink() = default;

CCommLink::~CCommLink() { Close(); }

void CCommLink::SetOwner(CLinkOwner* ownerObject) { owner.store(ownerObject); }

void CCommLink::Configure(std::uint32_t portValue, std::uint32_t lineSpeed, std::uint8_t bits,
                          std::uint8_t p4, std::uint8_t p5) {
  portNumber = static_cast<std::uint8_t>(portValue & 0xFFu);
  speed = lineSpeed;
  dataBits = bits;
  parity = p4;
  stopBits = p5;
}

// Writes and reads complete inside SerialPort, so there are no completion records to
// make; kept so that every exchange keeps one calling order.
int CCommLink::CreateEvents() { return 1; }

int CCommLink::Open() {
  // A second Open would leave a reader behind on the old device.
  if (device) CloseDevice();

  const auto path = platform::ResolvePortPath(platform::PortName(portNumber));
  if (!path) return -1;
  switch (port.Open(*path, speed)) {
    case platform::OpenResult::Failed:
      return -1;
    case platform::OpenResult::SettingsRefused:
      return 0;
    case platform::OpenResult::Opened:
      break;
  }
  device = true;
  reader = std::jthread([this](std::stop_token stop) { ReaderThread(stop); });
  return 1;
}

int CCommLink::Write(const void* bytes, std::size_t length) {
  if (device) port.Write(bytes, length, kWriteTimeout);
  return 1;
}

std::size_t CCommLink::ReadQueued(void* buffer, std::size_t capacity) {
  return device ? port.ReadQueued(buffer, capacity) : 0;
}

int CCommLink::CloseDevice() {
  // The stop token also ends an "Error" box the reader may be showing, so the join
  // below can never wait on the user.
  reader.request_stop();
  port.CancelWait();
  port.DropDtr();
  // No purge here: a write returns once its bytes are queued, not sent, and flushing the
  // output would eat a command written just before the close (the reset is written and
  // closed at once). Input need not be flushed either: the descriptor is closed and the
  // next Open purges.
  // Joined before the device goes: the reader must never read a closed (or reused)
  // descriptor nor deliver into an owner after the exchange has ended.
  if (reader.joinable()) reader.join();
  port.Close();
  device = false;
  return 1;
}

int CCommLink::Close() {
  if (device) CloseDevice();
  return 1;
}

void CCommLink::ReaderThread(std::stop_token stop) {
  std::array<char, kReaderChunkSize> buffer{};
  while (!stop.stop_requested()) {
    switch (port.WaitForInput()) {
      case platform::WaitResult::Readable:
        break;
      case platform::WaitResult::TimedOut:
        continue;
      case platform::WaitResult::Cancelled:  // the close; it stays cancelled until Open
      case platform::WaitResult::HungUp:     // nothing more will come: end, never spin
        return;
    }
    // Drain the queue before waiting again so a burst is handed on in few chunks.
    while (!stop.stop_requested()) {
      buffer.fill('\0');
      const std::size_t n = port.ReadQueued(buffer.data(), kReadCapacity);
      if (n == 0) break;
      Dispatch(std::string_view(buffer.data(), n), stop);
    }
  }
}

std::string CCommLink::PendingReply() const {
  std::lock_guard lock(pendingMutex);
  return pendingReply;
}

void CCommLink::ClearPendingReply() {
  std::lock_guard lock(pendingMutex);
  pendingReply.clear();
}
