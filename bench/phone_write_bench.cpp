// A telephone port's whole write (41 lines, each waiting for its acknowledgement, the
// port opened and closed around them) against 41 raw round trips of the same lines on
// the same pseudo-terminal pair, measured in the same run. The simulated adapter answers
// at once; the ratio of the two is printed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/registry/port_settings.h"
#include "phone/core/phone_commands.h"
#include "phone/core/phone_page_link.h"
#include "platform/serial_port.h"
#include "sim/sim_adapter.h"

namespace {

using namespace std::chrono_literals;

PhonePortSettings Record() {
  PhonePortSettings record;
  record.forwardNumber = "0101234567";
  record.forwardWaitText = "15";
  record.speedDial[3] = "0512345678";
  record.selectiveNumbers[9] = "0319999";
  return record;
}

// The adapter on COM1 of its own ports directory, for the whole run.
sim::SimAdapter& TheAdapter() {
  static sim::SimAdapter adapter{sim::Options{}};
  return adapter;
}

bool StartAdapter(benchmark::State& state) {
  static const bool started = [] {
    if (!TheAdapter().Start()) return false;
    ::setenv("QUORVEL_PORTS_DIR", TheAdapter().PortsDir().c_str(), 1);
    currentPort = 1;
    currentSpeed = 115200;
    return true;
  }();
  if (!started) state.SkipWithError("cannot start the simulated adapter");
  return started;
}

// The same 41 lines, each written and its "OK" read back before the next.
void BM_Raw41RoundTrips(benchmark::State& state) {
  if (!StartAdapter(state)) return;
  const std::vector<PortCommand> commands = BuildPortCommands(Record(), 'B', 0);
  platform::SerialPort port;
  if (port.Open(TheAdapter().SlavePath("COM1"), 115200) != platform::OpenResult::Opened) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return;
  }
  std::string got;
  char buffer[256];
  for (auto _ : state) {
    for (const PortCommand& command : commands) {
      got.clear();
      port.Write(command.line.data(), command.line.size());
      while (got.find("OK") == std::string::npos) {
        if (port.WaitForInput(1000ms) != platform::WaitResult::Readable) break;
        got.append(buffer, port.ReadQueued(buffer, sizeof buffer));
      }
      if (got.find("OK") == std::string::npos) {
        state.SkipWithError("no reply");
        break;
      }
    }
    TheAdapter().ClearLog();
  }
  port.Close();
}

// The same 41 exchanges through one link that stays open: the write without its open,
// close and table, to tell the link's hand-over from the rest.
class Owner : public CLinkOwner {
 public:
  ReplySlot Slot(OwnerKind kind) override {
    return kind == OwnerKind::PhonePage ? ReplySlot{&readOut, &reply, &done} : ReplySlot{};
  }
  ReceiveBuffer readOut{};
  std::string reply;
  platform::AutoResetEvent done;
};

void BM_Link41Exchanges(benchmark::State& state) {
  if (!StartAdapter(state)) return;
  const std::vector<PortCommand> commands = BuildPortCommands(Record(), 'B', 0);
  Owner owner;
  CCommLink link;
  link.SetOwner(&owner);
  link.SetReceiveMode(kModePhoneWrite);
  link.Configure(1, 115200, 8, 0, 0);
  if (link.Open() != 1) {
    state.SkipWithError("cannot open the link");
    return;
  }
  for (auto _ : state) {
    for (const PortCommand& command : commands) {
      link.Write(command.line.data(), command.line.size());
      if (!owner.done.Wait(1000ms)) {
        state.SkipWithError("no reply");
        break;
      }
    }
    TheAdapter().ClearLog();
  }
  link.Close();
}

void BM_WritePortSettings(benchmark::State& state) {
  if (!StartAdapter(state)) return;
  const PhonePortSettings record = Record();
  CPhonePageLink page;
  for (auto _ : state) {
    if (!page.WritePortSettings(2, record, 0)) {
      state.SkipWithError("write failed");
      break;
    }
    TheAdapter().ClearLog();
  }
}

BENCHMARK(BM_Raw41RoundTrips)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_Link41Exchanges)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_WritePortSettings)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);

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
  const auto raw = reporter.realTime.find("BM_Raw41RoundTrips");
  const auto write = reporter.realTime.find("BM_WritePortSettings");
  if (raw != reporter.realTime.end() && write != reporter.realTime.end() && raw->second > 0) {
    std::printf("41-line write / 41 raw round trips = %.2f (aim: at most 1.5)\n",
                write->second / raw->second);
  }
  TheAdapter().Stop();
  return 0;
}
