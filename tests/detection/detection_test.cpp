// DetectAdapter and ScanForAdapter against the simulated adapter on pseudo-terminals.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/registry/port_settings.h"
#include "link/comm_link.h"
#include "link/detection.h"
#include "tests/detection/adapter_environment.h"
#include "tests/link/far_end.h"

namespace {

using namespace std::chrono_literals;
using quorvel_test::AdapterEnvironment;
using quorvel_test::PortAndSpeed;

sim::Options AdapterOn(std::string port, std::set<std::uint32_t> speeds) {
  sim::Options options;
  options.adapterPort = std::move(port);
  options.speeds = std::move(speeds);
  return options;
}

class DetectionTest : public ::testing::Test {
 protected:
  void Remember(std::int32_t port, std::int32_t speed) {
    currentPort = port;
    currentSpeed = speed;
  }
  CCommLink link;
};

TEST_F(DetectionTest, RememberedPortThatAnswersCostsOneProbeAndTheAodiQuery) {
  AdapterEnvironment env(AdapterOn("COM3", {57600}));
  ASSERT_TRUE(env.Started());
  Remember(3, 57600);
  aodiCapable = 0;

  EXPECT_EQ(DetectAdapter(link), 3);

  EXPECT_EQ(currentSpeed, 57600);
  EXPECT_EQ(aodiCapable.load(), 1);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(env.Probes(), (std::vector<PortAndSpeed>{{"COM3", 57600}}));
  EXPECT_EQ(quorvel_test::WhereOnly(env.LinesWith("AT$AODI")),
            (std::vector<PortAndSpeed>{{"COM3", 57600}}));
  EXPECT_EQ(env.Adapter().Commands(), (std::vector<std::string>{"AT*MRNIX", "AT$AODI"}));
}

TEST_F(DetectionTest, SlowRememberedPortSilentFallsBackToTheScanInOrder) {  // 2 s + 5 x 1.5 s
  AdapterEnvironment env(AdapterOn("COM2", {230400}));
  ASSERT_TRUE(env.Started());
  Remember(3, 57600);

  EXPECT_EQ(DetectAdapter(link), 2);

  EXPECT_EQ(currentSpeed, 230400);
  EXPECT_FALSE(link.IsOpen());
  const std::vector<PortAndSpeed> expected{
      {"COM3", 57600},  {"COM1", 115200}, {"COM2", 115200}, {"COM3", 115200},
      {"COM4", 115200}, {"COM1", 230400}, {"COM2", 230400}};
  EXPECT_EQ(env.Probes(), expected);
  // Each silent candidate costs its whole wait: 2000 ms remembered, 1500 ms scanned.
  const auto probes = env.LinesWith("AT*MRNIX");
  ASSERT_EQ(probes.size(), expected.size());
  EXPECT_GE(probes[1].at - probes[0].at, 1900ms);
  EXPECT_LT(probes[1].at - probes[0].at, 3000ms);
  for (std::size_t i = 2; i < probes.size(); ++i) {
    EXPECT_GE(probes[i].at - probes[i - 1].at, 1400ms) << "candidate " << i;
    EXPECT_LT(probes[i].at - probes[i - 1].at, 2500ms) << "candidate " << i;
  }
  EXPECT_EQ(quorvel_test::WhereOnly(env.LinesWith("AT$AODI")),
            (std::vector<PortAndSpeed>{{"COM2", 230400}}));
}

// Where the first probe goes, given what was remembered and which ports open. No row
// waits for a silent port, so each costs far less than one probe's wait.
struct StartCase {
  const char* name;
  const char* adapterPort;
  std::int32_t rememberedPort;
  std::int32_t rememberedSpeed;
  int expectedPort;
  std::int32_t expectedSpeed;
  std::vector<PortAndSpeed> expectedProbes;
  std::vector<const char*> unopenable = {};  // entries pointing nowhere
};

class DetectionStartTest : public DetectionTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(DetectionStartTest, ProbesWhereExpected) {
  const StartCase& c = GetParam();
  AdapterEnvironment env(AdapterOn(c.adapterPort, {115200}));
  ASSERT_TRUE(env.Started());
  for (const char* port : c.unopenable) {
    const auto entry = env.Adapter().PortsDir() / port;
    std::filesystem::remove(entry);
    std::filesystem::create_symlink(env.Adapter().PortsDir() / "nothing-there", entry);
  }
  Remember(c.rememberedPort, c.rememberedSpeed);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(DetectAdapter(link), c.expectedPort);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms) << "a port was waited for";

