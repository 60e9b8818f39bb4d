// CRegistryKey: a key below HKEY_LOCAL_MACHINE, created on first use with the volatile
// option (a key that already exists keeps its kind), holding 4-byte numbers and binary
// values. Failures are silent by design: reads leave the variable unchanged, writes
// store nothing; the returned status is there for callers that want it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class RegistryRoot { LocalMachine };

inline constexpr long kRegistryOk = 0;     // ERROR_SUCCESS
inline constexpr long kRegistryFailed = 1;  // anything else

class CRegistryKey {
 public:
  CRegistryKey() = default;
  virtual ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Creates or opens the key (volatile when created). The previous handle is replaced.
  void OpenKey(RegistryRoot root, const std::string& subKeyPath);
  long WriteDword(const std::string& valueName, std::int32_t value);
  long WriteBinary(const std::string& valueName, const std::vector<std::uint8_t>& bytes);
  // Copies exactly 4 stored bytes into `variable`; any other size or failure leaves it.
  long ReadDword(const std::string& valueName, std::int32_t& variable);
  void CloseKey();

  bool IsOpen() const { return !hkey.empty(); }
  const std::string& KeyPath() const { return keyPath; }

 private:
  std::string hkey;     // full key name while open, empty when closed
  std::string keyPath;  // sub-key path of the last OpenKey
};
