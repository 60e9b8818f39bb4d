// Serial device: the one place that knows how a COM port is reached on this platform.
//
//   PortName(n)        "COM1".."COM4" for n <= 4 (n reduced to 8 bits), "TELNET" above.
//   ResolvePortPath()  the ports directory entry, else /dev/ttyS{n-1} for COMn.
//   SerialPort         open exclusively, raw 8N1 at a speed, write all, read what is
//                      queued, purge, drop DTR, wait for input (interruptible), close.
//
// All calls but CancelWait() belong to the thread that owns the port; CancelWait() may
// be called from any thread and makes a pending or later WaitForInput() return Cancelled.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// "COMn" for n = 0..4, "TELNET" for 5..255; n is taken modulo 256 first.
std::string PortName(unsigned portNumber);

// $QUORVEL_PORTS_DIR, else $XDG_CONFIG_HOME/quorvel/ports, else ~/.config/quorvel/ports.
std::filesystem::path PortsDirectory();

// Path of the device behind a port name: the ports-directory entry when it exists
// (a symbolic link or a device node), else /dev/ttyS{n-1} for COM1..COM4, else nothing.
std::optional<std::filesystem::path> ResolvePortPath(const std::string& portName);

// termios speed constant for a bit rate, or nothing when the rate is not a standard one.
std::optional<unsigned> SpeedConstant(std::uint32_t bitsPerSecond);
// The bit rate of a termios speed constant; the reverse of SpeedConstant().
std::optional<std::uint32_t> BitsPerSecond(unsigned speedConstant);

enum class OpenResult {
  Failed = -1,          // missing, busy (held by another opener) or forbidden
  SettingsRefused = 0,  // opened, but not a terminal or the speed was refused; closed again
  Opened = 1,
};

enum class WaitResult {
  Readable,   // bytes are queued
  Cancelled,  // CancelWait() was called
  HungUp,     // the peer is gone (POLLHUP/POLLERR, EIO); further reads return nothing
  TimedOut,
};

class SerialPort {
 public:
  SerialPort();
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens `path` exclusively and sets raw 8N1 at `bitsPerSecond`, no flow control,
  // DTR and RTS inactive, then purges both queues. Also re-arms the cancel signal.
  OpenResult Open(const std::filesystem::path& path, std::uint32_t bitsPerSecond);
  bool IsOpen() const { return fd_ >= 0; }

  // Writes all bytes unless `timeout` passes first; returns the count written.
  std::size_t Write(const void* data, std::size_t length,
                    std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));
  // Bytes waiting in the input queue.
  std::size_t QueuedCount() const;
  // Reads at most `capacity` bytes that are already queued; never blocks. 0 = none.
  std::size_t ReadQueued(void* buffer, std::size_t capacity);
  void Purge();
  void DropDtr();

  // Blocks until input is queued, the port hangs up, CancelWait() is called or the
  // timeout passes (no timeout: wait indefinitely).
  WaitResult WaitForInput(std::optional<std::chrono::milliseconds> timeout = std::nullopt);
  void CancelWait();

  // Clears the exclusive mode, closes. Safe to call when closed.
  void Close();

 private:
  int fd_ = -1;
  int cancelFd_ = -1;  // eventfd that CancelWait() signals
};

}  // namespace platform
