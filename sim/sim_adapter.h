// SimAdapter: a simulated ISDN terminal adapter on pseudo-terminals.
//
// It makes a ports directory holding COM1..COM4 and TELNET, each a link to the slave side
// of a pseudo-terminal, puts the adapter on one of them and leaves the others silent
// (they still record what they receive). The adapter answers only while the program's
// side of its line is set to one of the adapter's speeds.
//
// It is written from the adapter's side and shares nothing with the program's protocol
// code: its own settings model, its own read-out and checksum.
//
// Usable in-process (tests, benchmarks) and from the quorvel-sim program.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sim {

struct Options {
  std::string adapterPort = "COM1";              // "COM1".."COM4", "TELNET", or "" for none
  std::set<std::uint32_t> speeds = {115200};     // line speeds the adapter answers at
  bool aodiModel = true;                         // AT$AODI answered OK (else ERROR)
  bool promptOnly = false;                       // answers the probe with "COMMAND>" only
  bool echoReadOut = true;                       // read-out starts with the "AT$OUTCUR" echo
  std::chrono::milliseconds replyDelay{0};       // before each reply
  std::size_t splitReplies = 0;                  // >0: send replies in pieces of this size ...
  std::chrono::milliseconds splitGap{20};        // ... this far apart
  int dropAfter = -1;                            // >=0: answer this many commands, then none
  std::set<std::string> silentCommands;          // command keys never answered ("ATW", "AT$ATHP")
  std::set<std::string> errorCommands;           // command keys answered with ERROR
  bool wrongChecksum = false;                    // every read-out checksum off by one
  bool noAodiAnswer = false;                     // AT$AODI gets no answer at all
  int hangUpAfter = -1;                          // >=0: hang up after this many replies
  bool hangUpMidReply = false;                   // with hangUpAfter: the next reply is cut
                                                 // off halfway by the hang-up
};
// dropAfter and hangUpAfter count the replies sent since Start() or the last SetOptions().

// One line (or raw chunk) that arrived on a port.
struct Received {
  std::string port;                 // "COM1".. "TELNET"
  std::optional<std::uint32_t> speed;  // speed set on the program's side at that moment
  std::string bytes;                // exactly as received (a command with its CR/LF)
  std::chrono::steady_clock::time_point at;
};

class SimAdapter {
 public:
  // Creates the ports directory (a fresh temporary one when `portsDir` is empty).
  explicit SimAdapter(Options options, std::filesystem::path portsDir = {});
  ~SimAdapter();
  SimAdapter(const SimAdapter&) = delete;
  SimAdapter& operator=(const SimAdapter&) = delete;

  bool Start();   // starts serving; false when pseudo-terminals could not be made
  void Stop();

  const std::filesystem::path& PortsDir() const;
  std::filesystem::path SlavePath(const std::string& port) const;

  // Changes options while running (the adapter's port stays).
  void SetOptions(const Options& options);
  Options CurrentOptions() const;

  // Everything received, in order, on every port; and just the commands (complete lines
  // cut at CR or LF, empty lines dropped) that reached the adapter's port.
  std::vector<Received> Log() const;
  std::vector<std::string> Commands() const;
  // Raw bytes received on one port since the start or the last ClearLog().
  std::string RawBytes(const std::string& port) const;
  void ClearLog();

  // The adapter's settings: key (e.g. "AT$ATHP", "AT#ICFA", "AT%AB3", "AT#P") -> value text.
  std::map<std::string, std::string> Settings() const;
  void SetSetting(const std::string& key, const std::string& value);
  std::optional<std::string> Setting(const std::string& key) const;
  // Date and time last set with AT$DATE / AT$TIME.
  std::string ClockDate() const;
  std::string ClockTime() const;
  int StoreCount() const;  // how many ATW were received
  int ResetCount() const;  // how many AT$RESET were received

  // Closes the adapter port's master side: the program sees a hang-up.
  void HangUp();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sim
