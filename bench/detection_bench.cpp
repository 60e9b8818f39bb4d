// Detection with the adapter on the remembered port, against the raw probe round trip on
// the same simulated adapter. The detection should cost about two round trips (the probe
// and the AODI query) plus an open and a close, never a fixed wait; the ratio is printed
// at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

#include "app/registry/port_settings.h"
#include "link/comm_link.h"
#include "link/detection.h"
#include "sim/sim_adapter.h"

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kProbe = "\rAT*MRNIX\r\n";

// The simulated adapter on COM1 at 115200 bit/s of a private ports directory.
struct Adapter {
  Adapter() : sim(Options(), MakePortsDir()) {
    ::setenv("QUORVEL_PORTS_DIR", sim.PortsDir().c_str(), 1);
    started = sim.Start();
  }
  ~Adapter() {
    sim.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(sim.PortsDir().parent_path(), ignored);
  }
  static sim::Options Options() {
    sim::Options options;
    options.adapterPort = "COM1";
    options.speeds = {115200};
    return options;
  }
  static std::filesystem::path MakePortsDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quorvel-bench-XXXXXX").string();
    return std::filesystem::path(::mkdtemp(pattern.data())) / "ports";
  }
  sim::SimAdapter sim;
  bool started = false;
};

Adapter& TheAdapter() {
  static Adapter adapter;
  return adapter;
}

int OpenRawSlave() {
  const int fd = ::open(TheAdapter().sim.SlavePath("COM1").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios settings{};
  if (fd < 0 || ::tcgetattr(fd, &settings) != 0) return fd;
  ::cfmakeraw(&settings);
  ::cfsetspeed(&settings, B115200);
  ::tcsetattr(fd, TCSANOW, &settings);
  return fd;
}

// The probe written on the raw slave, read back until the answer is complete.
void BM_RawProbeRoundTrip(benchmark::State& state) {
  if (!TheAdapter().started) return state.SkipWithError("no simulated adapter");
  const int fd = OpenRawSlave();
  if (fd < 0) return state.SkipWithError("cannot open the pseudo-terminal");
  std::string got;
  char buffer[256];
  for (auto _ : state) {
    got.clear();
    if (::write(fd, kProbe.data(), kProbe.size()) != static_cast<ssize_t>(kProbe.size())) {
      state.SkipWithError("write failed");
      break;
    }
    while (got.find("OK") == std::string::npos) {
      pollfd in{fd, POLLIN, 0};
      if (::poll(&in, 1, 1000) <= 0) break;
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
    if (got.find("OK") == std::string::npos) {
      state.SkipWithError("no answer");
      break;
    }
  }
  ::close(fd);
}

// The whole start-up detection: open, probe, AODI query, close.
void BM_DetectAdapterRemembered(benchmark::State& state) {
  if (!TheAdapter().started) return state.SkipWithError("no simulated adapter");
  CCommLink link;
  for (auto _ : state) {
    currentPort = 1;
    currentSpeed = 115200;
    if (DetectAdapter(link) != 1) {
      state.SkipWithError("adapter not found on the remembered port");
      break;
    }
  }
}

BENCHMARK(BM_RawProbeRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_DetectAdapterRemembered)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);

// Prints as usual and keeps the real time per iteration of each benchmark.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        realTime[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
  }
  std::map<std::string, double> realTime;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const auto raw = reporter.realTime.find("BM_RawProbeRoundTrip");
  const auto detect = reporter.realTime.find("BM_DetectAdapterRemembered");
  if (raw != reporter.realTime.end() && detect != reporter.realTime.end() && raw->second > 0) {
    std::printf("detection on the remembered port / raw probe round trip = %.2f "
                "(about 2: the probe and the AODI query, plus open and close)\n",
                detect->second / raw->second);
  }
  return 0;
}
