// CRegistryKey over the hive files of the platform layer.
#include "app/registry/registry_key.h"

#include <utility>

#include "platform/registry_hive.h"

namespace {

constexpr const char* kLocalMachine = "HKEY_LOCAL_MACHINE";

long Store(const std::string& hkey, const std::string& valueName,
           const platform::RegistryValue& value) {
  if (hkey.empty()) return kRegistryFailed;
  return platform::RegistryStore::SetValue(hkey, valueName, value) ? kRegistryOk : kRegistryFailed;
}

}  // namespace

CRegistryKey::~CRegistryKey() { CloseKey(); }

void CRegistryKey::OpenKey(RegistryRoot /*root: only HKEY_LOCAL_MACHINE exists*/,
                           const std::string& subKeyPath) {
  keyPath = subKeyPath;
  hkey.clear();
  std::string fullName = kLocalMachine;
  if (!subKeyPath.empty()) fullName += "\\" + subKeyPath;
  // The volatile option applies only when the key is new; an existing key keeps its kind.
  if (platform::RegistryStore::CreateKey(fullName, platform::HiveKind::Volatile)) {
    hkey = std::move(fullName);
  }
}

long CRegistryKey::WriteDword(const std::string& valueName, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                  static_cast<std::uint8_t>(bits >> 16),
                                  static_cast<std::uint8_t>(bits >> 24)};
  return Store(hkey, valueName, {platform::RegistryValue::Type::Dword, std::move(bytes)});
}

long CRegistryKey::WriteBinary(const std::string& valueName, const std::vector<std::uint8_t>& bytes) {
  return Store(hkey, valueName, {platform::RegistryValue::Type::Binary, bytes});
}

long CRegistryKey::ReadDword(const std::string& valueName, std::int32_t& variable) {
  if (!IsOpen()) return kRegistryFailed;
  auto value = platform::RegistryStore::GetValue(hkey, valueName);
  // Any type is taken when it is 4 bytes long; a shorter value would leave part of the
  // number undefined, so it is refused like a longer one.
  if (!value || value->data.size() != 4) return kRegistryFailed;
  const auto& d = value->data;
  variable = static_cast<std::int32_t>(static_cast<std::uint32_t>(d[0]) |
                                       static_cast<std::uint32_t>(d[1]) << 8 |
                                       static_cast<std::uint32_t>(d[2]) << 16 |
                                       static_cast<std::uint32_t>(d[3]) << 24);
  return kRegistryOk;
}

void CRegistryKey::CloseKey() { hkey.clear(); }
