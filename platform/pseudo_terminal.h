// PseudoTerminal: a master/slave pair, the far end of a simulated serial line.
// The master side is the adapter's; the slave path is what a ports directory links to.
// The master reads the line settings the program put on the slave (tcgetattr on the
// master reports the slave's termios on Linux), so a simulated adapter can tell the speed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace platform {

class PseudoTerminal {
 public:
  PseudoTerminal();  // opens the pair; IsOpen() tells whether it worked
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool IsOpen() const { return master_ >= 0; }
  int MasterFd() const { return master_; }
  const std::filesystem::path& SlavePath() const { return slavePath_; }
  // Bit rate currently set on the slave side, if it maps to a known rate.
  std::optional<std::uint32_t> SlaveSpeed() const;
  // Bytes the master wrote that nobody has read from the slave yet. A hang-up discards
  // them, so a line that should drop after its last reply waits for this to reach 0.
  std::size_t UnreadBySlave() const;
  // Closes the master: the slave side sees a hang-up.
  void HangUp();

 private:
  int master_ = -1;
  int keepSlave_ = -1;  // held open so the slave does not report a hang-up while unused
  std::filesystem::path slavePath_;
};

}  // namespace platform
