// A simulated adapter on COM1 of an isolated ports directory, the link globals pointing
// at it and a notifier that records the boxes.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/registry/port_settings.h"
#include "link/comm_link.h"
#include "sim/sim_adapter.h"
#include "local_time.h"
#include "tests/support/adapter_on_com1.h"

namespace datacommtest {

using namespace std::chrono_literals;

// The adapter's model decides the dialog kind, as the detection would have.
class SimTest : public testsupport::AdapterOnCom1Test {
 protected:
  void StartSim(sim::Options options) {
    aodiCapable = options.aodiModel ? 1 : 0;
    StartAdapter(std::move(options));
  }
  void TearDown() override {
    AdapterOnCom1Test::TearDown();
    aodiCapable = 0;
  }
};

inline std::string Joined(const std::vector<std::string>& lines, const std::string& end) {
  std::string out;
  for (const std::string& line : lines) out += line + end;
  return out;
}

}  // namespace datacommtest
