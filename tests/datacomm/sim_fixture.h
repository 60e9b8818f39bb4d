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
#include "tests/support/test_support.h"

namespace datacommtest {

using namespace std::chrono_literals;

class SimTest : public testsupport::IsolatedTest {
 protected:
  void StartSim(sim::Options options) {
    aodiCapable = options.aodiModel ? 1 : 0;
    sim = std::make_unique<sim::SimAdapter>(std::move(options), folders.PortsDir());
    ASSERT_TRUE(sim->Start());
    currentPort = 1;
    currentSpeed = 115200;
  }
  void TearDown() override {
    if (sim) sim->Stop();
    currentPort = 0;
    currentSpeed = kDefaultSpeed;
    aodiCapable = 0;
  }

  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& message : notifier.Messages()) texts.push_back(message.text);
    return texts;
  }

  testsupport::RecordingNotifier notifier;
  std::unique_ptr<sim::SimAdapter> sim;
};

inline std::tm At(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

inline std::string Joined(const std::vector<std::string>& lines, const std::string& end) {
  std::string out;
  for (const std::string& line : lines) out += line + end;
  return out;
}

}  // namespace datacommtest
