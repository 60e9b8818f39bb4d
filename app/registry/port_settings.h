// The port and speed every exchange uses, and where they are remembered between runs.
#pragma once

#include <cstdint>

class CRegistryKey;

// COM port of the adapter (1..4; 0 = none chosen or not found; above 4 = TELNET).
extern std::int32_t currentPort;
// Line speed in bit/s.
extern std::int32_t currentSpeed;

inline constexpr std::int32_t kDefaultSpeed = 115200;
inline constexpr const char* kSettingsKey = "SOFTWARE\\MARONIX";
inline constexpr const char* kComNumValue = "SOFTWARE\\MARONIX\\ComNum";
inline constexpr const char* kPortSpeedValue = "SOFTWARE\\MARONIX\\PortSpeed";

// Reads both values into the globals; a missing or malformed value leaves its global.
void LoadPortSettings(CRegistryKey& key);
void SavePortSettings(CRegistryKey& key);
