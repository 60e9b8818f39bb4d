// The serial side of CCommLink against real pseudo-terminals: naming, open results,
// exact writes, chunked reading, close and hang-up.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "far_end.h"
#include "tests/support/test_support.h"
#include "link/comm_link.h"
#include "platform/serial_port.h"

namespace {

using namespace linktest;

class CommLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(line.IsOpen());
    ports.LinkPort("COM1", line.SlavePath());
  }
  // Opens COM1 at 115200 in `mode`.
  void OpenLink(std::int32_t mode) {
    link.SetOwner(&owner);
    link.SetReceiveMode(mode);
    link.Configure(1, 115200, 8, 0, 0);
    ASSERT_EQ(link.CreateEvents(), 1);
    ASSERT_EQ(link.Open(), 1);
  }

  testsupport::IsolatedFolders ports;
  FarEnd line;
  RecordingOwner owner;
  CCommLink link;
};

TEST(CommLinkNaming, ConfiguredNumberPicksTheDevice) {
  testsupport::IsolatedFolders ports;
  std::map<std::string, FarEnd> lines;
  for (const char* name : {"COM0", "COM1", "COM4", "TELNET"}) {
    ASSERT_TRUE(lines[name].IsOpen());
    ports.LinkPort(name, lines[name].SlavePath());
  }
  const struct {
    std::uint32_t configured;
    const char* device;
  } cases[] = {{1, "COM1"}, {4, "COM4"}, {5, "TELNET"}, {255, "TELNET"},
               {256, "COM0"}, {257, "COM1"}, {261, "TELNET"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.configured);
    CCommLink link;
    link.Configure(c.configured, 115200, 8, 0, 0);
    EXPECT_EQ(link.PortNumber(), c.configured & 0xFF);
    link.CreateEvents();
    ASSERT_EQ(link.Open(), 1);
    link.Write("x", 1);
    link.Close();
    for (auto& [name, line] : lines) {
      EXPECT_EQ(line.Receive(50ms), name == c.device ? "x" : "") << name;
    }
  }
}

TEST(CommLinkOpen, ResultsForMissingBusyAndRefusedPorts) {
  testsupport::IsolatedFolders ports;
  FarEnd line;
  ASSERT_TRUE(line.IsOpen());
  ports.LinkPort("COM1", line.SlavePath());
  ports.LinkPort("COM2", ports.PortsDir() / "nothing-there");
  std::ofstream(ports.PortsDir() / "plain-file") << "not a terminal";
  ports.LinkPort("COM3", ports.PortsDir() / "plain-file");

  CCommLink holder;
  holder.Configure(1, 115200, 8, 0, 0);
  ASSERT_EQ(holder.Open(), 1);

  const struct {
    std::uint32_t port;
    std::uint32_t speed;
    int expected;
  } cases[] = {
      {1, 115200, -1},  // held by `holder`
      {2, 115200, -1},  // entry points nowhere
      {5, 115200, -1},  // TELNET: no entry and no fallback
      {3, 115200, 0},   // not a terminal
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.port);
    CCommLink link;
    link.Configure(c.port, c.speed, 8, 0, 0);
    EXPECT_EQ(link.Open(), c.expected);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.Close(), 1);
  }

  holder.Close();
  CCommLink refused;
  refused.Configure(1, 12345, 8, 0, 0);  // not a speed a line can run at
  EXPECT_EQ(refused.Open(), 0);
  EXPECT_FALSE(refused.IsOpen());
  refused.Configure(1, 115200, 8, 0, 0);
  EXPECT_EQ(refused.Open(), 1) << "a refused open must leave the port free";
}

TEST_F(CommLinkTest, WriteSendsExactlyTheGivenBytes) {
  OpenLink(0);
  const char command[] = "\rAT$OUTCUR\r\nTRAILING";
  EXPECT_EQ(link.Write(command, 12), 1);
  EXPECT_EQ(line.Receive(), std::string("\rAT$OUTCUR\r\n"));
}

TEST_F(CommLinkTest, ClosedLinkReadsAndWritesNothing) {
  link.Configure(1, 115200, 8, 0, 0);
  char buffer[16] = {};
  EXPECT_EQ(link.ReadQueued(buffer, sizeof buffer), 0u);
  EXPECT_EQ(link.Write("AT\r", 3), 1);
  EXPECT_EQ(line.Receive(50ms), "");
}

