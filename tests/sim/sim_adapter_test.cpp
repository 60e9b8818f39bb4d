// The simulated adapter over real pseudo-terminals, seen from the program's end.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "sim/sim_adapter.h"
#include "tests/sim/line_client.h"

namespace {

using namespace std::chrono_literals;
using simtest::LineClient;

constexpr auto kWait = 2000ms;      // generous: sanitizer builds are slow
constexpr auto kQuiet = 300ms;      // how long "no answer" is watched for

struct Running {
  explicit Running(sim::Options options = {}) : adapter(std::move(options)) {
    started = adapter.Start();
  }
  LineClient Open(const std::string& port = "COM1", std::uint32_t speed = 115200) {
    return LineClient(adapter.PortsDir() / port, speed);
  }
  sim::SimAdapter adapter;
  bool started = false;
};

TEST(SimAdapter, MakesPortsDirectoryAndRemovesIt) {
  std::filesystem::path dir;
  {
    Running sim;
    ASSERT_TRUE(sim.started);
    dir = sim.adapter.PortsDir();
    for (const char* port : {"COM1", "COM2", "COM3", "COM4", "TELNET"}) {
      EXPECT_TRUE(std::filesystem::is_symlink(dir / port)) << port;
      EXPECT_EQ(std::filesystem::read_symlink(dir / port), sim.adapter.SlavePath(port));
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir));
}

TEST(SimAdapter, AnswersOnlyAtItsSpeeds) {
  sim::Options options;
  options.speeds = {57600, 230400};
  Running sim(options);
  ASSERT_TRUE(sim.started);
  {
    auto line = sim.Open("COM1", 115200);
    line.Send("\rAT*MRNIX\r\n");
    EXPECT_EQ(line.ReadFor(kQuiet), "");
  }
  for (std::uint32_t speed : {57600u, 230400u}) {
    auto line = sim.Open("COM1", speed);
    line.Send("\rAT*MRNIX\r\n");
    EXPECT_EQ(line.ReadUntil("OK\r\n", kWait), "\r\nMRNIX ISDN TA\r\nOK\r\n") << speed;
  }
  const auto log = sim.adapter.Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].speed, 115200u);
  EXPECT_EQ(log[1].speed, 57600u);
  EXPECT_EQ(log[2].speed, 230400u);
  EXPECT_EQ(log[0].bytes, "AT*MRNIX\r\n");
  EXPECT_EQ(log[0].port, "COM1");
}

TEST(SimAdapter, SilentPortsRecordButNeverAnswer) {
  Running sim;
  ASSERT_TRUE(sim.started);
  auto line = sim.Open("COM3");
  line.Send("\rAT*MRNIX\r\n");
  EXPECT_EQ(line.ReadFor(kQuiet), "");
  EXPECT_EQ(sim.adapter.RawBytes("COM3"), "\rAT*MRNIX\r\n");
  EXPECT_TRUE(sim.adapter.Commands().empty());  // commands are the adapter port's only
  const auto log = sim.adapter.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].port, "COM3");
  sim.adapter.ClearLog();
  EXPECT_EQ(sim.adapter.RawBytes("COM3"), "");
}

struct Exchange {
  const char* sent;
  const char* reply;  // exact bytes
};

TEST(SimAdapter, RepliesToEachKindOfCommand) {
  Running sim;
  ASSERT_TRUE(sim.started);
  auto line = sim.Open();
  const Exchange exchanges[] = {
      {"\rAT*MRNIX\r\n", "\r\nMRNIX ISDN TA\r\nOK\r\n"},
      {"AT$AODI\r\n", "\r\nOK\r\n"},
      {"AT$ATHP=050005\r", "\r\nOK\r\n"},
      {"AT$ATHP=50005\r", "\r\nERROR\r\n"},
      {"AT$DISC=4\r", "\r\nERROR\r\n"},
      {"AT$NOSUCH=1\r", "\r\nERROR\r\n"},
      {"AT#ICFB=0212345678\r\n", "\r\nOK\r\n"},
      {"AT#ZA=\r\n", "\r\nOK\r\n"},
      {"AT%AB3=0512345678\r\n", "\r\nOK\r\n"},
      {"AT#P=1\r\n", "\r\nOK\r\n"},
      {"AT#ICFNA=x\r\n", "\r\nERROR\r\n"},
      {"AT$DATE=20240305\r", "\r\nOK\r\n"},
      {"AT$TIME=070809\r", "\r\nOK\r\n"},
      {"AT$TIME=240000\r", "\r\nERROR\r\n"},
      {"ATW\r", "\r\nOK\r\n"},
  };
  for (const auto& e : exchanges) {
    line.Send(e.sent);
    const std::string end = std::string(e.reply).substr(2);
    EXPECT_EQ(line.ReadUntil(end, kWait), e.reply) << e.sent;
  }
  EXPECT_EQ(sim.adapter.Setting("AT$ATHP"), "050005");
  EXPECT_EQ(sim.adapter.Setting("AT$DISC"), "0");
  EXPECT_EQ(sim.adapter.Setting("AT#ICFB"), "0212345678");
  EXPECT_EQ(sim.adapter.Setting("AT%AB3"), "0512345678");
  EXPECT_EQ(sim.adapter.Setting("AT#P"), "1");
  EXPECT_EQ(sim.adapter.ClockDate(), "20240305");
  EXPECT_EQ(sim.adapter.ClockTime(), "070809");
  EXPECT_EQ(sim.adapter.StoreCount(), 1);

  line.Send("\rAT$OUTCUR\r\n");
  const std::string readOut = line.ReadUntil("\r\nOK\r\n", kWait);
  EXPECT_EQ(readOut.rfind("AT$OUTCUR\r\n", 0), 0u);
  EXPECT_NE(readOut.find("\r\nAT$ATHP=050005\r\n20125\r\n"), std::string::npos);
  EXPECT_NE(readOut.find("\r\nAT#ICFB=0212345678\r\n"), std::string::npos);
  EXPECT_NE(readOut.find("\r\nAT#ZA=\r\n"), std::string::npos);
}

