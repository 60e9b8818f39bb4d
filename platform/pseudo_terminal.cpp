#include "platform/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

#include "platform/eintr.h"
#include "platform/serial_port.h"

namespace platform {

namespace {

// close() is never repeated on Linux, EINTR or not: the descriptor is gone either way.
void CloseIfOpen(int& fd) {
  if (fd >= 0) ::close(std::exchange(fd, -1));
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
  int master = RetryOnEintr([] { return ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC); });
  if (master < 0) return;
  char name[128];
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
      ::ptsname_r(master, name, sizeof name) != 0) {
    CloseIfOpen(master);
    return;
  }
  int slave = RetryOnEintr([&] { return ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC); });
  if (slave < 0) {
    CloseIfOpen(master);
    return;
  }
  // Raw on the slave: the line discipline would otherwise echo what the program sends
  // back to it and turn CR into LF on the way in. The settings belong to the terminal,
  // not the descriptor, so they hold for the program's own open as well.
  termios tio{};
  if (::tcgetattr(slave, &tio) == 0) {
    ::cfmakeraw(&tio);
    RetryOnEintr([&] { return ::tcsetattr(slave, TCSANOW, &tio); });
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
  return BitsPerSecond(static_cast<unsigned>(::cfgetospeed(&tio)));
}

std::size_t PseudoTerminal::UnreadBySlave() const {
  if (keepSlave_ < 0) return 0;
  // Written bytes pass through the terminal's buffer work before they count as input;
  // polling the slave lets that work finish first.
  pollfd p{keepSlave_, POLLIN, 0};
  RetryOnEintr([&] { return ::poll(&p, 1, 0); });
  int count = 0;
  if (::ioctl(keepSlave_, FIONREAD, &count) != 0 || count < 0) return 0;
  return static_cast<std::size_t>(count);
}

void PseudoTerminal::HangUp() {
  CloseIfOpen(keepSlave_);
  CloseIfOpen(master_);
}

}  // namespace platform
