// POSIX termios implementation of the serial device.
#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <system_error>
#include <utility>

#include "platform/eintr.h"
#include "platform/user_folders.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// poll() until `deadline` (none: forever); after a signal it goes on with the time left.
int PollUntil(pollfd* fds, nfds_t count, std::optional<Clock::time_point> deadline) {
  return RetryOnEintr([&] {
    int timeoutMs = -1;
    if (deadline) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
      timeoutMs = static_cast<int>(std::clamp<long long>(left.count(), 0, 1'000'000'000));
    }
    return poll(fds, count, timeoutMs);
  });
}

struct SpeedEntry {
  std::uint32_t bitsPerSecond;
  speed_t constant;
};

constexpr std::array kSpeeds{
    SpeedEntry{50, B50},           SpeedEntry{75, B75},           SpeedEntry{110, B110},
    SpeedEntry{134, B134},         SpeedEntry{150, B150},         SpeedEntry{200, B200},
    SpeedEntry{300, B300},         SpeedEntry{600, B600},         SpeedEntry{1200, B1200},
    SpeedEntry{1800, B1800},       SpeedEntry{2400, B2400},       SpeedEntry{4800, B4800},
    SpeedEntry{9600, B9600},       SpeedEntry{19200, B19200},     SpeedEntry{38400, B38400},
    SpeedEntry{57600, B57600},     SpeedEntry{115200, B115200},   SpeedEntry{230400, B230400},
    SpeedEntry{460800, B460800},   SpeedEntry{500000, B500000},   SpeedEntry{576000, B576000},
    SpeedEntry{921600, B921600},   SpeedEntry{1000000, B1000000}, SpeedEntry{1152000, B1152000},
    SpeedEntry{1500000, B1500000}, SpeedEntry{2000000, B2000000}, SpeedEntry{2500000, B2500000},
    SpeedEntry{3000000, B3000000}, SpeedEntry{3500000, B3500000}, SpeedEntry{4000000, B4000000},
};

// Raw 8N1, receiver on, modem lines ignored, no flow control of either kind.
bool ApplyLineSettings(int fd, speed_t speed) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return false;
  cfmakeraw(&settings);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (cfsetispeed(&settings, speed) != 0 || cfsetospeed(&settings, speed) != 0) return false;
  if (RetryOnEintr([&] { return tcsetattr(fd, TCSANOW, &settings); }) != 0) return false;

  // tcsetattr() succeeds when any part of the change was taken; read back what holds.
  termios applied{};
  if (tcgetattr(fd, &applied) != 0) return false;
  return cfgetospeed(&applied) == speed && cfgetispeed(&applied) == speed &&
         (applied.c_cflag & CSIZE) == CS8 && (applied.c_cflag & (PARENB | CSTOPB | CRTSCTS)) == 0;
}

}  // namespace

std::string PortName(unsigned portNumber) {
  unsigned number = portNumber % 256;
  return number <= 4 ? "COM" + std::to_string(number) : "TELNET";
}

std::filesystem::path PortsDirectory() {
  if (const char* dir = NonEmptyEnv("QUORVEL_PORTS_DIR")) return dir;
  return ConfigFolder() / "quorvel" / "ports";
}

std::optional<std::filesystem::path> ResolvePortPath(const std::string& portName) {
  if (portName.empty() || portName.find('/') != std::string::npos) return std::nullopt;

  // An entry that is there wins even when its link dangles: the user chose that device,
  // and opening it then fails as a missing port does.
  std::filesystem::path entry = PortsDirectory() / portName;
  std::error_code error;
  if (std::filesystem::symlink_status(entry, error).type() != std::filesystem::file_type::not_found &&
      !error) {
    return entry;
  }

  constexpr std::string_view kPrefix = "COM";
  if (portName.size() != kPrefix.size() + 1 || !portName.starts_with(kPrefix)) return std::nullopt;
  unsigned number = 0;
  const char* digits = portName.data() + kPrefix.size();
  auto [end, status] = std::from_chars(digits, portName.data() + portName.size(), number);
  if (status != std::errc() || end != portName.data() + portName.size()) return std::nullopt;
  if (number < 1 || number > 4) return std::nullopt;
  return "/dev/ttyS" + std::to_string(number - 1);
}

std::optional<unsigned> SpeedConstant(std::uint32_t bitsPerSecond) {
  auto found = std::find_if(kSpeeds.begin(), kSpeeds.end(),
                            [&](const SpeedEntry& e) { return e.bitsPerSecond == bitsPerSecond; });
  if (found == kSpeeds.end()) return std::nullopt;
  return static_cast<unsigned>(found->constant);
}

std::optional<std::uint32_t> BitsPerSecond(unsigned speedConstant) {
  auto found = std::find_if(kSpeeds.begin(), kSpeeds.end(),
                            [&](const SpeedEntry& e) { return e.constant == speedConstant; });
  if (found == kSpeeds.end()) return std::nullopt;
  return found->bitsPerSecond;
}