TEST(SimAdapter, ModelsAndProbeVariants) {
  sim::Options options;
  options.aodiModel = false;
  options.promptOnly = true;
  Running sim(options);
  ASSERT_TRUE(sim.started);
  auto line = sim.Open();
  line.Send("\rAT*MRNIX\r\n");
  EXPECT_EQ(line.ReadUntil("COMMAND>", kWait), "\r\nCOMMAND>");
  line.Send("AT$AODI\r\n");
  EXPECT_EQ(line.ReadUntil("ERROR\r\n", kWait), "\r\nERROR\r\n");

  options.noAodiAnswer = true;
  sim.adapter.SetOptions(options);
  line.Send("AT$AODI\r\n");
  EXPECT_EQ(line.ReadFor(kQuiet), "");
  options = sim::Options{};
  options.echoReadOut = false;
  sim.adapter.SetOptions(options);
  line.Send("AT$AODI\r\n");
  EXPECT_EQ(line.ReadUntil("OK\r\n", kWait), "\r\nOK\r\n");
  line.Send("\rAT$OUTCUR\r\n");
  EXPECT_EQ(line.ReadUntil("\r\nOK\r\n", kWait).rfind("AT$Z=0\r\n", 0), 0u);
}

TEST(SimAdapter, ResetRestoresFactoryValues) {
  Running sim;
  ASSERT_TRUE(sim.started);
  auto line = sim.Open();
  for (const char* command : {"AT$ATHP=010005\r", "AT#GA=0\r\n", "AT%SB0=123\r\n", "AT#P=1\r\n"}) {
    line.Send(command);
    ASSERT_EQ(line.ReadUntil("OK\r\n", kWait), "\r\nOK\r\n") << command;
  }
  sim.adapter.SetSetting("AT$EXTRA", "1");
  line.Send("AT$RESET\r");
  EXPECT_EQ(line.ReadUntil("OK\r\n", kWait), "\r\nOK\r\n");
  EXPECT_EQ(sim.adapter.ResetCount(), 1);
  EXPECT_EQ(sim.adapter.Setting("AT$ATHP"), "050050");
  EXPECT_EQ(sim.adapter.Setting("AT#GA"), "1");
  EXPECT_EQ(sim.adapter.Setting("AT%SB0"), "");
  EXPECT_EQ(sim.adapter.Setting("AT#P"), "0");
  EXPECT_EQ(sim.adapter.Setting("AT$EXTRA"), std::nullopt);
}

TEST(SimAdapter, RecordsCommandsWithTheirLineEnds) {
  Running sim;
  ASSERT_TRUE(sim.started);
  auto line = sim.Open();
  line.Send("\rAT$OUTCUR\r\n");
  line.ReadUntil("\r\nOK\r\n", kWait);
  line.Send("AT$HFML=1\r");
  line.ReadUntil("OK\r\n", kWait);
  line.Send("\r\n\r\n");  // empty lines are no commands
  line.ReadFor(100ms);
  EXPECT_EQ(sim.adapter.Commands(), (std::vector<std::string>{"AT$OUTCUR", "AT$HFML=1"}));
  const auto log = sim.adapter.Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].bytes, "AT$OUTCUR\r\n");
  EXPECT_EQ(log[1].bytes, "AT$HFML=1\r");
  EXPECT_EQ(sim.adapter.RawBytes("COM1"), "\rAT$OUTCUR\r\nAT$HFML=1\r\r\n\r\n");
}

