// A telephone port's whole write (41 lines, each waiting for its acknowledgement, the
// port opened and closed around them) against 41 raw round trips of the same lines on
// the same pseudo-terminal pair. The simulated adapter answers at once. The two are
// timed alternately in each iteration, so a change in the machine's load hits both
// alike; the counters give the time of each per iteration and their ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "bench_support.h"
#include "phone/core/phone_commands.h"
#include "phone/core/phone_page_link.h"
#include "platform/serial_port.h"
#include "sim/sim_adapter.h"

namespace {

using Clock = std::chrono::steady_clock;

PhonePortSettings Record() {
  PhonePortSettings record;
  record.forwardNumber = "0101234567";
  record.forwardWaitText = "15";
  record.speedDial[3] = "0512345678";
  record.selectiveNumbers[9] = "0319999";
  return record;
}

// Each line written and its "OK" read back before the next; false when one is missing.
bool RawRoundTrips(platform::SerialPort& port, const std::vector<PortCommand>& commands) {
  for (const PortCommand& command : commands) {
    port.Write(command.line.data(), command.line.size());
    if (!bench::AwaitOk(port)) return false;
  }
  return true;
}

void BM_WriteAgainstRawRoundTrips(benchmark::State& state) {
  bench::SimLine line;
  if (!line.started) return state.SkipWithError("cannot start the simulated adapter");
  sim::SimAdapter& adapter = line.adapter;

  const PhonePortSettings record = Record();
  const std::vector<PortCommand> commands = BuildPortCommands(record, 'B', 0);
  CPhonePageLink page;
  platform::SerialPort port;
  Clock::duration raw{};
  Clock::duration write{};
  for (auto _ : state) {
    // The port is exclusive: the raw side holds it only while it runs.
    if (port.Open(adapter.SlavePath("COM1"), 115200) != platform::OpenResult::Opened) {
      state.SkipWithError("cannot open the pseudo-terminal");
      break;
    }
    const Clock::time_point rawStart = Clock::now();
    const bool rawDone = RawRoundTrips(port, commands);
    raw += Clock::now() - rawStart;
    port.Close();

    const Clock::time_point writeStart = Clock::now();
    const bool written = page.WritePortSettings(2, record, 0);
    write += Clock::now() - writeStart;
    if (!rawDone || !written) {
      state.SkipWithError("no reply");
      break;
    }
    adapter.ClearLog();
  }
  adapter.Stop();

  const double iterations = static_cast<double>(state.iterations());
  if (iterations == 0 || raw.count() == 0) return;
  const auto microseconds = [&](Clock::duration total) {
    return std::chrono::duration<double, std::micro>(total).count() / iterations;
  };
  state.counters["raw_us"] = microseconds(raw);
  state.counters["write_us"] = microseconds(write);
  state.counters["write_per_raw"] = microseconds(write) / microseconds(raw);  // aim: <= 1.5
}

BENCHMARK(BM_WriteAgainstRawRoundTrips)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