TEST_F(CommLinkTest, BurstLongerThanAChunkArrivesInOrderWithoutLoss) {
  OpenLink(kModeConsole);
  std::string burst;
  for (int i = 0; burst.size() < 10000; ++i) burst += "line " + std::to_string(i) + " of the burst\r\n";
  ASSERT_TRUE(line.Send(burst));
  std::string joined;
  ASSERT_TRUE(WaitUntil([&] {
    joined.clear();
    for (const auto& call : owner.ConsoleCalls()) joined += call.substr(2);
    return joined.size() >= burst.size();
  }));
  EXPECT_EQ(joined, burst);
  const auto calls = owner.ConsoleCalls();
  EXPECT_GE(calls.size(), 5u) << "10000 bytes cannot pass in fewer chunks of 2047";
  for (const auto& call : calls) EXPECT_LE(call.size() - 2, kReaderChunkSize - 1);
}

TEST_F(CommLinkTest, CloseDuringWaitEndsTheReaderAndFreesThePort) {
  const std::size_t descriptorsBefore = OpenDescriptorCount();
  for (int round = 0; round < 3; ++round) {
    OpenLink(kModePhoneReadOut);
    std::this_thread::sleep_for(20ms);  // the reader is now blocked in its wait
    const auto start = Clock::now();
    EXPECT_EQ(link.Close(), 1);
    EXPECT_LT(Clock::now() - start, 500ms);
    EXPECT_FALSE(link.IsOpen());
  }
  EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore);
  // Text sent after the close reaches nobody, and the port can be opened again.
  line.Send("late OK\r\n");
  platform::SerialPort other;
  EXPECT_EQ(other.Open(line.SlavePath(), 115200), platform::OpenResult::Opened);
}

TEST_F(CommLinkTest, OpenAndCloseWhileTheAdapterKeepsTalking) {
  const std::size_t descriptorsBefore = OpenDescriptorCount();
  std::jthread chatter([this](std::stop_token stop) {
    while (!stop.stop_requested()) {
      line.TrySend("AT$ATHP=1\r\r\nOK\r\nnoise without an end word ");
      std::this_thread::sleep_for(1ms);
    }
  });
  for (int round = 0; round < 30; ++round) {
    OpenLink(round % 2 == 0 ? kModePhoneWrite : kModeConsole);
    std::this_thread::sleep_for(std::chrono::milliseconds(round % 5));
    EXPECT_EQ(link.Close(), 1);
  }
  chatter.request_stop();
  chatter.join();
  EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore);
  EXPECT_GT(owner.ConsoleCallCount() + (owner.Of(OwnerKind::PhonePage).done.TryConsume() ? 1 : 0),
            0u);
}

TEST_F(CommLinkTest, CloseOnALinkThatNeverOpened) {
  CCommLink never;
  EXPECT_EQ(never.Close(), 1);
  EXPECT_EQ(never.CloseDevice(), 1);
  EXPECT_FALSE(never.IsOpen());
}

TEST_F(CommLinkTest, DestroyingAnOpenLinkJoinsItsReader) {
  {
    CCommLink scoped;
    scoped.SetOwner(&owner);
    scoped.SetReceiveMode(kModeConsole);
    scoped.Configure(1, 115200, 8, 0, 0);
    ASSERT_EQ(scoped.Open(), 1);
    line.Send("abc");
    ASSERT_TRUE(WaitUntil([&] { return owner.ConsoleCallCount() == 1; }));
  }
  line.Send("def");
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(owner.ConsoleCallCount(), 1u);
}

TEST_F(CommLinkTest, HangUpMidReplyEndsTheReaderWithoutSpinning) {
  const std::size_t descriptorsBefore = OpenDescriptorCount();
  OpenLink(kModePhoneReadOut);
  ASSERT_TRUE(line.Send("AT$OUTCUR\r\nAT$ATHP=1\r\n"));
  ASSERT_TRUE(WaitUntil([&] { return !link.PendingReply().empty(); }));
  line.HangUp();

  const auto cpuBefore = ProcessCpuTime();
  std::this_thread::sleep_for(500ms);
  const auto cpuUsed = ProcessCpuTime() - cpuBefore;
  EXPECT_LT(cpuUsed, 150ms) << "the reader must end on a hang-up, not poll in a loop";

  EXPECT_EQ(link.PendingReply(), "AT$OUTCUR\r\nAT$ATHP=1\r\n") << "never completed";
  EXPECT_EQ(owner.Of(OwnerKind::PhonePage).readOut[0], '#') << "nothing delivered";
  const auto start = Clock::now();
  EXPECT_EQ(link.Close(), 1);
  EXPECT_LT(Clock::now() - start, 500ms);
  EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore - 2) << "all but the far end's pair";
}

TEST_F(CommLinkTest, OpenOnAnOpenLinkReplacesTheSession) {
  OpenLink(kModeConsole);
  ASSERT_EQ(link.Open(), 1);
  line.Send("once");
  ASSERT_TRUE(WaitUntil([&] { return owner.ConsoleCallCount() >= 1; }));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(owner.ConsoleCalls(), std::vector<std::string>{"T:once"}) << "one reader only";
}

}  // namespace
