// quorvel-sim: the simulated adapter as a program. Makes a ports directory of
// pseudo-terminals, serves until SIGINT or SIGTERM, then removes what it made.
#include <signal.h>

#include <charconv>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <string_view>

#include "sim/sim_adapter.h"

namespace {

constexpr const char* kUsage = R"(Usage: quorvel-sim [options]

A simulated ISDN terminal adapter on pseudo-terminals. It makes a ports directory
holding COM1..COM4 and TELNET (links to pseudo-terminal slaves), serves the adapter on
one of them and leaves the others silent. It prints the ports directory on the first
line of its output and runs until SIGINT or SIGTERM. Point the program at it with
QUORVEL_PORTS_DIR=<that directory>.

What the adapter answers (a command ends with CR or LF; case does not matter):
  AT*MRNIX             "MRNIX ISDN TA" and OK (with --prompt-only: "COMMAND>")
  AT$AODI              OK for the aodi model, ERROR for mlppp
  AT$OUTCUR            the read-out: the echoed command, then every setting as
                       KEY=VALUE with its CRC-16/X-25 in decimal on the next line, then OK
  KEY=VALUE            sets one setting: OK, or ERROR for an unknown key or a bad value.
                       Keys: data communication AT$Z AT$HFML AT$DISC AT$MLTPF AT$SCTM
                       AT$MLSCTM AT$AOND AT$BOND AT$MLOND AT$ACLD AT$BCLD AT$MLCLD
                       AT$ATHP AT$BTHP AT$MLTHP (thresholds as six digits, 050030);
                       the PCM law AT#P; per telephone port, letter A or B:
                       AT#ICFA AT#ICFNA AT#ZA AT#GA AT#HA AT#OA AT#PA AT#WA AT&ZA
                       AT#SA AT#YA AT#TA AT#CA AT#AA AT#TCA AT#SCA AT#SPA AT#EODA
                       AT#IYA and the lists AT%AA0..AT%AA9, AT%SA0..AT%SA9
  ATW                  stores the settings: OK
  AT$RESET             back to the factory settings: OK
  AT$DATE=YYYYMMDD     sets the clock's date: OK
  AT$TIME=HHMMSS       sets the clock's time: OK
  AT                   OK
It stays silent while the program's side of the line is at any other speed.

Options:
  --ports-dir DIR      use DIR (created if missing) instead of a fresh temporary one
  --port NAME          the adapter's port: COM1..COM4, TELNET, or none (default COM1)
  --speed N            a line speed the adapter answers at; repeat for several
                       (default 115200); at any other speed it stays silent
  --model aodi|mlppp   aodi answers AT$AODI with OK, mlppp with ERROR (default aodi)
  --prompt-only        answer the probe with the "COMMAND>" prompt only
  --no-echo            the read-out starts without the "AT$OUTCUR" echo line
  --no-aodi-answer     never answer AT$AODI
  --reply-delay MS     wait MS milliseconds before each reply
  --split N            send replies in pieces of N bytes ...
  --split-gap MS       ... MS milliseconds apart (default 20)
  --drop-after N       answer N commands, then none
  --silent CMD         never answer command CMD (its key: "ATW", "AT$ATHP", "AT%AB7");
                       repeatable
  --error CMD          answer command CMD with ERROR; repeatable
  --wrong-checksum     every checksum line of the read-out is off by one
  --hang-up-after N    hang up after N replies
  --hang-up-mid-reply  with --hang-up-after: cut the next reply off halfway
  --help               show this text

Exit status: 0 after a signal, 1 when the pseudo-terminals could not be made,
2 on bad usage.
)";

bool ParseInt(std::string_view text, long long min, long long max, long long& out) {
  long long value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size() || value < min || value > max) {
    return false;
  }
  out = value;
  return true;
}

