#include "sim/sim_adapter.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/eintr.h"
#include "platform/pseudo_terminal.h"
#include "sim/adapter_commands.h"
#include "sim/reply_schedule.h"

namespace sim {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const std::array<const char*, 5> kPortNames = {"COM1", "COM2", "COM3", "COM4", "TELNET"};

// A line longer than any command is noise; it is cut so that a stream without line
// ends cannot grow without bound.
constexpr std::size_t kMaxLine = 4096;

fs::path MakeTempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/quorvel-sim-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

void Signal(int fd) {
  const std::uint64_t one = 1;
  platform::RetryOnEintr([&] { return ::write(fd, &one, sizeof one); });
}

void Drain(int fd) {
  std::uint64_t count;
  platform::RetryOnEintr([&] { return ::read(fd, &count, sizeof count); });
}

}  // namespace

struct PortState {
  std::string name;
  std::unique_ptr<platform::PseudoTerminal> pty;
  fs::path link;        // the ports-directory entry we made
  fs::path slavePath;
  bool isAdapter = false;
  std::string raw;      // everything received since the start or ClearLog()
  std::string line;     // the command being collected
  std::optional<std::size_t> lastLogEntry;  // where a CR's following LF is added
  bool lastEndedWithCr = false;
  ReplySchedule schedule;
};

struct SimAdapter::Impl {
  mutable std::mutex mutex;
  std::condition_variable changed;
  Options options;
  fs::path portsDir;
  bool madeDir = false;
  std::vector<PortState> ports;  // built by Start() before the thread runs
  AdapterCommands commands;
  std::vector<Received> log;
  std::vector<std::string> commandLog;
  int replies = 0;  // since Start() or SetOptions(): what dropAfter/hangUpAfter count

  std::thread thread;
  int wakeFd = -1;
  bool running = false;
  bool stopRequested = false;
  bool hangUpRequested = false;

  // --- service thread (mutex held) ---
  void Serve(std::unique_lock<std::mutex>& lock);
  void ReadFrom(PortState& port);
  void Collect(PortState& port, std::string_view chunk);
  void OnCommand(PortState& port, const std::string& line, std::optional<std::uint32_t> speed);
  void QueueReply(PortState& port, const std::string& reply);
  void HangUpPort(PortState& port);
  PortState* AdapterPort();

  void CloseAll();
};

PortState* SimAdapter::Impl::AdapterPort() {
  for (auto& port : ports) {
    if (port.isAdapter) return &port;
  }
  return nullptr;
}

void SimAdapter::Impl::HangUpPort(PortState& port) {
  port.schedule.Clear();
  if (port.pty) port.pty->HangUp();
  // The slave's name may be handed to another terminal now; nobody should open it by us.
  std::error_code ec;
  if (!port.link.empty()) fs::remove(port.link, ec);
}

void SimAdapter::Impl::QueueReply(PortState& port, const std::string& reply) {
  const Clock::time_point earliest = Clock::now() + options.replyDelay;
  const bool hangUpSet = options.hangUpAfter >= 0;
  if (hangUpSet && replies >= options.hangUpAfter) {
    if (options.hangUpMidReply) {
      port.schedule.Add(reply.substr(0, reply.size() / 2), earliest, options.splitReplies,
                        options.splitGap);
    }
    port.schedule.AddHangUp(earliest);
    return;
  }
  port.schedule.Add(reply, earliest, options.splitReplies, options.splitGap);
  ++replies;
  if (hangUpSet && replies >= options.hangUpAfter && !options.hangUpMidReply) {
    port.schedule.AddHangUp(earliest);
  }
}

void SimAdapter::Impl::OnCommand(PortState& port, const std::string& line,
                                 std::optional<std::uint32_t> speed) {
  if (!speed || options.speeds.count(*speed) == 0) return;  // garbage at the wrong speed
  if (port.schedule.HangUpQueued()) return;
  if (options.dropAfter >= 0 && replies >= options.dropAfter) return;
  const std::string key = CommandKey(line);
  auto listed = [&](const std::set<std::string>& keys) {
    return std::any_of(keys.begin(), keys.end(),
                       [&](const std::string& k) { return CommandKey(k) == key; });
  };
  if (listed(options.silentCommands)) return;
  std::optional<std::string> reply = listed(options.errorCommands)
                                         ? std::string(kReplyError)
                                         : commands.Handle(line, options);
  if (reply) QueueReply(port, *reply);
}

