// HiveText: one registry hive in registry export format, kept as its lines.
//
//   ParseHive()      the text of a hive file, or nothing when it cannot be parsed
//   SerializeHive()  the text to write back
//   FindKey(), FindValue(), AddKey(), SetValue()  look-ups, and changes that touch
//                    only their own lines
//
// The lines we understand (key headers, dword, hex and string values) are parsed; every
// other line is carried along untouched, so writing a hive back changes only what was
// set. Names compare without regard to ASCII case, as the system registry does.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_hive.h"

namespace platform::hivetext {

struct Entry {
  std::string raw;                     // the line(s) as they stand in the file
  std::optional<std::string> name;     // set for value lines
  std::optional<RegistryValue> value;  // set for value lines whose data we read
};

struct Key {
  std::string name;
  std::string rawHeader;
  std::vector<Entry> entries;
};

struct Hive {
  std::vector<std::string> preamble{""};  // lines between the header line and the first key
  std::vector<Key> keys;
};

// An empty text is an empty hive; a text that is not a hive gives nothing.
std::optional<Hive> ParseHive(std::string_view text);
std::string SerializeHive(const Hive& hive);

Key* FindKey(Hive& hive, std::string_view name);
const Entry* FindValue(const Key& key, std::string_view name);
// Appends a key block (the caller checks that the key is not there yet).
void AddKey(Hive& hive, const std::string& name);
// Replaces the value's line, or adds one after the key's last value.
void SetValue(Key& key, const std::string& name, const RegistryValue& value);

}  // namespace platform::hivetext
