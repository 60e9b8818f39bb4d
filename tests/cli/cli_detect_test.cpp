// quorvel-cli detect, port, speed, reset and its usage errors, run as a program against
// the simulated adapter and a private registry.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/registry/port_settings.h"
#include "tests/detection/adapter_environment.h"
#include "tests/detection/run_program.h"

namespace {

using namespace std::chrono_literals;
using quorvel_test::AdapterEnvironment;
using quorvel_test::kProgramKey;
using quorvel_test::PortAndSpeed;
using quorvel_test::ProgramResult;
using quorvel_test::StoredDword;

constexpr const char* kNotFound = "MODEM이 꺼있거나 찾을수가 없습니다.\n";

ProgramResult RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), QUORVEL_CLI);
  return quorvel_test::RunProgram(args);
}

sim::Options AdapterOn(std::string port, std::set<std::uint32_t> speeds) {
  sim::Options options;
  options.adapterPort = std::move(port);
  options.speeds = std::move(speeds);
  return options;
}

std::optional<std::int32_t> StoredPort() { return StoredDword(kProgramKey, kComNumValue); }
std::optional<std::int32_t> StoredSpeed() { return StoredDword(kProgramKey, kPortSpeedValue); }

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  int exitCode;
  const char* errorHas;  // in stderr (stdout for --help)
};

class CliUsageTest : public ::testing::TestWithParam<UsageCase> {};

// Refused before anything reaches a port or the registry.
TEST_P(CliUsageTest, RefusedBeforeTouchingTheAdapter) {
  const UsageCase& c = GetParam();
  AdapterEnvironment env(AdapterOn("COM1", {115200}));
  ASSERT_TRUE(env.Started());

  const ProgramResult result = RunCli(c.args);

  EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
  const std::string& shown = c.exitCode == 0 ? result.out : result.err;
  EXPECT_NE(shown.find(c.errorHas), std::string::npos) << shown;
  EXPECT_TRUE(env.Adapter().Log().empty());
  EXPECT_EQ(StoredPort(), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliUsageTest,
    ::testing::Values(
        UsageCase{"Help", {"--help"}, 0, "reset --yes"},
        UsageCase{"HelpAfterCommand", {"detect", "--help"}, 0, "usage:"},
        UsageCase{"NoCommand", {}, 2, "usage:"},
        UsageCase{"JsonAlone", {"--json"}, 2, "usage:"},
        UsageCase{"UnknownCommand", {"frobnicate"}, 2, "unknown command 'frobnicate'"},
        UsageCase{"UnknownOption", {"--verbose", "detect"}, 2, "unknown option '--verbose'"},
        UsageCase{"DetectWithArgument", {"detect", "now"}, 2, "no arguments"},
        UsageCase{"ResetWithoutYes", {"reset"}, 2, "reset --yes"},
        UsageCase{"ResetWithOtherWord", {"reset", "--force"}, 2, "reset --yes"},
        UsageCase{"ResetYesTwice", {"reset", "--yes", "--yes"}, 2, "reset --yes"},
        UsageCase{"PortMissing", {"port"}, 2, "port takes one value"},
        UsageCase{"PortFive", {"port", "5"}, 2, "bad port '5'"},
        UsageCase{"PortZero", {"port", "0"}, 2, "bad port '0'"},
        UsageCase{"PortNotANumber", {"port", "3x"}, 2, "bad port '3x'"},
        UsageCase{"PortTwoValues", {"port", "1", "2"}, 2, "port takes one value"},
        UsageCase{"SpeedNotOffered", {"speed", "9600"}, 2, "bad speed '9600'"},
        UsageCase{"SpeedMenuLabel", {"speed", "56K"}, 2, "bad speed '56K'"},
        UsageCase{"SpeedOverflow", {"speed", "99999999999"}, 2, "bad speed"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(CliTest, PortAndSpeedAreStoredAtOnceWithoutProbing) {
  AdapterEnvironment env(AdapterOn("COM1", {115200}));
  ASSERT_TRUE(env.Started());

  ProgramResult result = RunCli({"port", "3"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "port=3\nspeed=115200\n");
  EXPECT_EQ(StoredPort(), 3);
  EXPECT_EQ(StoredSpeed(), 115200);

  result = RunCli({"speed", "230400"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "port=3\nspeed=230400\n");

  result = RunCli({"--json", "port", "4"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "{\"port\":4,\"speed\":230400}\n");
  EXPECT_EQ(StoredPort(), 4);
  EXPECT_EQ(StoredSpeed(), 230400);

  EXPECT_TRUE(env.Adapter().Log().empty());
}

TEST(CliTest, DetectPrintsWhatItFoundAndStoresIt) {
  AdapterEnvironment env(AdapterOn("COM2", {115200}));
  ASSERT_TRUE(env.Started());

  const ProgramResult result = RunCli({"detect"});

  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "port=2\nspeed=115200\naodi=1\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(StoredPort(), 2);
  EXPECT_EQ(StoredSpeed(), 115200);
  EXPECT_EQ(env.Probes(), (std::vector<PortAndSpeed>{{"COM1", 115200}, {"COM2", 115200}}));
}

TEST(CliTest, DetectStartsWithTheRememberedPortAndSpeed) {
  sim::Options options = AdapterOn("COM1", {57600});
  options.aodiModel = false;
  AdapterEnvironment env(options);
  ASSERT_TRUE(env.Started());
  quorvel_test::RememberPortSettings(1, 57600);

  const ProgramResult result = RunCli({"detect", "--json"});

  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "{\"port\":1,\"speed\":57600,\"aodi\":0}\n");
  EXPECT_EQ(env.Probes(), (std::vector<PortAndSpeed>{{"COM1", 57600}}));
}

TEST(CliTest, SlowDetectWithoutAnAdapterWarnsAndStoresPortZero) {  // 2 s + 8 x 1.5 s
  AdapterEnvironment env(AdapterOn("COM1", {57600}));
  ASSERT_TRUE(env.Started());
  quorvel_test::RememberPortSettings(3, 57600);

  const ProgramResult result = RunCli({"detect"});

  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, kNotFound);
  EXPECT_EQ(result.out, "");
  // Stored at once, so that the next start scans without the remembered try.
  EXPECT_EQ(StoredPort(), 0);
  EXPECT_EQ(StoredSpeed(), 115200);
  EXPECT_EQ(env.Probes().size(), 9u);
}

TEST(CliTest, ResetYesDetectsThenSendsTheEraseCommand) {
  AdapterEnvironment env(AdapterOn("COM1", {115200}));
  ASSERT_TRUE(env.Started());

  const ProgramResult result = RunCli({"reset", "--yes"});

  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "");
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (env.Adapter().ResetCount() == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(env.Adapter().ResetCount(), 1);
  EXPECT_EQ(env.Adapter().RawBytes("COM1"), "\rAT*MRNIX\r\nAT$AODI\r\nAT$RESET\r");
}

}  // namespace
