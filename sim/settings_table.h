// The adapter's settings: every key it knows, how each value is checked, its factory
// value, and the read-out that lists them with a checksum line after each.
//
//   KnownSettings()     the table, in read-out order (the law "AT#P" before the
//                      per-port "AT#PA"/"AT#PB", which start with the same text)
//   SettingsStore      current values; Apply() checks a command's value, Put() does not
//   ReadOutText()      "KEY=VALUE\r\n<crc>\r\n" for every setting
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class ValueKind {
  Number,      // decimal digits, value within [min, max]
  Thresholds,  // six digits: two three-digit numbers, each within [min, max]
  Digits,      // a telephone number: digits only, possibly none
};

struct KnownSetting {
  std::string key;  // e.g. "AT$ATHP", "AT#ICFA", "AT%AB3", "AT#P"
  ValueKind kind;
  int min;
  int max;
  std::string factory;
};

// Longest telephone number the adapter keeps; a read-out value of this length still
// fits what the program takes from a line.
inline constexpr std::size_t kMaxDigits = 19;

const std::vector<KnownSetting>& KnownSettings();
const KnownSetting* FindSetting(std::string_view key);

enum class ApplyResult { Ok, UnknownKey, BadValue };

// Checks a value as the adapter does for a settings command; on success returns the
// value as the adapter stores it (numbers without leading zeros).
std::optional<std::string> CheckValue(const KnownSetting& setting, std::string_view value);

class SettingsStore {
 public:
  SettingsStore() { Reset(); }

  void Reset();  // factory values; keys added with Put() are dropped
  ApplyResult Apply(std::string_view key, std::string_view value);
  // Stores any key and value unchecked (a test's way to put odd content in the read-out).
  void Put(const std::string& key, const std::string& value);
  std::optional<std::string> Get(const std::string& key) const;
  const std::map<std::string, std::string>& All() const { return values_; }

  // Table keys first, in table order, then keys added with Put(); with `wrongChecksum`
  // each checksum is one more than it should be.
  std::string ReadOutText(bool wrongChecksum) const;

 private:
  std::map<std::string, std::string> values_;
};

}  // namespace sim
