// Registry hives: the text files that stand in for the system registry.
//
// A hive is a file in registry export format:
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\MARONIX]
//   "SOFTWARE\\MARONIX\\ComNum"=dword:00000002
//   "blob"=hex:0a,1b,ff
//   (a blank line after every key block, the last one included)
// Two hives: persistent and volatile (cleared by a restart). Every change is made under
// an exclusive flock on "<hive>.lock", written to a temporary file, fsync'ed and renamed,
// so concurrent processes lose nothing and a crash never leaves a torn file. A hive that
// cannot be parsed is moved aside to "<hive>.corrupt" before the next write and read as
// empty. Lines we do not understand inside a valid hive are kept as they are.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class HiveKind { Persistent, Volatile };

struct RegistryValue {
  enum class Type { Dword, Binary } type = Type::Dword;
  std::vector<std::uint8_t> data;  // a dword is its 4 bytes, little-endian
};

// Hive file paths: $QUORVEL_REGISTRY_DIR/{persistent,volatile}.reg when set, else
// $XDG_CONFIG_HOME/quorvel/persistent.reg (~/.config/...) and
// $XDG_RUNTIME_DIR/quorvel/volatile.reg (or /tmp/quorvel-<uid>/volatile.reg).
std::filesystem::path HivePath(HiveKind kind);

// Full key names are "HKEY_LOCAL_MACHINE\SOFTWARE\MARONIX" (no trailing backslash).
class RegistryStore {
 public:
  // Which hive holds `key`, if any.
  static std::optional<HiveKind> FindKey(const std::string& key);
  // Creates the key in the hive of `kindIfNew` unless it exists in either hive.
  // Returns the hive that holds it, or nothing when the store cannot be written.
  static std::optional<HiveKind> CreateKey(const std::string& key, HiveKind kindIfNew);
  // Sets a value of an existing key (in whichever hive holds it). False on failure.
  static bool SetValue(const std::string& key, const std::string& name, const RegistryValue& value);
  static std::optional<RegistryValue> GetValue(const std::string& key, const std::string& name);
};

}  // namespace platform
