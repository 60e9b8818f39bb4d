// A telephone page's link against the simulated adapter on COM1 of an isolated ports
// directory; messages are recorded instead of shown.
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/registry/port_settings.h"
#include "phone/core/phone_page_link.h"
#include "sim/sim_adapter.h"
#include "tests/support/adapter_on_com1.h"

namespace phonetest {

class PhoneSimTest : public testsupport::AdapterOnCom1Test {
 protected:
  void Start(sim::Options options = {}) {
    StartAdapter(std::move(options));
    page = std::make_unique<CPhonePageLink>();
  }
  void TearDown() override {
    page.reset();  // closes its link before the adapter goes
    AdapterOnCom1Test::TearDown();
  }

  std::unique_ptr<CPhonePageLink> page;
};

// A record with a distinct value in every field.
inline PhonePortSettings Sample() {
  PhonePortSettings r;
  r.forwardNumber = "0101234567";
  r.forwardWait = 15;
  r.forwardWaitText = "15";
  r.multipleNumber = "5551234";
  r.multipleNumberOn = 1;
  r.mainNumberOn = 0;
  r.subNumber = "12";
  r.subNumberOn = 1;
  r.dialingMode = 0;
  r.priorityRing = 1;
  r.extensionCall = 0;
  r.speedDialOn = 1;
  r.speedDial[0] = "021111";
  r.speedDial[3] = "0512345678";
  r.speedDial[5] = "Empty!";
  r.selectiveOn = 1;
  r.selectiveNumbers[9] = "0319999";
  r.threeParty = 1;
  r.callTransfer = 1;
  r.ownCallWaiting = 0;
  r.callWaitingMode = 2;
  r.callWaitingOn = 1;
  r.onlyWhenOtherBusy = 1;
  r.callPickup = 1;
  r.internalTransfer = 0;
  r.setupByPhone = 0;
  r.ownThreeParty = 0;
  r.endOfDialTime = 2;
  return r;
}

}  // namespace phonetest
