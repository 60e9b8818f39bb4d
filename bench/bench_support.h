// What the benchmarks share: the raw side of a round trip, the simulated adapter on
// COM1, and a main() that prints the ratio of two benchmarks' times after the usual
// output.
//
//   RawLine        a slave opened non-blocking, raw 8N1 at 115200 bit/s: a command
//                  written and read back until its "OK"
//   WriteAll()     every byte written on a non-blocking descriptor
//   AwaitOk()      the same wait for "OK" on a SerialPort
//   SimLine        the simulated adapter on COM1 of its own ports directory, remembered
//                  as the program's port at 115200 bit/s
//   Timings        real time per iteration of each benchmark that ran
//   RunThenPrint() Google Benchmark's main, then a caller's lines about the Timings
#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial_port.h"
#include "sim/sim_adapter.h"

namespace bench {

class RawLine {
 public:
  explicit RawLine(const std::filesystem::path& slave);
  ~RawLine();
  RawLine(const RawLine&) = delete;
  RawLine& operator=(const RawLine&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // False when the command cannot be written or its "OK" does not come.
  bool RoundTrip(std::string_view command);

 private:
  int fd_ = -1;
};

// False when the line stays full for a second or the descriptor fails.
bool WriteAll(int fd, std::string_view bytes);

// False when a second passes with nothing more to read, or the line hangs up, before "OK".
bool AwaitOk(platform::SerialPort& port);

struct SimLine {
  SimLine();
  sim::SimAdapter adapter;
  bool started = false;
};

// Median real time of repeated runs, else the single run's; failed runs are left out.
class Timings : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  std::optional<double> RealNs(const std::string& benchmark) const;
  std::optional<double> Ratio(const std::string& numerator, const std::string& denominator) const;

 private:
  std::map<std::string, double> realNs_;
};

// `defaultFlags` go before the command line's own, which may override them.
int RunThenPrint(int argc, char** argv, const std::function<void(const Timings&)>& print,
                 std::vector<std::string> defaultFlags = {});

}  // namespace bench