// Cuts the stream into lines at CR or LF. The log keeps each line with its line end
// (a CR's following LF included); empty lines are no commands.
void SimAdapter::Impl::Collect(PortState& port, std::string_view chunk) {
  port.raw.append(chunk);
  for (char c : chunk) {
    if (c != '\r' && c != '\n') {
      if (port.line.size() < kMaxLine) port.line += c;
      continue;
    }
    if (port.line.empty()) {
      if (c == '\n' && port.lastEndedWithCr && port.lastLogEntry) {
        log[*port.lastLogEntry].bytes += c;
      }
      port.lastEndedWithCr = false;
      continue;
    }
    const std::optional<std::uint32_t> speed = port.pty->SlaveSpeed();
    port.lastLogEntry = log.size();
    port.lastEndedWithCr = c == '\r';
    log.push_back({port.name, speed, port.line + c, Clock::now()});
    const std::string line = std::move(port.line);
    port.line.clear();
    if (port.isAdapter) {
      commandLog.push_back(line);
      OnCommand(port, line, speed);
    }
  }
}

void SimAdapter::Impl::ReadFrom(PortState& port) {
  char buffer[4096];
  for (;;) {
    const int fd = port.pty->MasterFd();
    ssize_t n = platform::RetryOnEintr([&] { return ::read(fd, buffer, sizeof buffer); });
    if (n > 0) {
      Collect(port, std::string_view(buffer, static_cast<std::size_t>(n)));
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    // The line is broken (it cannot be while we hold the slave open): stop serving it
    // rather than spin on an endless error.
    HangUpPort(port);
    return;
  }
}

void SimAdapter::Impl::Serve(std::unique_lock<std::mutex>& lock) {
  std::vector<pollfd> fds;
  std::vector<PortState*> polled;
  while (!stopRequested) {
    const Clock::time_point now = Clock::now();
    if (hangUpRequested) {
      if (PortState* adapter = AdapterPort()) HangUpPort(*adapter);
      hangUpRequested = false;
      changed.notify_all();
    }
    std::optional<Clock::time_point> wake;
    fds.assign(1, pollfd{wakeFd, POLLIN, 0});
    polled.clear();
    for (auto& port : ports) {
      if (!port.pty || !port.pty->IsOpen()) continue;
      const platform::PseudoTerminal& pty = *port.pty;
      if (port.schedule.Flush(pty.MasterFd(), now, [&pty] { return pty.UnreadBySlave(); })) {
        HangUpPort(port);
        continue;
      }
      short events = POLLIN;
      if (port.schedule.WaitingForRoom()) events |= POLLOUT;
      if (auto next = port.schedule.NextWake()) wake = wake ? std::min(*wake, *next) : *next;
      fds.push_back({port.pty->MasterFd(), events, 0});
      polled.push_back(&port);
    }
    int timeoutMs = -1;
    if (wake) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(*wake - Clock::now()).count();
      timeoutMs = static_cast<int>(std::clamp<long long>(left, 0, 60'000));
    }
    lock.unlock();
    int ready = ::poll(fds.data(), fds.size(), timeoutMs);
    lock.lock();
    if (ready <= 0) continue;  // time-out or EINTR: the loop head does what is due
    if (fds[0].revents & POLLIN) Drain(wakeFd);
    for (std::size_t i = 1; i < fds.size(); ++i) {
      PortState& port = *polled[i - 1];
      if (!port.pty->IsOpen()) continue;
      if (fds[i].revents & (POLLIN | POLLERR | POLLHUP)) ReadFrom(port);
    }
  }
}

void SimAdapter::Impl::CloseAll() {
  std::error_code ec;
  for (auto& port : ports) {
    if (port.pty) port.pty->HangUp();
    if (!port.link.empty()) fs::remove(port.link, ec);
  }
  ports.clear();
}

SimAdapter::SimAdapter(Options options, fs::path portsDir) : impl_(std::make_unique<Impl>()) {
  impl_->options = std::move(options);
  if (portsDir.empty()) {
    impl_->portsDir = MakeTempDir();
    impl_->madeDir = !impl_->portsDir.empty();
  } else {
    std::error_code ec;
    impl_->madeDir = fs::create_directories(portsDir, ec);
    impl_->portsDir = std::move(portsDir);
  }
}

SimAdapter::~SimAdapter() {
  Stop();
  if (impl_->madeDir) {
    std::error_code ec;
    fs::remove_all(impl_->portsDir, ec);
  }
}

bool SimAdapter::Start() {
  std::unique_lock lock(impl_->mutex);
  if (impl_->running) return true;
  if (impl_->portsDir.empty()) return false;
  for (const char* name : kPortNames) {
    PortState port;
    port.name = name;
    port.isAdapter = impl_->options.adapterPort == name;
    port.pty = std::make_unique<platform::PseudoTerminal>();
    if (!port.pty->IsOpen()) {
      impl_->CloseAll();
      return false;
    }
    port.slavePath = port.pty->SlavePath();
    const fs::path link = impl_->portsDir / name;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(link, ec))) fs::remove(link, ec);
    fs::create_symlink(port.slavePath, link, ec);
    if (ec) {
      impl_->CloseAll();
      return false;
    }
    port.link = link;
    impl_->ports.push_back(std::move(port));
  }
  impl_->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (impl_->wakeFd < 0) {
    impl_->CloseAll();
    return false;
  }
  impl_->replies = 0;
  impl_->stopRequested = false;
  impl_->running = true;
  impl_->thread = std::thread([impl = impl_.get()] {
    std::unique_lock serviceLock(impl->mutex);
    impl->Serve(serviceLock);
  });
  return true;
}

