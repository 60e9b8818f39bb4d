#include "platform/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <utility>

namespace platform {

namespace {

int CloseRetryingNothing(int fd) {
  // close() must not be retried on EINTR on Linux: the descriptor is gone either way.
  return fd >= 0 ? ::close(fd) : 0;
}

const std::array<std::pair<speed_t, std::uint32_t>, 18> kRates = {{
    {B1200, 1200},       {B2400, 2400},       {B4800, 4800},       {B9600, 9600},
    {B19200, 19200},     {B38400, 38400},     {B57600, 57600},     {B115200, 115200},
    {B230400, 230400},   {B460800, 460800},   {B500000, 500000},   {B576000, 576000},
    {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000}, {B1500000, 1500000},
    {B2000000, 2000000}, {B300, 300},
}};

}  // namespace

PseudoTerminal::PseudoTerminal() {
  int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return;
  char name[128];
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
      ::ptsname_r(master, name, sizeof name) != 0) {
    CloseRetryingNothing(master);
    return;
  }
  int slave;
  do {
    slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  } while (slave < 0 && errno == EINTR);
  if (slave < 0) {
    CloseRetryingNothing(master);
    return;
  }
  // Raw on the slave: the line discipline would otherwise echo what the program sends
  // back to it and turn CR into LF on the way in. The settings belong to the terminal,
  // not the descriptor, so they hold for the program's own open as well.
  termios tio{};
  if (::tcgetattr(slave, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
  }
  // The master never blocks the adapter's single service thread.
  int flags = ::fcntl(master, F_GETFL);
  if (flags >= 0) ::fcntl(master, F_SETFL, flags | O_NONBLOCK);
  master_ = master;
  keepSlave_ = slave;
  slavePath_ = name;
}

PseudoTerminal::~PseudoTerminal() { HangUp(); }

std::optional<std::uint32_t> PseudoTerminal::SlaveSpeed() const {
  if (master_ < 0) return std::nullopt;
  termios tio{};
  if (::tcgetattr(master_, &tio) != 0) return std::nullopt;
  const speed_t speed = ::cfgetospeed(&tio);
  for (const auto& [constant, rate] : kRates) {
    if (constant == speed) return rate;
  }
  return std::nullopt;
}

std::size_t PseudoTerminal::UnreadBySlave() const {
  if (keepSlave_ < 0) return 0;
  // Written bytes pass through the terminal's buffer work before they count as input;
  // polling the slave lets that work finish first.
  pollfd p{keepSlave_, POLLIN, 0};
  ::poll(&p, 1, 0);
  int count = 0;
  if (keepSlave_ < 0 || ::ioctl(keepSlave_, FIONREAD, &count) != 0 || count < 0) return 0;
  return static_cast<std::size_t>(count);
}

void PseudoTerminal::HangUp() {
  CloseRetryingNothing(keepSlave_);
  keepSlave_ = -1;
  CloseRetryingNothing(master_);
  master_ = -1;
}

}  // namespace platform
