// AdapterOnCom1Test: an IsolatedTest with the simulated adapter on COM1 of the isolated
// ports directory, the program's port and speed pointed at it, and every message
// recorded instead of shown. Header only: targets that use it link quorvel_sim.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/registry/port_settings.h"
#include "sim/sim_adapter.h"
#include "tests/support/test_support.h"

namespace testsupport {

class AdapterOnCom1Test : public IsolatedTest {
 protected:
  void StartAdapter(sim::Options options = {}) {
    adapter = std::make_unique<sim::SimAdapter>(std::move(options), folders.PortsDir());
    ASSERT_TRUE(adapter->Start());
    currentPort = 1;
    currentSpeed = 115200;
  }
  void TearDown() override {
    if (adapter) adapter->Stop();
    currentPort = 0;
    currentSpeed = kDefaultSpeed;
  }

  // What reached the adapter, byte for byte.
  std::string Sent() const { return adapter->RawBytes("COM1"); }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& message : notifier.Messages()) texts.push_back(message.text);
    return texts;
  }

  RecordingNotifier notifier;
  std::unique_ptr<sim::SimAdapter> adapter;
};

}  // namespace testsupport
