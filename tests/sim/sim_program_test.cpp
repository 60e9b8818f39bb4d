// The quorvel-sim program: its usage and a run until SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "sim/settings_table.h"
#include "tests/sim/line_client.h"

namespace {

using namespace std::chrono_literals;

struct Result {
  int status = -1;
  std::string out;
};

Result RunToEnd(const std::string& args) {
  Result result;
  const std::string command = std::string(QUORVEL_SIM_PROGRAM) + " " + args + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[512];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) result.out.append(buffer, n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(SimProgram, HelpAndBadUsage) {
  const Result help = RunToEnd("--help");
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--ports-dir", "--port", "--speed", "--model", "--prompt-only",
                             "--no-echo", "--reply-delay", "--split", "--drop-after", "--silent",
                             "--error", "--wrong-checksum", "--hang-up-after"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  for (const char* command : {"AT*MRNIX", "AT$AODI", "AT$OUTCUR", "ATW", "AT$RESET", "AT$DATE",
                              "AT$TIME", "AT#P", "AT%AA0"}) {
    EXPECT_NE(help.out.find(command), std::string::npos) << command;
  }
  // Every setting key is named (port 1's stand for port 2's, the lists by their range).
  std::set<std::string> words;
  std::istringstream text(help.out);
  for (std::string word; text >> word;) words.insert(word.substr(0, word.find_last_not_of(",;.") + 1));
  for (const auto& setting : sim::KnownSettings()) {
    const std::string& key = setting.key;
    const bool portTwoOrList = key.find('%') != std::string::npos ||
                               (key.back() == 'B' && key.rfind("AT$", 0) != 0);
    if (!portTwoOrList) {
      EXPECT_EQ(words.count(key), 1u) << key;
    }
  }
  EXPECT_EQ(RunToEnd("--bogus").status, 2);
  EXPECT_EQ(RunToEnd("--speed fast").status, 2);
  EXPECT_EQ(RunToEnd("--model isdn").status, 2);
  EXPECT_EQ(RunToEnd("--port COM9").status, 2);
  EXPECT_EQ(RunToEnd("--split").status, 2);
}

TEST(SimProgram, ServesUntilTerminated) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("quorvel-sim-program-" + std::to_string(::getpid()));
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    ::execl(QUORVEL_SIM_PROGRAM, "quorvel-sim", "--ports-dir", dir.c_str(), "--port", "COM2",
            "--speed", "57600", "--model", "mlppp", "--error", "ATW", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  std::string printed;
  char c;
  while (::read(out[0], &c, 1) == 1 && c != '\n') printed += c;
  ::close(out[0]);
  EXPECT_EQ(printed, dir.string());

  {
    simtest::LineClient line(dir / "COM2", 57600);
    ASSERT_TRUE(line.IsOpen());
    line.Send("\rAT*MRNIX\r\n");
    EXPECT_EQ(line.ReadUntil("OK\r\n", 2000ms), "\r\nMRNIX ISDN TA\r\nOK\r\n");
    line.Send("AT$AODI\r\n");
    EXPECT_EQ(line.ReadUntil("ERROR\r\n", 2000ms), "\r\nERROR\r\n");
    line.Send("ATW\r");
    EXPECT_EQ(line.ReadUntil("ERROR\r\n", 2000ms), "\r\nERROR\r\n");
  }
  ::kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(std::filesystem::exists(dir));
}

}  // namespace
