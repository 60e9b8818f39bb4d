// ReadPortSettings and ParsePortSettings against the simulated adapter's read-out.
#include <algorithm>
#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "phone/core/phone_read_out.h"
#include "phone_sim_fixture.h"

namespace {

using namespace std::chrono_literals;
using phonetest::PhoneSimTest;
using phonetest::Sample;

long ReadOutRequests(const sim::SimAdapter& adapter) {
  const auto commands = adapter.Commands();
  return std::count(commands.begin(), commands.end(), "AT$OUTCUR");
}

TEST_F(PhoneSimTest, ReadsTheAdaptersFactorySettings) {
  Start();
  adapter->SetSetting("AT#OB", "0");
  ASSERT_TRUE(page->ReadPortSettings());
  EXPECT_FALSE(page->Link().IsOpen());
  EXPECT_EQ(ReadOutRequests(*adapter), 1);
  EXPECT_EQ(Sent(), "\rAT$OUTCUR\r\n");

  PhonePortSettings port1;
  PhonePortSettings port2;
  port1.dialingMode = 0;  // the read-out says 1
  std::int32_t law = 1;   // ... and 0
  ParsePortSettings(page->ReadOutText(), 'A', port1, law);
  ParsePortSettings(page->ReadOutText(), 'B', port2, law);
  EXPECT_EQ(port1, PhonePortSettings{});
  EXPECT_EQ(port2.dialingMode, 0);
  EXPECT_EQ(law, 0);
}

TEST_F(PhoneSimTest, WrittenSettingsReadBackAsTheyWere) {
  Start();
  ASSERT_TRUE(page->WritePortSettings(2, Sample(), 1));
  ASSERT_TRUE(page->ReadPortSettings());

  PhonePortSettings read;
  std::int32_t law = 0;
  ParsePortSettings(page->ReadOutText(), 'B', read, law);
  DeriveEditState(read);
  PhonePortSettings expected = Sample();
  expected.speedDial[5].clear();  // the "Empty!" placeholder went out empty
  EXPECT_EQ(read, expected);
  EXPECT_EQ(law, 1);

  PhonePortSettings port1;
  ParsePortSettings(page->ReadOutText(), 'A', port1, law);
  EXPECT_EQ(port1, PhonePortSettings{});
}

// The page's list editor allows 31 digits: "AT%AB3=" and 31 digits is a 38-character
// setting line, read and taken whole like any other.
TEST_F(PhoneSimTest, SpeedDialOf31DigitsIsReadWhole) {
  Start();
  adapter->SetSetting("AT%AB3", "0512345678901234567890123456789");
  ASSERT_TRUE(page->ReadPortSettings());
  EXPECT_EQ(ReadOutRequests(*adapter), 1);
  PhonePortSettings port2;
  std::int32_t law = 0;
  ParsePortSettings(page->ReadOutText(), 'B', port2, law);
  EXPECT_EQ(port2.speedDial[3], "0512345678901234567890123456789");
}

TEST_F(PhoneSimTest, WrongChecksumsFailAfterThreeAttempts) {
  sim::Options options;
  options.wrongChecksum = true;
  Start(options);
  EXPECT_FALSE(page->ReadPortSettings());
  EXPECT_EQ(ReadOutRequests(*adapter), 3);
  EXPECT_FALSE(page->Link().IsOpen());
}

// Pays six read-out waits of 1500 ms.
TEST_F(PhoneSimTest, SlowSilentAdapterFailsAfterSixRequests) {
  sim::Options options;
  options.dropAfter = 0;
  Start(options);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(page->ReadPortSettings());
  const auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_GE(elapsed, 8900ms);
  EXPECT_LT(elapsed, 12000ms);
  EXPECT_EQ(ReadOutRequests(*adapter), 6);
  EXPECT_FALSE(page->Link().IsOpen());
}

}  // namespace
