// Where per-user files go: the XDG base folders with their usual defaults.
#pragma once

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace platform {

// The variable's value, or nullptr when it is unset or empty.
inline const char* NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

inline std::filesystem::path HomeFolder() {
  if (const char* home = NonEmptyEnv("HOME")) return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return "/";
}

// $XDG_CONFIG_HOME, else ~/.config.
inline std::filesystem::path ConfigFolder() {
  if (const char* config = NonEmptyEnv("XDG_CONFIG_HOME")) return config;
  return HomeFolder() / ".config";
}

}  // namespace platform
