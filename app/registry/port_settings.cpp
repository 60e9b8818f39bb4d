#include "app/registry/port_settings.h"

#include "app/registry/registry_key.h"

std::int32_t currentPort = 0;
std::int32_t currentSpeed = kDefaultSpeed;

void LoadPortSettings(CRegistryKey& key) {
  key.OpenKey(RegistryRoot::LocalMachine, kSettingsKey);
  key.ReadDword(kComNumValue, currentPort);
  key.ReadDword(kPortSpeedValue, currentSpeed);
  key.CloseKey();
}

void SavePortSettings(CRegistryKey& key) {
  key.OpenKey(RegistryRoot::LocalMachine, kSettingsKey);
  key.WriteDword(kComNumValue, currentPort);
  key.WriteDword(kPortSpeedValue, currentSpeed);
  key.CloseKey();
}
