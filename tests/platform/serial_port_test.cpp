// The serial device over real pseudo-terminals and real files.
#include "platform/serial_port.h"

#include <fcntl.h>
#include <grp.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/pseudo_terminal.h"
#include "tests/support/test_support.h"

namespace {

using namespace std::chrono_literals;
using platform::OpenResult;
using platform::PseudoTerminal;
using platform::SerialPort;
using platform::WaitResult;
using Clock = std::chrono::steady_clock;

std::chrono::nanoseconds ThreadCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// Everything the master side has received within `timeout`.
std::string ReadFromMaster(const PseudoTerminal& pty, std::size_t expected,
                           std::chrono::milliseconds timeout = 2000ms) {
  std::string received;
  const auto deadline = Clock::now() + timeout;
  char buffer[4096];
  while (received.size() < expected && Clock::now() < deadline) {
    ssize_t n = read(pty.MasterFd(), buffer, sizeof buffer);
    if (n > 0) {
      received.append(buffer, static_cast<std::size_t>(n));
    } else {
      std::this_thread::sleep_for(5ms);
    }
  }
  return received;
}

void WriteToMaster(const PseudoTerminal& pty, const std::string& text) {
  ASSERT_EQ(write(pty.MasterFd(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

// ---- names and paths --------------------------------------------------------------------

TEST(PortNameTest, NumbersMapToDeviceNames) {
  const struct {
    unsigned number;
    const char* name;
  } cases[] = {
      {1, "COM1"},   {2, "COM2"},   {3, "COM3"},     {4, "COM4"},     {0, "COM0"},
      {5, "TELNET"}, {6, "TELNET"}, {255, "TELNET"}, {256, "COM0"},   {257, "COM1"},
      {260, "COM4"}, {261, "TELNET"}, {0xFFFFFFFFu, "TELNET"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::PortName(c.number), c.name) << c.number;
}

TEST(PortsDirectoryTest, EnvironmentDecidesTheFolder) {
  testsupport::ScopedEnv home("HOME", "/home/someone");
  {
    testsupport::ScopedEnv ports("QUORVEL_PORTS_DIR", "/srv/ports");
    testsupport::ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(platform::PortsDirectory(), "/srv/ports");
  }
  testsupport::ScopedEnv ports("QUORVEL_PORTS_DIR", std::nullopt);
  {
    testsupport::ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(platform::PortsDirectory(), "/cfg/quorvel/ports");
  }
  testsupport::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(platform::PortsDirectory(), "/home/someone/.config/quorvel/ports");
}

class PortPathTest : public testsupport::IsolatedTest {};

TEST_F(PortPathTest, PortWithoutEntryFallsBackToTtyS) {
  EXPECT_EQ(platform::ResolvePortPath("COM1"), std::filesystem::path("/dev/ttyS0"));
  EXPECT_EQ(platform::ResolvePortPath("COM4"), std::filesystem::path("/dev/ttyS3"));
  EXPECT_EQ(platform::ResolvePortPath("COM0"), std::nullopt);
  EXPECT_EQ(platform::ResolvePortPath("TELNET"), std::nullopt);
  EXPECT_EQ(platform::ResolvePortPath("COM5"), std::nullopt);
  EXPECT_EQ(platform::ResolvePortPath("../COM1"), std::nullopt);
}

TEST_F(PortPathTest, PortsDirectoryEntryWins) {
  folders.LinkPort("COM1", "/dev/ttyUSB7");
  folders.LinkPort("TELNET", "/dev/ttyACM0");
  folders.LinkPort("COM0", "/dev/ttyACM1");
  EXPECT_EQ(platform::ResolvePortPath("COM1"), folders.PortsDir() / "COM1");
  EXPECT_EQ(platform::ResolvePortPath("TELNET"), folders.PortsDir() / "TELNET");
  EXPECT_EQ(platform::ResolvePortPath("COM0"), folders.PortsDir() / "COM0");
  EXPECT_EQ(platform::ResolvePortPath("COM2"), std::filesystem::path("/dev/ttyS1"));
}

TEST(SpeedConstantTest, StandardRatesOnly) {
  EXPECT_EQ(platform::SpeedConstant(57600), B57600);
  EXPECT_EQ(platform::SpeedConstant(115200), B115200);
  EXPECT_EQ(platform::SpeedConstant(230400), B230400);
  EXPECT_EQ(platform::SpeedConstant(9600), B9600);
  for (std::uint32_t odd : {0u, 1u, 12345u, 115201u, 4000001u}) {
    EXPECT_EQ(platform::SpeedConstant(odd), std::nullopt) << odd;
  }
  for (std::uint32_t rate : {300u, 57600u, 115200u, 230400u, 4000000u}) {
    EXPECT_EQ(platform::BitsPerSecond(*platform::SpeedConstant(rate)), rate) << rate;
  }
  EXPECT_EQ(platform::BitsPerSecond(B0), std::nullopt);
}

// ---- opening ----------------------------------------------------------------------------

class SerialPortTest : public testsupport::IsolatedTest {
 protected:
  void SetUp() override { ASSERT_TRUE(pty.IsOpen()); }

  PseudoTerminal pty;
  SerialPort port;
};

TEST_F(SerialPortTest, OpensRaw8N1AtEachMenuSpeed) {
  for (std::uint32_t speed : {57600u, 115200u, 230400u}) {
    ASSERT_EQ(port.Open(pty.SlavePath(), speed), OpenResult::Opened) << speed;
    EXPECT_EQ(pty.SlaveSpeed(), speed);
    termios settings{};
    ASSERT_EQ(tcgetattr(pty.MasterFd(), &settings), 0);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
  }
}

TEST_F(SerialPortTest, SecondOpenFailsUntilTheFirstCloses) {
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  SerialPort second;
  EXPECT_EQ(second.Open(pty.SlavePath(), 115200), OpenResult::Failed);
  EXPECT_FALSE(second.IsOpen());
  port.Close();
  EXPECT_EQ(second.Open(pty.SlavePath(), 115200), OpenResult::Opened);
}

// Root passes TIOCEXCL; the lock must still keep a second opener out. An opener that
// holds only the lock stands in for "the other one is root", whoever runs the test.
TEST_F(SerialPortTest, LockHeldElsewhereRefusesOpen) {
  int other = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Failed);
  close(other);
  EXPECT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
}

TEST_F(SerialPortTest, ExclusiveModeIsClearedOnClose) {
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  int probe = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (probe < 0) {
    EXPECT_EQ(errno, EBUSY);  // not root: the exclusive mode itself refused us
  } else {
    int exclusive = 0;
    ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    close(probe);
  }
  port.Close();
  probe = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(probe, 0) << "exclusive mode outlived the close";
  int exclusive = 1;
  ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  close(probe);
}

TEST_F(SerialPortTest, MissingDeviceFails) {
  EXPECT_EQ(port.Open(folders.Root() / "no-such-device", 115200), OpenResult::Failed);
  folders.LinkPort("COM3", folders.Root() / "gone");  // a dangling entry
  auto path = platform::ResolvePortPath("COM3");
  ASSERT_TRUE(path);
  EXPECT_EQ(port.Open(*path, 115200), OpenResult::Failed);
  EXPECT_FALSE(port.IsOpen());
}

// Root is never refused by permissions: as root the open is tried by a child that has
// become an ordinary user.
TEST_F(SerialPortTest, ForbiddenDeviceFails) {
  ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0), 0);
  if (geteuid() != 0) {
    EXPECT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Failed);
  } else {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      constexpr uid_t kNobody = 65534;
      if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
      int fd = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0 || errno != EACCES) _exit(3);  // the permission really is what refuses
      SerialPort forbidden;
      _exit(forbidden.Open(pty.SlavePath(), 115200) == OpenResult::Failed ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: opened, 2: could not drop root, 3: not EACCES";
  }
  chmod(pty.SlavePath().c_str(), 0620);
}

TEST_F(SerialPortTest, NotATerminalIsRefusedAsLineSettings) {
  std::filesystem::path file = folders.Root() / "plain-file";
  std::ofstream(file) << "not a device";
  for (const std::filesystem::path& path : {file, std::filesystem::path("/dev/null")}) {
    EXPECT_EQ(port.Open(path, 115200), OpenResult::SettingsRefused) << path;
    EXPECT_FALSE(port.IsOpen());
  }
  // Closed again: nothing holds the file.
  int fd = open(file.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  close(fd);
}

TEST_F(SerialPortTest, UnsupportedSpeedIsRefusedAndReleasesThePort) {
  for (std::uint32_t speed : {0u, 12345u, 115201u}) {
    EXPECT_EQ(port.Open(pty.SlavePath(), speed), OpenResult::SettingsRefused) << speed;
    EXPECT_FALSE(port.IsOpen());
  }
  SerialPort other;
  EXPECT_EQ(other.Open(pty.SlavePath(), 115200), OpenResult::Opened);
}

// ---- data -------------------------------------------------------------------------------

TEST_F(SerialPortTest, WritesExactlyTheBytesGiven) {
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  const std::string command("\rAT*MRNIX\r\n\0x", 13);  // a NUL passes untouched
  EXPECT_EQ(port.Write(command.data(), command.size()), command.size());
  EXPECT_EQ(ReadFromMaster(pty, command.size()), command);
  std::this_thread::sleep_for(30ms);
  char extra;
  EXPECT_EQ(read(pty.MasterFd(), &extra, 1), -1) << "nothing more may follow";
}

TEST_F(SerialPortTest, ReadsWhatIsQueuedWithoutBlocking) {
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  char buffer[2048];
  EXPECT_EQ(port.QueuedCount(), 0u);
  EXPECT_EQ(port.ReadQueued(buffer, sizeof buffer), 0u);

  std::string burst(3000, '\0');
  for (std::size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<char>('A' + i % 26);
  WriteToMaster(pty, burst);
  ASSERT_EQ(port.WaitForInput(2000ms), WaitResult::Readable);
  const auto deadline = Clock::now() + 2s;
  while (port.QueuedCount() < burst.size() && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(port.QueuedCount(), burst.size());

  std::string received;
  while (std::size_t n = port.ReadQueued(buffer, sizeof buffer)) {
    EXPECT_LE(n, sizeof buffer);
    received.append(buffer, n);
  }
  EXPECT_EQ(received, burst);
}

TEST_F(SerialPortTest, PurgeDiscardsQueuedInput) {
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  WriteToMaster(pty, "stale reply");
  ASSERT_EQ(port.WaitForInput(2000ms), WaitResult::Readable);
  port.Purge();
  EXPECT_EQ(port.QueuedCount(), 0u);
  EXPECT_EQ(port.WaitForInput(50ms), WaitResult::TimedOut);
}

TEST_F(SerialPortTest, OpenDiscardsInputThatArrivedBefore) {
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  port.Close();
  WriteToMaster(pty, "left over");
  std::this_thread::sleep_for(20ms);
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  EXPECT_EQ(port.QueuedCount(), 0u);
}

TEST_F(SerialPortTest, DropDtrOnPseudoTerminalIsHarmless) {
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  port.DropDtr();
  EXPECT_EQ(port.Write("ATW\r", 4), 4u);
  EXPECT_EQ(ReadFromMaster(pty, 4), "ATW\r");
}

TEST_F(SerialPortTest, WriteGivesUpWhenThePeerStopsReading) {
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  const std::vector<char> block(1 << 20, 'x');  // far more than the line's buffers hold
  const auto start = Clock::now();
  std::size_t written = port.Write(block.data(), block.size(), 200ms);
  const auto elapsed = Clock::now() - start;
  EXPECT_LT(written, block.size());
  EXPECT_GT(written, 0u);
  EXPECT_GE(elapsed, 150ms);
  EXPECT_LT(elapsed, 3000ms);
}

TEST_F(SerialPortTest, ClosedPortDoesNothing) {
  char buffer[8];
  EXPECT_EQ(port.Write("x", 1), 0u);
  EXPECT_EQ(port.ReadQueued(buffer, sizeof buffer), 0u);
  EXPECT_EQ(port.QueuedCount(), 0u);
  port.Purge();
  port.DropDtr();
  port.Close();
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

// ---- waiting ----------------------------------------------------------------------------

TEST_F(SerialPortTest, WaitEndsOnInputOrTimeout) {
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  auto start = Clock::now();
  EXPECT_EQ(port.WaitForInput(100ms), WaitResult::TimedOut);
  EXPECT_GE(Clock::now() - start, 95ms);

  auto waiter = std::async(std::launch::async, [&] { return port.WaitForInput(5000ms); });
  std::this_thread::sleep_for(50ms);
  WriteToMaster(pty, "OK");
  EXPECT_EQ(waiter.get(), WaitResult::Readable);
}

TEST_F(SerialPortTest, CancelWakesAWaitingReaderAtOnce) {
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  std::promise<void> waiting;
  auto waiter = std::async(std::launch::async, [&] {
    waiting.set_value();
    return port.WaitForInput();  // no time-out: only the cancel can end it
  });
  waiting.get_future().wait();
  std::this_thread::sleep_for(100ms);
  const auto cancelledAt = Clock::now();
  port.CancelWait();
  ASSERT_EQ(waiter.wait_for(2s), std::future_status::ready);
  EXPECT_EQ(waiter.get(), WaitResult::Cancelled);
  EXPECT_LT(Clock::now() - cancelledAt, 500ms);
}

TEST_F(SerialPortTest, CancelHoldsUntilTheNextOpen) {
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  port.CancelWait();
  EXPECT_EQ(port.WaitForInput(), WaitResult::Cancelled);
  EXPECT_EQ(port.WaitForInput(1000ms), WaitResult::Cancelled);
  port.Close();
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  EXPECT_EQ(port.WaitForInput(30ms), WaitResult::TimedOut);
}

void IgnoreSignal(int) {}

TEST_F(SerialPortTest, SignalDoesNotCutAWaitShort) {
  struct sigaction action {};
  action.sa_handler = IgnoreSignal;  // no SA_RESTART: poll() sees EINTR
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  std::promise<pthread_t> started;
  auto waiter = std::async(std::launch::async, [&] {
    started.set_value(pthread_self());
    return port.WaitForInput(400ms);
  });
  pthread_t thread = started.get_future().get();
  const auto start = Clock::now();
  for (int i = 0; i < 5; ++i) {
    std::this_thread::sleep_for(30ms);
    pthread_kill(thread, SIGUSR1);
  }
  EXPECT_EQ(waiter.get(), WaitResult::TimedOut);
  EXPECT_GE(Clock::now() - start, 350ms);
  sigaction(SIGUSR1, &previous, nullptr);
}

// A reader that waits, drains and waits again, as a link's reader does, must stop at a
// hang-up instead of spinning on a descriptor that is readable forever.
TEST_F(SerialPortTest, HangUpEndsTheReaderWithoutSpinning) {
  ASSERT_EQ(port.Open(pty.SlavePath(), 115200), OpenResult::Opened);
  struct Outcome {
    WaitResult last;
    int rounds;
    std::chrono::nanoseconds cpu;
  };
  auto reader = std::async(std::launch::async, [&] {
    const auto cpuStart = ThreadCpuTime();
    const auto giveUp = Clock::now() + 1500ms;  // a spinning reader burns this much
    char buffer[2048];
    int rounds = 0;
    WaitResult result;
    while ((result = port.WaitForInput(1500ms)) == WaitResult::Readable && ++rounds &&
           Clock::now() < giveUp) {
      while (port.ReadQueued(buffer, sizeof buffer) > 0) {
      }
    }
    return Outcome{result, rounds, ThreadCpuTime() - cpuStart};
  });
  std::this_thread::sleep_for(100ms);
  WriteToMaster(pty, "some text first");
  std::this_thread::sleep_for(300ms);
  pty.HangUp();

  ASSERT_EQ(reader.wait_for(3s), std::future_status::ready);
  Outcome outcome = reader.get();
  EXPECT_EQ(outcome.last, WaitResult::HungUp);
  EXPECT_LE(outcome.rounds, 3);
  // The reader lived ~400 ms; blocked in poll() it used next to no processor time.
  EXPECT_LT(outcome.cpu, 50ms);

  // Later waits report the hang-up at once and reads find nothing.
  char buffer[16];
  EXPECT_EQ(port.WaitForInput(1000ms), WaitResult::HungUp);
  EXPECT_EQ(port.ReadQueued(buffer, sizeof buffer), 0u);
  port.Close();
}

}  // namespace
