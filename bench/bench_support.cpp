#include "bench_support.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>

#include "app/registry/port_settings.h"
#include "platform/eintr.h"

namespace bench {
namespace {

using namespace std::chrono_literals;
using platform::RetryOnEintr;

bool WaitFor(int fd, short events) {
  pollfd wanted{fd, events, 0};
  return RetryOnEintr([&] { return ::poll(&wanted, 1, 1000); }) > 0;
}

// `readSome(buffer, capacity)` gives the bytes it read (0: none yet), or nothing when
// no more will come.
template <typename ReadSome>
bool CollectUntilOk(ReadSome readSome) {
  std::string got;
  char buffer[256];
  while (got.find("OK") == std::string::npos) {
    const std::optional<std::size_t> n = readSome(buffer, sizeof buffer);
    if (!n) return false;
    got.append(buffer, *n);
  }
  return true;
}

}  // namespace

RawLine::RawLine(const std::filesystem::path& slave) {
  const int fd = RetryOnEintr(
      [&] { return ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); });
  if (fd < 0) return;
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0) {
    ::close(fd);
    return;
  }
  ::cfmakeraw(&settings);
  ::cfsetspeed(&settings, B115200);
  if (RetryOnEintr([&] { return ::tcsetattr(fd, TCSANOW, &settings); }) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
}

RawLine::~RawLine() {
  if (fd_ >= 0) ::close(fd_);
}

bool RawLine::RoundTrip(std::string_view command) {
  if (!WriteAll(fd_, command)) return false;
  return CollectUntilOk([this](char* buffer, std::size_t capacity) -> std::optional<std::size_t> {
    if (!WaitFor(fd_, POLLIN)) return std::nullopt;
    const ssize_t n = RetryOnEintr([&] { return ::read(fd_, buffer, capacity); });
    if (n > 0) return static_cast<std::size_t>(n);
    if (n < 0 && errno == EAGAIN) return 0;
    return std::nullopt;  // hung up: polling again would only spin
  });
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = RetryOnEintr([&] { return ::write(fd, bytes.data(), bytes.size()); });
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno != EAGAIN) return false;
    if (!WaitFor(fd, POLLOUT)) return false;
  }
  return true;
}

bool AwaitOk(platform::SerialPort& port) {
  return CollectUntilOk([&port](char* buffer, std::size_t capacity) -> std::optional<std::size_t> {
    if (port.WaitForInput(1000ms) != platform::WaitResult::Readable) return std::nullopt;
    return port.ReadQueued(buffer, capacity);
  });
}

SimLine::SimLine() : adapter(sim::Options{}) {
  started = adapter.Start();
  ::setenv("QUORVEL_PORTS_DIR", adapter.PortsDir().c_str(), 1);
  currentPort = 1;
  currentSpeed = 115200;
}

void Timings::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.error_occurred) continue;
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
    if (!median && !single) continue;
    // In nanoseconds whatever unit the benchmark prints in, so that any two compare.
    realNs_[run.run_name.function_name] =
        run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
  }
}

std::optional<double> Timings::RealNs(const std::string& benchmark) const {
  const auto found = realNs_.find(benchmark);
  if (found == realNs_.end()) return std::nullopt;
  return found->second;
}

std::optional<double> Timings::Ratio(const std::string& numerator,
                                     const std::string& denominator) const {
  const std::optional<double> top = RealNs(numerator);
  const std::optional<double> bottom = RealNs(denominator);
  if (!top || !bottom || *bottom <= 0) return std::nullopt;
  return *top / *bottom;
}

int RunThenPrint(int argc, char** argv, const std::function<void(const Timings&)>& print,
                 std::vector<std::string> defaultFlags) {
  std::vector<char*> args{argv[0]};
  for (std::string& flag : defaultFlags) args.push_back(flag.data());
  args.insert(args.end(), argv + 1, argv + argc);
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  Timings timings;
  benchmark::RunSpecifiedBenchmarks(&timings);
  benchmark::Shutdown();
  print(timings);
  return 0;
}

}  // namespace bench