  EXPECT_EQ(currentSpeed, c.expectedSpeed);
  EXPECT_EQ(env.Probes(), c.expectedProbes);
  EXPECT_FALSE(link.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetectionStartTest,
    ::testing::Values(
        // First run, or nothing found last time: the scan starts at once.
        StartCase{"PortZeroScansAtOnce", "COM1", 0, 57600, 1, 115200, {{"COM1", 115200}}},
        StartCase{"SpeedZeroScansAtOnce", "COM1", 3, 0, 1, 115200, {{"COM1", 115200}}},
        // A number above 4 is the TELNET device, for the remembered try only.
        StartCase{"PortAboveFourIsTelnet", "TELNET", 7, 115200, 7, 115200, {{"TELNET", 115200}}},
        // 256 is port 0 after the 8-bit cut: no such device, so the try is skipped at
        // once and the remembered speed is given up.
        StartCase{"UnopenableRememberedPort", "COM1", 256, 57600, 1, 115200, {{"COM1", 115200}}},
        // Ports that cannot be opened are passed over without a probe or a wait.
        StartCase{"UnopenableScanPortsSkipped", "COM3", 0, 115200, 3, 115200,
                  {{"COM3", 115200}}, {"COM1", "COM2"}},
        // Nothing found: the speed is what it was unless a remembered try gave it up.
        StartCase{"NothingFoundWithoutRememberedTryKeepsTheSpeed", "", 0, 57600, 0, 57600, {},
                  {"COM1", "COM2", "COM3", "COM4"}},
        StartCase{"NothingFoundAfterRememberedTryLeaves115200", "", 3, 57600, 0, 115200, {},
                  {"COM1", "COM2", "COM3", "COM4"}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// The AODI answer decides aodiCapable: OK -> 1, ERROR -> 0, none -> unchanged.
struct AodiCase {
  const char* name;
  bool aodiModel;
  bool noAnswer;
  std::int32_t before;
  std::int32_t after;
};

class DetectionAodiTest : public DetectionTest, public ::testing::WithParamInterface<AodiCase> {};

TEST_P(DetectionAodiTest, AnswerSetsTheFlag) {
  const AodiCase& c = GetParam();
  sim::Options options = AdapterOn("COM1", {115200});
  options.aodiModel = c.aodiModel;
  options.noAodiAnswer = c.noAnswer;
  AdapterEnvironment env(options);
  ASSERT_TRUE(env.Started());
  Remember(1, 115200);
  aodiCapable = c.before;

  EXPECT_EQ(DetectAdapter(link), 1);  // found, whatever the AODI answer
  EXPECT_EQ(aodiCapable.load(), c.after);
  EXPECT_EQ(env.Adapter().Commands(), (std::vector<std::string>{"AT*MRNIX", "AT$AODI"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, DetectionAodiTest,
                         ::testing::Values(AodiCase{"OkMeansCapable", true, false, 0, 1},
                                           AodiCase{"ErrorMeansNot", false, false, 1, 0},
                                           AodiCase{"SlowNoAnswerKeepsOne", true, true, 1, 1},
                                           AodiCase{"SlowNoAnswerKeepsZero", false, true, 0, 0}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(DetectionTest, CommandPromptAloneCountsAsFound) {
  sim::Options options = AdapterOn("COM1", {115200});
  options.promptOnly = true;
  AdapterEnvironment env(options);
  ASSERT_TRUE(env.Started());
  Remember(0, 115200);

  EXPECT_EQ(DetectAdapter(link), 1);
}

// The collected text is emptied only when the detection starts and when an answer is
// recognised, so half an answer on one port and the rest on the next count together.
TEST_F(DetectionTest, SlowTextOfOneCandidateIsSearchedWithTheNext) {  // 1 x 1.5 s
  testsupport::IsolatedFolders ports;
  linktest::FarEnd first;
  linktest::FarEnd second;
  ASSERT_TRUE(first.IsOpen());
  ASSERT_TRUE(second.IsOpen());
  ports.LinkPort("COM1", first.SlavePath());
  ports.LinkPort("COM2", second.SlavePath());
  for (const char* unused : {"COM3", "COM4"}) ports.LinkPort(unused, ports.PortsDir() / "none");
  Remember(0, 115200);
  aodiCapable = 0;

  std::string firstProbe, secondProbe, aodiQuery;
  {
    std::jthread firstEnd([&] {
      firstProbe = first.ReceiveLine();
      first.Send("\r\nMRNIX ISDN TA\r\n");
    });
    std::jthread secondEnd([&] {
      secondProbe = second.ReceiveLine(5000ms);
      second.Send("\r\nOK\r\n");
      aodiQuery = second.ReceiveLine();
      second.Send("\r\nOK\r\n");
    });
    EXPECT_EQ(DetectAdapter(link), 2);
  }

  EXPECT_EQ(firstProbe, "\rAT*MRNIX\r\n");
  EXPECT_EQ(secondProbe, "\rAT*MRNIX\r\n");
  EXPECT_EQ(aodiQuery, "AT$AODI\r\n");
  EXPECT_EQ(currentSpeed, 115200);
  EXPECT_EQ(aodiCapable.load(), 1);
  EXPECT_FALSE(link.IsOpen());
}

TEST_F(DetectionTest, ScanAloneAsksNothingElseAndChangesNothing) {
  AdapterEnvironment env(AdapterOn("COM1", {115200}));
  ASSERT_TRUE(env.Started());
  Remember(3, 57600);
  aodiCapable = 0;

  EXPECT_EQ(ScanForAdapter(link), 1);

  EXPECT_EQ(currentPort, 3);
  EXPECT_EQ(currentSpeed, 57600);
  EXPECT_EQ(aodiCapable.load(), 0);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(env.Adapter().Commands(), (std::vector<std::string>{"AT*MRNIX"}));
}

}  // namespace
