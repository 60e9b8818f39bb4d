// Test environment for everything that looks for the adapter: a simulated adapter on
// pseudo-terminals in isolated folders (QUORVEL_PORTS_DIR, QUORVEL_REGISTRY_DIR, which
// child processes started by the test inherit). One per test, made before any other
// thread of the test starts; the folders go and the variables return at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_adapter.h"
#include "tests/support/test_support.h"

namespace quorvel_test {

// One line that arrived on a port: which port, at which speed, when.
struct LineSeen {
  std::string port;
  std::uint32_t speed = 0;  // 0 when the speed could not be read
  std::chrono::steady_clock::time_point at;
};

// For readable expectations: {"COM3", 57600}.
struct PortAndSpeed {
  std::string port;
  std::uint32_t speed = 0;
  bool operator==(const PortAndSpeed&) const = default;
};
std::ostream& operator<<(std::ostream& out, const PortAndSpeed& value);

class AdapterEnvironment {
 public:
  explicit AdapterEnvironment(const sim::Options& options);
  ~AdapterEnvironment();
  AdapterEnvironment(const AdapterEnvironment&) = delete;
  AdapterEnvironment& operator=(const AdapterEnvironment&) = delete;

  bool Started() const { return started_; }
  sim::SimAdapter& Adapter() { return adapter_; }
  std::filesystem::path RegistryDir() const { return folders_.RegistryDir(); }

  // Lines on any port that hold `text`, in arrival order ("AT*MRNIX" for the probes).
  std::vector<LineSeen> LinesWith(std::string_view text) const;
  std::vector<PortAndSpeed> Probes() const;

 private:
  testsupport::IsolatedFolders folders_;  // outlives the adapter
  sim::SimAdapter adapter_;
  bool started_ = false;
};

std::vector<PortAndSpeed> WhereOnly(const std::vector<LineSeen>& lines);

// The registry key the program uses, as the hive names it.
inline constexpr const char* kProgramKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX";
// A 4-byte value of the hive as a number; nothing when missing or not 4 bytes long.
std::optional<std::int32_t> StoredDword(const std::string& key, const std::string& name);
// Stores the program's remembered port and speed, as a previous run would have.
void RememberPortSettings(std::int32_t port, std::int32_t speed);

}  // namespace quorvel_test
