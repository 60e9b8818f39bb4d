// The simulated adapter over real pseudo-terminals, seen from the program's end.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

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

// The settings commands of a telephone port's write, as the program sends them.
std::vector<std::string> PhonePortCommands(const std::string& L) {
  std::vector<std::string> lines = {
      "AT#ICF" + L + "=0212345678", "AT#ICFN" + L + "=30", "AT#Z" + L + "=5551234",
      "AT#G" + L + "=0",            "AT#H" + L + "=1234",  "AT#O" + L + "=0",
      "AT#P" + L + "=1",            "AT#W" + L + "=0",     "AT#P=1",
      "AT&Z" + L + "=1",
  };
  for (int i = 0; i < 10; ++i) lines.push_back("AT%A" + L + std::to_string(i) + "=0" + std::to_string(i) + "1234567");
  lines.push_back("AT#S" + L + "=1");
  for (int i = 0; i < 10; ++i) lines.push_back("AT%S" + L + std::to_string(i) + "=0" + std::to_string(i) + "7654321");
  for (const char* rest : {"#Y=1", "#T=1", "#C=1", "#A=2", "#TC=1", "#SC=1", "#SP=0", "#EOD=2", "#IY=1"}) {
    std::string line = std::string("AT") + rest;
    line.insert(line.find('='), L);
    lines.push_back(line);
  }
  return lines;
}

// Every settings command of both telephone ports and of data communication is taken,
// and the read-out then lists each value under its key where the program looks for it:
// a telephone key's first occurrence, a data-communication key's first "KEY=".
TEST(SimAdapter, TakesEveryCommandTheProgramSends) {
  Running sim;
  ASSERT_TRUE(sim.started);
  auto line = sim.Open();
  const std::vector<std::string> dataComm = {
      "AT$DISC=2",       "AT$Z=1",        "AT$MLSCTM=180", "AT$MLTHP=080020", "AT$MLOND=10",
      "AT$MLCLD=20",     "AT$MLTPF=1",    "AT$SCTM=32000", "AT$ATHP=050005",  "AT$BTHP=100000",
      "AT$AOND=60",      "AT$BOND=1",     "AT$ACLD=2",     "AT$BCLD=3",       "AT$HFML=1",
  };
  for (const auto& command : dataComm) {
    line.Send(command + "\r");
    EXPECT_EQ(line.ReadUntil("\r\nOK\r\n", kWait), "\r\nOK\r\n") << command;
  }
  std::vector<std::string> phone;
  for (const char* L : {"A", "B"}) {
    for (const auto& command : PhonePortCommands(L)) {
      line.Send(command + "\r\n");
      EXPECT_EQ(line.ReadUntil("\r\nOK\r\n", kWait), "\r\nOK\r\n") << command;
      phone.push_back(command);
    }
  }
  for (const char* store : {"ATW\r", "AT$DATE=20240305\r", "AT$TIME=235959\r"}) {
    line.Send(store);
    EXPECT_EQ(line.ReadUntil("\r\nOK\r\n", kWait), "\r\nOK\r\n") << store;
  }
  EXPECT_EQ(phone.size(), 2u * 40u);  // 19 settings, 20 list entries and the law per port

  line.Send("\rAT$OUTCUR\r\n");
  const std::string readOut = line.ReadUntil("\r\nOK\r\n", kWait);
  ASSERT_NE(readOut.find("\r\nOK\r\n"), std::string::npos);
  EXPECT_LT(readOut.size(), 4000u);
  auto lineAt = [&](std::size_t pos) {
    if (pos == std::string::npos || (pos > 0 && readOut[pos - 1] != '\n')) return std::string("(inside a line)");
    return readOut.substr(pos, readOut.find('\r', pos) - pos);
  };
  for (const auto& command : dataComm) {
    const std::string key = command.substr(0, command.find('=') + 1);
    EXPECT_EQ(lineAt(readOut.find(key)), command);
  }
  for (const auto& command : phone) {
    const std::string key = command.substr(0, command.find('='));
    EXPECT_EQ(lineAt(readOut.find(key)), command);
  }
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