int Usage(const std::string& problem) {
  std::cerr << "quorvel-sim: " << problem << "\nTry 'quorvel-sim --help'.\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  sim::Options options;
  std::string portsDir;
  bool speedsGiven = false;
  std::string problem;

  auto number = [&](long long min, long long max, auto assign) {
    return [=, &problem](const std::string& name, const std::string& value) {
      long long n = 0;
      if (!ParseInt(value, min, max, n)) {
        problem = "bad number for " + name + ": '" + value + "'";
        return;
      }
      assign(n);
    };
  };
  using Handler = std::function<void(const std::string&, const std::string&)>;
  const std::map<std::string, Handler> withValue = {
      {"--ports-dir", [&](const std::string&, const std::string& v) { portsDir = v; }},
      {"--port",
       [&](const std::string& name, const std::string& v) {
         if (v == "none") {
           options.adapterPort.clear();
         } else if (v == "COM1" || v == "COM2" || v == "COM3" || v == "COM4" || v == "TELNET") {
           options.adapterPort = v;
         } else {
           problem = "bad value for " + name + ": '" + v + "'";
         }
       }},
      {"--speed", number(1, 4'000'000,
                         [&](long long n) {
                           if (!speedsGiven) options.speeds.clear();
                           speedsGiven = true;
                           options.speeds.insert(static_cast<std::uint32_t>(n));
                         })},
      {"--model",
       [&](const std::string& name, const std::string& v) {
         if (v == "aodi" || v == "mlppp") {
           options.aodiModel = v == "aodi";
         } else {
           problem = "bad value for " + name + ": '" + v + "'";
         }
       }},
      {"--reply-delay", number(0, 600'000, [&](long long n) {
         options.replyDelay = std::chrono::milliseconds(n);
       })},
      {"--split", number(0, 1'000'000, [&](long long n) {
         options.splitReplies = static_cast<std::size_t>(n);
       })},
      {"--split-gap", number(0, 600'000, [&](long long n) {
         options.splitGap = std::chrono::milliseconds(n);
       })},
      {"--drop-after", number(0, 1'000'000'000, [&](long long n) {
         options.dropAfter = static_cast<int>(n);
       })},
      {"--hang-up-after", number(0, 1'000'000'000, [&](long long n) {
         options.hangUpAfter = static_cast<int>(n);
       })},
      {"--silent", [&](const std::string&, const std::string& v) { options.silentCommands.insert(v); }},
      {"--error", [&](const std::string&, const std::string& v) { options.errorCommands.insert(v); }},
  };
  const std::map<std::string, std::function<void()>> flags = {
      {"--prompt-only", [&] { options.promptOnly = true; }},
      {"--no-echo", [&] { options.echoReadOut = false; }},
      {"--no-aodi-answer", [&] { options.noAodiAnswer = true; }},
      {"--wrong-checksum", [&] { options.wrongChecksum = true; }},
      {"--hang-up-mid-reply", [&] { options.hangUpMidReply = true; }},
  };

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (auto flag = flags.find(arg); flag != flags.end()) {
      flag->second();
    } else if (auto opt = withValue.find(arg); opt != withValue.end()) {
      if (i + 1 >= argc) return Usage(arg + " needs a value");
      opt->second(arg, argv[++i]);
    } else {
      return Usage("unknown option '" + arg + "'");
    }
    if (!problem.empty()) return Usage(problem);
  }

  // Blocked before any thread starts, so that only sigwait() below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  sim::SimAdapter adapter(options, portsDir);
  if (!adapter.Start()) {
    std::cerr << "quorvel-sim: could not make the pseudo-terminals in '"
              << adapter.PortsDir().string() << "'\n";
    return 1;
  }
  std::cout << adapter.PortsDir().string() << std::endl;
  std::cerr << "quorvel-sim: adapter on "
            << (options.adapterPort.empty() ? std::string("no port") : options.adapterPort)
            << " (" << (options.aodiModel ? "aodi" : "mlppp") << ") at";
  for (auto speed : options.speeds) std::cerr << ' ' << speed;
  std::cerr << " bit/s; stop with Ctrl-C" << std::endl;

  int received = 0;
  while (sigwait(&stopSignals, &received) != 0) {
  }
  adapter.Stop();
  return 0;
}
