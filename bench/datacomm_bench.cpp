// Data-communication settings: verification and parsing of a read-out that fills the
// 4000-byte receive buffer, and one whole AODI write through the session against an
// instantly answering simulated adapter, beside the 16 raw command/reply round trips
// that write needs on the same pseudo-terminal pair, measured in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/registry/port_settings.h"
#include "datacomm/core/crc16_x25.h"
#include "datacomm/core/data_comm_commands.h"
#include "datacomm/core/data_comm_parse.h"
#include "datacomm/core/data_comm_session.h"
#include "datacomm/core/read_out.h"
#include "link/comm_link.h"
#include "sim/sim_adapter.h"

namespace {

// A valid read-out of 3999 bytes or a little less: echo, the data-communication keys,
// telephone keys as filler, "OK".
std::string FullReadOut() {
  std::string text = "AT$OUTCUR\r\n";
  auto add = [&text](const std::string& line) {
    text += line + "\r\n" + std::to_string(Crc16X25(line)) + "\r\n";
  };
  for (const char* line : {"AT$Z=0", "AT$MLSCTM=600", "AT$MLTHP=080020", "AT$MLOND=5",
                           "AT$MLCLD=6", "AT$MLTPF=1", "AT$DISC=2", "AT$SCTM=180",
                           "AT$ATHP=050030", "AT$BTHP=070010", "AT$AOND=10", "AT$BOND=11",
                           "AT$ACLD=12", "AT$BCLD=13", "AT$HFML=0"}) {
    add(line);
  }
  for (int i = 0;; ++i) {
    const std::string line = "AT%A" + std::string(1, static_cast<char>('A' + i % 26)) +
                             std::to_string(i) + "=0512345678901234";
    if (text.size() + line.size() + 9 + 4 > kReceiveBufferSize - 1) break;
    add(line);
  }
  return text + "OK\r\n";
}

void BM_VerifyReadOut(benchmark::State& state) {
  const std::string text = FullReadOut();
  for (auto _ : state) benchmark::DoNotOptimize(VerifyTaData(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["bytes"] = static_cast<double>(text.size());
}

void BM_VerifyAndParseReadOut(benchmark::State& state) {
  const std::string text = FullReadOut();
  if (!VerifyTaData(text)) state.SkipWithError("read-out does not verify");
  for (auto _ : state) {
    DataCommSettings settings;
    std::int32_t on = 0;
    if (VerifyTaData(text)) ParseTaData(text, DataCommVariant::Aodi, settings, on);
    benchmark::DoNotOptimize(settings);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// The simulated adapter on COM1 of its own ports directory, for the whole run.
struct Line {
  Line() : adapter(sim::Options{}) {
    adapter.Start();
    ::setenv("QUORVEL_PORTS_DIR", adapter.PortsDir().c_str(), 1);
    currentPort = 1;
    currentSpeed = 115200;
    aodiCapable = 1;
  }
  sim::SimAdapter adapter;
};

Line& TheLine() {
  static Line line;
  return line;
}

DataCommSettings Record() {
  DataCommSettings s;
  s.idleDisconnect = 2;
  s.billingInterval = {180, 600};
  s.openThreshold = {50, 60, 70};
  s.closeThreshold = {5, 6, 7};
  return s;
}

// The whole write as the dialog's OK runs it: open, 16 commands with their replies, close.
void BM_AodiWrite(benchmark::State& state) {
  Line& line = TheLine();
  CDataCommSession session(DataCommVariant::Aodi);
  std::int64_t done = 0;
  for (auto _ : state) {
    DataCommSettings settings = Record();
    if (session.WriteTaData(settings, 1) != 1) {
      state.SkipWithError("write failed");
      break;
    }
    if (++done % 256 == 0) line.adapter.ClearLog();
  }
}

// What the write pays besides its commands: opening and closing the link once.
void BM_LinkOpenClose(benchmark::State& state) {
  TheLine();
  CCommLink link;
  for (auto _ : state) {
    link.Configure(1, 115200, 8, 0, 0);
    link.CreateEvents();
    if (link.Open() != 1) {
      state.SkipWithError("cannot open the link");
      break;
    }
    link.Close();
  }
}

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

bool AwaitOk(int fd) {
  std::string got;
  char buffer[256];
  while (got.find("OK") == std::string::npos) {
    pollfd in{fd, POLLIN, 0};
    if (::poll(&in, 1, 1000) <= 0) return false;
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

// The same 16 commands written and answered on a plain raw descriptor of the same line.
void BM_RawSixteenRoundTrips(benchmark::State& state) {
  Line& line = TheLine();
  std::vector<std::string> commands;
  for (const WriteStep& step : WriteSequence(DataCommVariant::Aodi)) {
    commands.push_back(FormatCommand(step, Record()));
  }
  const int fd = ::open(line.adapter.SlavePath("COM1").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios tio{};
  if (fd < 0 || ::tcgetattr(fd, &tio) != 0) {
    state.SkipWithError("cannot open the pseudo-terminal");
    if (fd >= 0) ::close(fd);
    return;
  }
  ::cfmakeraw(&tio);
  ::cfsetspeed(&tio, B115200);
  ::tcsetattr(fd, TCSANOW, &tio);
  std::int64_t done = 0;
  for (auto _ : state) {
    for (const std::string& command : commands) {
      if (!WriteAll(fd, command) || !AwaitOk(fd)) {
        state.SkipWithError("no reply");
        break;
      }
    }
    if (++done % 256 == 0) line.adapter.ClearLog();
  }
  ::close(fd);
}

BENCHMARK(BM_VerifyReadOut);
BENCHMARK(BM_VerifyAndParseReadOut);
BENCHMARK(BM_RawSixteenRoundTrips)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_AodiWrite)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_LinkOpenClose)->UseRealTime()->MinTime(1.0);

// Prints as usual and keeps the real time per iteration of each benchmark.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        realNs[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
  }
  std::map<std::string, double> realNs;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const auto raw = reporter.realNs.find("BM_RawSixteenRoundTrips");
  const auto write = reporter.realNs.find("BM_AodiWrite");
  if (raw != reporter.realNs.end() && write != reporter.realNs.end() && raw->second > 0) {
    std::printf("AODI write / 16 raw round trips = %.2f\n", write->second / raw->second);
  }
  const auto open = reporter.realNs.find("BM_LinkOpenClose");
  if (raw != reporter.realNs.end() && write != reporter.realNs.end() &&
      open != reporter.realNs.end() && raw->second > 0) {
    std::printf("AODI write without one open+close / 16 raw round trips = %.2f\n",
                (write->second - open->second) / raw->second);
  }
  return 0;
}
