// Detection with the adapter on the remembered port, against the raw probe round trip on
// the same simulated adapter. The detection should cost about two round trips (the probe
// and the AODI query) plus an open and a close, never a fixed wait; the ratio is printed
// at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string_view>

#include "app/registry/port_settings.h"
#include "bench_support.h"
#include "link/comm_link.h"
#include "link/detection.h"

namespace {

constexpr std::string_view kProbe = "\rAT*MRNIX\r\n";

// The simulated adapter on COM1 at 115200 bit/s, for the whole run.
bench::SimLine& TheAdapter() {
  static bench::SimLine line;
  return line;
}

// The probe written on the raw slave, read back until the answer is complete.
void BM_RawProbeRoundTrip(benchmark::State& state) {
  if (!TheAdapter().started) return state.SkipWithError("no simulated adapter");
  bench::RawLine line(TheAdapter().adapter.SlavePath("COM1"));
  if (!line.IsOpen()) return state.SkipWithError("cannot open the pseudo-terminal");
  for (auto _ : state) {
    if (!line.RoundTrip(kProbe)) {
      state.SkipWithError("no answer");
      break;
    }
  }
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

}  // namespace

int main(int argc, char** argv) {
  return bench::RunThenPrint(argc, argv, [](const bench::Timings& timings) {
    if (auto ratio = timings.Ratio("BM_DetectAdapterRemembered", "BM_RawProbeRoundTrip")) {
      std::printf("detection on the remembered port / raw probe round trip = %.2f "
                  "(about 2: the probe and the AODI query, plus open and close)\n",
                  *ratio);
    }
  });
}
