// The link's own commands against the simulated adapter: exact bytes, replies, waits.
#include <gtest/gtest.h>

#include <cstring>

#include "app/registry/port_settings.h"
#include "far_end.h"
#include "link/comm_link.h"
#include "platform/serial_port.h"
#include "sim/sim_adapter.h"
#include "tests/support/test_support.h"

namespace {

using namespace linktest;

class LinkCommandsTest : public testsupport::IsolatedTest {
 protected:
  void Start(sim::Options options) {
    adapter = std::make_unique<sim::SimAdapter>(std::move(options), folders.PortsDir());
    ASSERT_TRUE(adapter->Start());
    currentPort = 1;
    currentSpeed = 115200;
    aodiCapable = 0;
    link.SetOwner(&owner);
  }
  void TearDown() override {
    link.Close();
    if (adapter) adapter->Stop();
  }
  void OpenLink() {
    link.Configure(1, 115200, 8, 0, 0);
    link.CreateEvents();
    ASSERT_EQ(link.Open(), 1);
  }

  std::unique_ptr<sim::SimAdapter> adapter;
  RecordingOwner owner;
  CCommLink link;
};

TEST_F(LinkCommandsTest, ReadOutBringsTheWholeReadOut) {
  Start({});
  aodiCapable = 1;
  ASSERT_EQ(link.ReadOut(kModeDataCommReadOut), 1);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(adapter->RawBytes("COM1"), "\rAT$OUTCUR\r\n");
  const std::string text = owner.Of(OwnerKind::DataCommAodi).readOut.data();
  EXPECT_NE(text.find("AT$OUTCUR"), std::string::npos) << "the echo";
  EXPECT_NE(text.find("OK"), std::string::npos);
  EXPECT_GT(text.size(), 100u);
}

TEST_F(LinkCommandsTest, ReadOutSplitIntoPiecesStillCompletes) {
  sim::Options options;
  options.splitReplies = 7;
  options.splitGap = 1ms;
  Start(options);
  ASSERT_EQ(link.ReadOut(kModePhoneReadOut), 1);
  const std::string text = owner.Of(OwnerKind::PhonePage).readOut.data();
  EXPECT_EQ(text.substr(text.size() - 4), "OK\r\n");
}

TEST_F(LinkCommandsTest, SlowReadOutWithoutAdapterTimesOutAndClosesThePort) {
  sim::Options options;
  options.adapterPort = "";  // every port silent
  Start(options);
  const std::size_t descriptorsBefore = OpenDescriptorCount();
  const auto start = Clock::now();
  EXPECT_EQ(link.ReadOut(kModePhoneReadOut), 0);
  const auto took = Clock::now() - start;
  EXPECT_GE(took, 1400ms);
  EXPECT_LT(took, 3000ms);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore);
  EXPECT_EQ(adapter->RawBytes("COM1"), "\rAT$OUTCUR\r\n");
  platform::SerialPort other;
  EXPECT_EQ(other.Open(adapter->SlavePath("COM1"), 115200), platform::OpenResult::Opened)
      << "closed and not left exclusive";
}

TEST_F(LinkCommandsTest, SendResetWritesTheResetAndCloses) {
  Start({});
  link.SendReset();
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.ReceiveModeValue(), kModeDot);
  ASSERT_TRUE(WaitUntil([&] { return adapter->ResetCount() == 1; }));
  EXPECT_EQ(adapter->RawBytes("COM1"), "AT$RESET\r");
}

TEST_F(LinkCommandsTest, SendResetOnAMissingPortSendsNothing) {
  Start({});
  currentPort = 9;  // TELNET: no adapter there
  std::filesystem::remove(folders.PortsDir() / "TELNET");
  link.SendReset();
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(adapter->ResetCount(), 0);
}

TEST_F(LinkCommandsTest, QueryAodiFollowsTheModel) {
  for (bool aodiModel : {true, false}) {
    SCOPED_TRACE(aodiModel);
    sim::Options options;
    options.aodiModel = aodiModel;
    Start(options);
    aodiCapable = aodiModel ? 0 : 1;
    OpenLink();
    link.QueryAodi();
    EXPECT_EQ(aodiCapable.load(), aodiModel ? 1 : 0);
    EXPECT_EQ(adapter->RawBytes("COM1"), "AT$AODI\r\n");
    link.Close();
    adapter->Stop();
  }
}

TEST_F(LinkCommandsTest, SlowQueryAodiWithoutAnswerKeepsTheFlag) {
  sim::Options options;
  options.noAodiAnswer = true;
  Start(options);
  aodiCapable = 1;  // 0 would not tell "kept" from "set to 0"
  OpenLink();
  const auto start = Clock::now();
  link.QueryAodi();
  const auto took = Clock::now() - start;
  EXPECT_GE(took, 1400ms);
  EXPECT_LT(took, 3000ms);
  EXPECT_EQ(aodiCapable.load(), 1);
}

TEST_F(LinkCommandsTest, ProbeFindsTheAdapterAndThePrompt) {
  for (bool promptOnly : {false, true}) {
    SCOPED_TRACE(promptOnly);
    sim::Options options;
    options.promptOnly = promptOnly;
    Start(options);
    link.SetReceiveMode(kModeProbe);
    link.ClearPendingReply();
    OpenLink();
    EXPECT_TRUE(link.Probe(1500ms));
    EXPECT_EQ(adapter->RawBytes("COM1"), "\rAT*MRNIX\r\n");
    link.Close();
    adapter->Stop();
  }
}

TEST_F(LinkCommandsTest, ProbeAtASpeedTheAdapterDoesNotAnswerTimesOut) {
  Start({});
  link.Configure(1, 230400, 8, 0, 0);
  ASSERT_EQ(link.Open(), 1);
  EXPECT_FALSE(link.Probe(300ms));
}

TEST_F(LinkCommandsTest, HangUpMidReplyLeavesTheReadOutUnfinished) {
  sim::Options options;
  options.splitReplies = 64;
  options.splitGap = 30ms;
  Start(options);
  OpenLink();
  link.SetReceiveMode(kModePhoneReadOut);
  const std::string command = "\rAT$OUTCUR\r\n";
  link.Write(command.data(), command.size());
  ASSERT_TRUE(WaitUntil([&] { return !link.PendingReply().empty(); }));
  adapter->HangUp();

  const auto cpuBefore = ProcessCpuTime();
  std::this_thread::sleep_for(400ms);
  EXPECT_LT(ProcessCpuTime() - cpuBefore, 150ms) << "no spinning reader";
  EXPECT_EQ(owner.Of(OwnerKind::PhonePage).readOut[0], '#') << "never completed";
  const auto start = Clock::now();
  link.Close();
  EXPECT_LT(Clock::now() - start, 500ms);
}

}  // namespace
