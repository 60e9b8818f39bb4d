// One command/reply exchange through CCommLink against the raw round trip of the same
// pseudo-terminal pair, measured in the same run. The far end answers every line with
// "OK"; the ratio of the two is printed at the end.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

#include "bench_support.h"
#include "link/comm_link.h"
#include "platform/eintr.h"
#include "platform/pseudo_terminal.h"

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kCommand = "AT$ATHP=1\r\n";
constexpr std::string_view kReply = "AT$ATHP=1\r\r\nOK\r\n";

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
      if (platform::RetryOnEintr([&] { return ::poll(&in, 1, 50); }) <= 0) continue;
      const ssize_t n =
          platform::RetryOnEintr([&] { return ::read(pty_.MasterFd(), buffer, sizeof buffer); });
      if (n <= 0) continue;
      line.append(buffer, static_cast<std::size_t>(n));
      for (auto end = line.find('\n'); end != std::string::npos; end = line.find('\n')) {
        line.erase(0, end + 1);
        bench::WriteAll(pty_.MasterFd(), kReply);
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
  bench::RawLine line(TheLine().adapter.SlavePath());
  if (!line.IsOpen()) return state.SkipWithError("cannot open the pseudo-terminal");
  for (auto _ : state) {
    if (!line.RoundTrip(kCommand)) {
      state.SkipWithError("no reply");
      break;
    }
  }
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

}  // namespace

int main(int argc, char** argv) {
  return bench::RunThenPrint(
      argc, argv,
      [](const bench::Timings& timings) {
        if (auto ratio = timings.Ratio("BM_LinkExchange", "BM_RawRoundTrip")) {
          std::printf("link exchange / raw round trip = %.2f (aim: at most 1.5)\n", *ratio);
        }
      },
      {"--benchmark_enable_random_interleaving=true", "--benchmark_report_aggregates_only=true"});
}
