// Data-communication settings: verification and parsing of a read-out that fills the
// 4000-byte receive buffer, and one whole AODI write through the session against an
// instantly answering simulated adapter, beside the 16 raw command/reply round trips
// that write needs on the same pseudo-terminal pair, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/registry/port_settings.h"
#include "bench_support.h"
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
bench::SimLine& TheLine() {
  static bench::SimLine line;
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
  bench::SimLine& line = TheLine();
  if (!line.started) return state.SkipWithError("no simulated adapter");
  aodiCapable = 1;
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
  if (!TheLine().started) return state.SkipWithError("no simulated adapter");
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

// The same 16 commands written and answered on a plain raw descriptor of the same line.
void BM_RawSixteenRoundTrips(benchmark::State& state) {
  bench::SimLine& line = TheLine();
  if (!line.started) return state.SkipWithError("no simulated adapter");
  std::vector<std::string> commands;
  for (const WriteStep& step : WriteSequence(DataCommVariant::Aodi)) {
    commands.push_back(FormatCommand(step, Record()));
  }
  bench::RawLine raw(line.adapter.SlavePath("COM1"));
  if (!raw.IsOpen()) return state.SkipWithError("cannot open the pseudo-terminal");
  std::int64_t done = 0;
  for (auto _ : state) {
    for (const std::string& command : commands) {
      if (!raw.RoundTrip(command)) {
        state.SkipWithError("no reply");
        break;
      }
    }
    if (++done % 256 == 0) line.adapter.ClearLog();
  }
}

BENCHMARK(BM_VerifyReadOut);
BENCHMARK(BM_VerifyAndParseReadOut);
BENCHMARK(BM_RawSixteenRoundTrips)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_AodiWrite)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_LinkOpenClose)->UseRealTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunThenPrint(argc, argv, [](const bench::Timings& timings) {
    if (auto ratio = timings.Ratio("BM_AodiWrite", "BM_RawSixteenRoundTrips")) {
      std::printf("AODI write / 16 raw round trips = %.2f\n", *ratio);
    }
    const auto raw = timings.RealNs("BM_RawSixteenRoundTrips");
    const auto write = timings.RealNs("BM_AodiWrite");
    const auto open = timings.RealNs("BM_LinkOpenClose");
    if (raw && write && open && *raw > 0) {
      std::printf("AODI write without one open+close / 16 raw round trips = %.2f\n",
                  (*write - *open) / *raw);
    }
  });
}
