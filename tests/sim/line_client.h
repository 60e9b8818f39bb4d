// LineClient: the program's end of a simulated line, in plain POSIX (with the platform's
// EINTR wrapper), so that the simulator's tests depend on nothing but the simulator.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/eintr.h"

namespace simtest {

inline speed_t SpeedConstant(std::uint32_t rate) {
  switch (rate) {
    case 9600: return B9600;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
  }
}

class LineClient {
 public:
  LineClient(const std::filesystem::path& path, std::uint32_t speed) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    termios tio{};
    ::tcgetattr(fd_, &tio);
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, SpeedConstant(speed));
    ::cfsetospeed(&tio, SpeedConstant(speed));
    ::tcsetattr(fd_, TCSANOW, &tio);
    ::tcflush(fd_, TCIOFLUSH);
  }
  ~LineClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  LineClient(const LineClient&) = delete;
  LineClient& operator=(const LineClient&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  bool HungUp() const { return hungUp_; }

  // Writes everything, waiting for room while the adapter is slow to read (at most 2 s).
  void Send(std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t n = platform::RetryOnEintr([&] { return ::write(fd_, bytes.data(), bytes.size()); });
      if (n > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(n));
        continue;
      }
      pollfd p{fd_, POLLOUT, 0};
      if (n == 0 || errno != EAGAIN || platform::RetryOnEintr([&] { return ::poll(&p, 1, 2000); }) <= 0) {
        return;
      }
    }
  }

  // Reads one batch of what arrives within `timeout`; empty on time-out or hang-up.
  std::string ReadSome(std::chrono::milliseconds timeout) {
    pollfd p{fd_, POLLIN, 0};
    int ready = platform::RetryOnEintr([&] { return ::poll(&p, 1, static_cast<int>(timeout.count())); });
    if (ready <= 0) return {};
    char buffer[4096];
    ssize_t n = platform::RetryOnEintr([&] { return ::read(fd_, buffer, sizeof buffer); });
    if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) hungUp_ = true;
    return {};
  }

  // Collects until `until` has arrived, the line hangs up or `timeout` passes.
  std::string ReadUntil(std::string_view until, std::chrono::milliseconds timeout) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (text.find(until) == std::string::npos && !hungUp_) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      text += ReadSome(left);
    }
    return text;
  }

  // Everything that arrives within `duration` (for "nothing comes" checks).
  std::string ReadFor(std::chrono::milliseconds duration) {
    return ReadUntil(std::string_view("\x01never\x01"), duration);
  }

 private:
  int fd_ = -1;
  bool hungUp_ = false;
};

}  // namespace simtest