TEST(SimAdapter, SilentAndErrorCommandsAndWrongChecksum) {
  sim::Options options;
  options.silentCommands = {"ATW"};
  options.errorCommands = {"AT$SCTM", "AT%AB7"};
  options.wrongChecksum = true;
  Running sim(options);
  ASSERT_TRUE(sim.started);
  auto line = sim.Open();
  line.Send("ATW\r");
  EXPECT_EQ(line.ReadFor(kQuiet), "");
  EXPECT_EQ(sim.adapter.StoreCount(), 0);
  line.Send("AT$SCTM=180\r");
  EXPECT_EQ(line.ReadUntil("ERROR\r\n", kWait), "\r\nERROR\r\n");
  EXPECT_EQ(sim.adapter.Setting("AT$SCTM"), "0");
  line.Send("AT%AB7=1\r\n");
  EXPECT_EQ(line.ReadUntil("ERROR\r\n", kWait), "\r\nERROR\r\n");
  line.Send("AT%AB6=1\r\n");
  EXPECT_EQ(line.ReadUntil("OK\r\n", kWait), "\r\nOK\r\n");
  line.Send("\rAT$OUTCUR\r\n");
  const std::string readOut = line.ReadUntil("\r\nOK\r\n", kWait);
  EXPECT_NE(readOut.find("AT$ATHP=050050\r\n26505\r\n"), std::string::npos);  // 26504 + 1
}

TEST(SimAdapter, ReplyDelayAndSplitReplies) {
  sim::Options options;
  options.replyDelay = 200ms;
  options.splitReplies = 5;
  options.splitGap = 100ms;
  Running sim(options);
  ASSERT_TRUE(sim.started);
  auto line = sim.Open();
  const auto start = std::chrono::steady_clock::now();
  line.Send("\rAT*MRNIX\r\n");
  const std::string first = line.ReadSome(kWait);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 190ms);
  EXPECT_GE(first.size(), 1u);
  EXPECT_LE(first.size(), 5u);
  const std::string rest = line.ReadUntil("OK\r\n", 3000ms);
  EXPECT_EQ(first + rest, "\r\nMRNIX ISDN TA\r\nOK\r\n");
  // 20 bytes in 4 pieces: three gaps after the delay.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 490ms);
}

TEST(SimAdapter, DropAfterAnswersThatManyThenNone) {
  sim::Options options;
  options.dropAfter = 2;
  Running sim(options);
  ASSERT_TRUE(sim.started);
  auto line = sim.Open();
  for (int i = 0; i < 2; ++i) {
    line.Send("AT$Z=1\r");
    EXPECT_EQ(line.ReadUntil("OK\r\n", kWait), "\r\nOK\r\n");
  }
  line.Send("AT$Z=0\r");
  EXPECT_EQ(line.ReadFor(kQuiet), "");
  EXPECT_EQ(sim.adapter.Setting("AT$Z"), "1");  // a dropped command has no effect
  EXPECT_EQ(sim.adapter.Commands().size(), 3u);
  sim.adapter.SetOptions(sim::Options{});  // counting starts again
  line.Send("AT$Z=0\r");
  EXPECT_EQ(line.ReadUntil("OK\r\n", kWait), "\r\nOK\r\n");
}

TEST(SimAdapter, HangsUpAfterReplies) {
  sim::Options options;
  options.hangUpAfter = 1;
  Running sim(options);
  ASSERT_TRUE(sim.started);
  auto line = sim.Open();
  line.Send("AT$Z=1\r");
  EXPECT_EQ(line.ReadUntil("OK\r\n", kWait), "\r\nOK\r\n");
  line.ReadFor(kWait);  // ends early at the hang-up
  EXPECT_TRUE(line.HungUp());
  EXPECT_FALSE(std::filesystem::exists(sim.adapter.PortsDir() / "COM1"));
  EXPECT_TRUE(std::filesystem::exists(sim.adapter.PortsDir() / "COM2"));
}

TEST(SimAdapter, HangsUpInTheMiddleOfAReadOut) {
  sim::Options options;
  options.hangUpAfter = 0;
  options.hangUpMidReply = true;
  Running sim(options);
  ASSERT_TRUE(sim.started);
  auto line = sim.Open();
  line.Send("\rAT$OUTCUR\r\n");
  const std::string got = line.ReadUntil("\r\nOK\r\n", kWait);
  EXPECT_TRUE(line.HungUp());
  EXPECT_GT(got.size(), 500u);
  EXPECT_EQ(got.find("\r\nOK\r\n"), std::string::npos);
}

TEST(SimAdapter, HangUpOnRequest) {
  Running sim;
  ASSERT_TRUE(sim.started);
  auto line = sim.Open();
  sim.adapter.HangUp();
  line.ReadFor(kWait);
  EXPECT_TRUE(line.HungUp());
  sim.adapter.Stop();
  sim.adapter.Stop();  // twice is harmless
}

TEST(SimAdapter, UsesAGivenPortsDirectoryAndAnotherPort) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("quorvel-sim-given-" + std::to_string(::getpid()));
  {
    sim::Options options;
    options.adapterPort = "TELNET";
    sim::SimAdapter adapter(options, dir);
    ASSERT_TRUE(adapter.Start());
    EXPECT_EQ(adapter.PortsDir(), dir);
    LineClient line(dir / "TELNET", 115200);
    line.Send("\rAT*MRNIX\r\n");
    EXPECT_NE(line.ReadUntil("OK\r\n", kWait).find("MRNIX"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(dir));
}

}  // namespace