SerialPort::SerialPort() : cancelFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

SerialPort::~SerialPort() {
  Close();
  if (cancelFd_ >= 0) ::close(cancelFd_);
}

OpenResult SerialPort::Open(const std::filesystem::path& path, std::uint32_t bitsPerSecond) {
  Close();
  if (cancelFd_ < 0) cancelFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (cancelFd_ < 0) return OpenResult::Failed;
  std::uint64_t pending = 0;  // re-arm: forget a cancel left from the last session
  while (RetryOnEintr([&] { return ::read(cancelFd_, &pending, sizeof pending); }) > 0) {
  }

  int fd = RetryOnEintr(
      [&] { return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); });
  if (fd < 0) return OpenResult::Failed;

  // TIOCEXCL keeps other users out but not root; the flock also stops a second opener
  // running as root. Between open() and flock() another opener may slip in: whichever
  // locks second gives up, so at most one of them ever holds the port.
  if (RetryOnEintr([&] { return flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
    ::close(fd);
    return OpenResult::Failed;
  }
  if (!isatty(fd)) {
    ::close(fd);
    return OpenResult::SettingsRefused;
  }
  if (ioctl(fd, TIOCEXCL) != 0) {
    ::close(fd);
    return OpenResult::Failed;
  }
  fd_ = fd;

  std::optional<unsigned> speed = SpeedConstant(bitsPerSecond);
  if (!speed || !ApplyLineSettings(fd_, static_cast<speed_t>(*speed))) {
    Close();
    return OpenResult::SettingsRefused;
  }
  // The adapter has always been driven with DTR and RTS inactive; opening raised them.
  // A pseudo-terminal has no modem lines and refuses this, which is harmless.
  int modemLines = TIOCM_DTR | TIOCM_RTS;
  ioctl(fd_, TIOCMBIC, &modemLines);
  Purge();
  return OpenResult::Opened;
}

std::size_t SerialPort::Write(const void* data, std::size_t length,
                              std::chrono::milliseconds timeout) {
  if (fd_ < 0) return 0;
  const auto deadline = Clock::now() + timeout;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::size_t written = 0;
  while (written < length) {
    ssize_t n = RetryOnEintr([&] { return ::write(fd_, bytes + written, length - written); });
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;
    // The output queue is full: wait for room, but not past the write time-out.
    pollfd out{fd_, POLLOUT, 0};
    if (PollUntil(&out, 1, deadline) <= 0 || (out.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
      break;
    }
  }
  return written;
}

std::size_t SerialPort::QueuedCount() const {
  int queued = 0;
  if (fd_ < 0 || ioctl(fd_, FIONREAD, &queued) != 0 || queued < 0) return 0;
  return static_cast<std::size_t>(queued);
}

std::size_t SerialPort::ReadQueued(void* buffer, std::size_t capacity) {
  if (fd_ < 0 || capacity == 0) return 0;
  // The descriptor is non-blocking, so this takes only what is already queued.
  ssize_t n = RetryOnEintr([&] { return ::read(fd_, buffer, capacity); });
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void SerialPort::Purge() {
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

void SerialPort::DropDtr() {
  if (fd_ < 0) return;
  int bits = TIOCM_DTR;
  ioctl(fd_, TIOCMBIC, &bits);  // a pseudo-terminal has no modem lines and refuses this
}

WaitResult SerialPort::WaitForInput(std::optional<std::chrono::milliseconds> timeout) {
  std::optional<Clock::time_point> deadline;
  if (timeout) deadline = Clock::now() + *timeout;

  pollfd fds[2] = {{cancelFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
  nfds_t count = fd_ >= 0 ? 2 : 1;
  for (;;) {
    int ready = PollUntil(fds, count, deadline);
    if (ready < 0) return WaitResult::HungUp;  // poll itself failed: nothing to wait on
    if (ready == 0) return WaitResult::TimedOut;
    if (fds[0].revents != 0) return WaitResult::Cancelled;
    if (count < 2) return WaitResult::TimedOut;
    const short events = fds[1].revents;
    if ((events & (POLLHUP | POLLERR | POLLNVAL)) != 0) return WaitResult::HungUp;
    // A raw terminal is readable with nothing queued only at end of file.
    return QueuedCount() > 0 ? WaitResult::Readable : WaitResult::HungUp;
  }
}

void SerialPort::CancelWait() {
  if (cancelFd_ < 0) return;
  const std::uint64_t one = 1;
  // EAGAIN means the counter is already full, which is signalled enough.
  RetryOnEintr([&] { return ::write(cancelFd_, &one, sizeof one); });
}

void SerialPort::Close() {
  if (fd_ < 0) return;
  // On a pseudo-terminal the exclusive mode outlives the descriptor; left set, nobody
  // but root could open the port again.
  ioctl(fd_, TIOCNXCL);
  ::close(std::exchange(fd_, -1));  // also drops the flock
}

}  // namespace platform