void SimAdapter::Stop() {
  {
    std::unique_lock lock(impl_->mutex);
    if (!impl_->running) return;
    impl_->stopRequested = true;
    Signal(impl_->wakeFd);
  }
  impl_->thread.join();
  std::unique_lock lock(impl_->mutex);
  impl_->running = false;
  impl_->hangUpRequested = false;
  impl_->changed.notify_all();
  ::close(impl_->wakeFd);
  impl_->wakeFd = -1;
  impl_->CloseAll();
}

const fs::path& SimAdapter::PortsDir() const { return impl_->portsDir; }

fs::path SimAdapter::SlavePath(const std::string& port) const {
  std::unique_lock lock(impl_->mutex);
  for (const auto& p : impl_->ports) {
    if (p.name == port) return p.slavePath;
  }
  return {};
}

void SimAdapter::SetOptions(const Options& options) {
  std::unique_lock lock(impl_->mutex);
  const std::string adapterPort = impl_->options.adapterPort;
  impl_->options = options;
  impl_->options.adapterPort = adapterPort;
  impl_->replies = 0;
}

Options SimAdapter::CurrentOptions() const {
  std::unique_lock lock(impl_->mutex);
  return impl_->options;
}

std::vector<Received> SimAdapter::Log() const {
  std::unique_lock lock(impl_->mutex);
  return impl_->log;
}

std::vector<std::string> SimAdapter::Commands() const {
  std::unique_lock lock(impl_->mutex);
  return impl_->commandLog;
}

std::string SimAdapter::RawBytes(const std::string& port) const {
  std::unique_lock lock(impl_->mutex);
  for (const auto& p : impl_->ports) {
    if (p.name == port) return p.raw;
  }
  return {};
}

void SimAdapter::ClearLog() {
  std::unique_lock lock(impl_->mutex);
  impl_->log.clear();
  impl_->commandLog.clear();
  for (auto& port : impl_->ports) {
    port.raw.clear();
    port.lastLogEntry.reset();
    port.lastEndedWithCr = false;
  }
}

std::map<std::string, std::string> SimAdapter::Settings() const {
  std::unique_lock lock(impl_->mutex);
  return impl_->commands.Settings().All();
}

void SimAdapter::SetSetting(const std::string& key, const std::string& value) {
  std::unique_lock lock(impl_->mutex);
  impl_->commands.Settings().Put(key, value);
}

std::optional<std::string> SimAdapter::Setting(const std::string& key) const {
  std::unique_lock lock(impl_->mutex);
  return impl_->commands.Settings().Get(key);
}

std::string SimAdapter::ClockDate() const {
  std::unique_lock lock(impl_->mutex);
  return impl_->commands.ClockDate();
}

std::string SimAdapter::ClockTime() const {
  std::unique_lock lock(impl_->mutex);
  return impl_->commands.ClockTime();
}

int SimAdapter::StoreCount() const {
  std::unique_lock lock(impl_->mutex);
  return impl_->commands.StoreCount();
}

int SimAdapter::ResetCount() const {
  std::unique_lock lock(impl_->mutex);
  return impl_->commands.ResetCount();
}

void SimAdapter::HangUp() {
  std::unique_lock lock(impl_->mutex);
  if (!impl_->running) {
    if (PortState* adapter = impl_->AdapterPort()) impl_->HangUpPort(*adapter);
    return;
  }
  // The service thread may be inside poll() on this descriptor: it closes it itself.
  impl_->hangUpRequested = true;
  Signal(impl_->wakeFd);
  impl_->changed.wait(lock, [&] { return !impl_->hangUpRequested || !impl_->running; });
}

}  // namespace sim
