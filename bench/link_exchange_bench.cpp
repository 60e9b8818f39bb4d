// One command/reply exchange through CCommLink against the raw round trip of the same
// pseudo-terminal pair, measured in the same run. The far end answers every line with
// "OK"; the ratio of the two is printed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "link/comm_link.h"
#include "platform/pseudo_terminal.h"

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kCommand = "AT$ATHP=1\r\n";
constexpr std::string_view kReply = "AT$ATHP=1\r\r\nOK\r\n";

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd out{fd, POLLOUT, 0};
    if (::poll(&out, 1, 1000) <= 0) return false;
  }
  return true;
}

// The far end: answers each complete line at once.
class EchoAdapter {
 public:
  EchoAdapter() {
    responder_ = std::jthread([this](std::stop_token stop) { Serve(stop); });
  }
  const std::filesystem::path& SlavePath() const { return pty_.SlavePath(); }

 private:
  void Serve(std::stop_token stop) {
    std::string line;
    char buffer[256];
    while (!stop.stop_requested()) {
      pollfd in{pty_.MasterFd(), POLLIN, 0};
      if (::poll(&in, 1, 50) <= 0) continue;
      const ssize_t n = ::read(pty_.MasterFd(), buffer, sizeof buffer);
      if (n <= 0) continue;
      line.append(buffer, static_cast<std::size_t>(n));
      for (auto end = line.find('\n'); end != std::string::npos; end = line.find('\n')) {
        line.erase(0, end + 1);
        WriteAll(pty_.MasterFd(), kReply);
      }
    }
  }

  platform::PseudoTerminal pty_;
  std::jthread responder_;
};

// The adapter on COM1 of a private ports directory, for the whole run.
struct Line {
  Line() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-bench-XXXXXX").string();
    portsDir = ::mkdtemp(pattern.data());
    std::filesystem::create_symlink(adapter.SlavePath(), portsDir / "COM1");
    ::setenv("QUORVEL_PORTS_DIR", portsDir.c_str(), 1);
  }
  ~Line() {
    std::error_code ignored;
    std::filesystem::remove_all(portsDir, ignored);
  }
  EchoAdapter adapter;
  std::filesystem::path portsDir;
};

Line& TheLine() {
  static Line line;
  return line;
}

class Owner : public CLinkOwner {
 public:
  ReplySlot Slot(OwnerKind kind) override {
    return kind == OwnerKind::PhonePage ? ReplySlot{&readOut, &reply, &done} : ReplySlot{};
  }
  ReceiveBuffer readOut{};
  std::string reply;
  platform::AutoResetEvent done;
};

// Write on the slave, poll-read until the reply is complete.
void BM_RawRoundTrip(benchmark::State& state) {
  const int fd = ::open(TheLine().adapter.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return;
  }
  std::string got;
  char buffer[256];
  for (auto _ : state) {
    got.clear();
    WriteAll(fd, kCommand);
    while (got.find("OK") == std::string::npos) {
      pollfd in{fd, POLLIN, 0};
      if (::poll(&in, 1, 1000) <= 0) break;
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
    benchmark::DoNotOptimize(got.data());
  }
  ::close(fd);
}

// The same exchange as an owner runs it: receive mode 1, Write, wait on the event.
void BM_LinkExchange(benchmark::State& state) {
  TheLine();
  Owner owner;
  CCommLink link;
  link.SetOwner(&owner);
  link.SetReceiveMode(kModePhoneWrite);
  link.Configure(1, 115200, 8, 0, 0);
  link.CreateEvents();
  if (link.Open() != 1) {
    state.SkipWithError("cannot open the link");
    return;
  }
  for (auto _ : state) {
    link.Write(kCommand.data(), kCommand.size());
    if (!owner.done.Wait(1000ms)) {
      state.SkipWithError("no reply");
      break;
    }
  }
  link.Close();
}

// Repetitions, interleaved at random by default (see main), so that the load of the
// machine falls on both alike.
BENCHMARK(BM_RawRoundTrip)->UseRealTime()->MinTime(0.1)->Repetitions(20);
BENCHMARK(BM_LinkExchange)->UseRealTime()->MinTime(0.1)->Repetitions(20);

// Prints as usual and keeps the median real time per iteration of each benchmark (the
// single run's time when there are no repetitions).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string& name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        medianNs[name] = run.GetAdjustedRealTime();
      } else if (run.run_type == Run::RT_Iteration && run.repetitions <= 1) {
        medianNs[name] = run.GetAdjustedRealTime();
      }
    }
  }
  std::map<std::string, double> medianNs;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  char aggregatesOnly[] = "--benchmark_report_aggregates_only=true";
  args.insert(args.begin() + 1, {interleave, aggregatesOnly});  // the command line may override
  argc = static_cast<int>(args.size());
  argv = args.data();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const auto raw = reporter.medianNs.find("BM_RawRoundTrip");
  const auto link = reporter.medianNs.find("BM_LinkExchange");
  if (raw != reporter.medianNs.end() && link != reporter.medianNs.end() && raw->second > 0) {
    std::printf("link exchange / raw round trip = %.2f (aim: at most 1.5)\n",
                link->second / raw->second);
  }
  return 0;
}
