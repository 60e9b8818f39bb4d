#include "sim/settings_table.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "sim/crc16_x25.h"

namespace sim {

namespace {

KnownSetting Number(std::string key, int min, int max, int factory = 0) {
  return {std::move(key), ValueKind::Number, min, max, std::to_string(factory)};
}
KnownSetting Thresholds(std::string key) {
  return {std::move(key), ValueKind::Thresholds, 0, 100, "050050"};
}
KnownSetting Digits(std::string key) { return {std::move(key), ValueKind::Digits, 0, 0, ""}; }
KnownSetting Truth(std::string key, int factory = 0) { return Number(std::move(key), 0, 1, factory); }

void AddPhonePort(std::vector<KnownSetting>& table, char letter) {
  const std::string L(1, letter);
  table.push_back(Digits("AT#ICF" + L));         // forwarding number
  table.push_back(Number("AT#ICFN" + L, 0, 30));  // forwarding wait
  table.push_back(Digits("AT#Z" + L));           // multiple subscriber number
  table.push_back(Truth("AT#G" + L, 1));         // main number accepted
  table.push_back(Digits("AT#H" + L));           // sub-address
  table.push_back(Truth("AT#O" + L, 1));         // dialling: 0 enbloc, 1 overlap
  table.push_back(Truth("AT#P" + L));            // priority ring
  table.push_back(Truth("AT#W" + L, 1));         // extension call
  table.push_back(Truth("AT&Z" + L));            // speed dialling
  for (int i = 0; i < 10; ++i) table.push_back(Digits("AT%A" + L + std::to_string(i)));
  table.push_back(Truth("AT#S" + L));  // selective incoming
  for (int i = 0; i < 10; ++i) table.push_back(Digits("AT%S" + L + std::to_string(i)));
  table.push_back(Truth("AT#Y" + L));            // three-party by the exchange
  table.push_back(Truth("AT#T" + L));            // call transfer
  table.push_back(Truth("AT#C" + L));            // own call waiting
  table.push_back(Number("AT#A" + L, 0, 2));     // exchange call waiting
  table.push_back(Truth("AT#TC" + L));           // call pick-up
  table.push_back(Truth("AT#SC" + L));           // internal transfer
  table.push_back(Truth("AT#SP" + L, 1));        // set-up by phone
  table.push_back(Number("AT#EOD" + L, 0, 2));   // end-of-dial time
  table.push_back(Truth("AT#IY" + L));           // own three-party
}

std::vector<KnownSetting> MakeTable() {
  std::vector<KnownSetting> table = {
      Truth("AT$Z"),           Number("AT$MLSCTM", 0, 32000), Thresholds("AT$MLTHP"),
      Number("AT$MLOND", 0, 60), Number("AT$MLCLD", 0, 60),   Truth("AT$MLTPF"),
      Number("AT$DISC", 0, 3), Number("AT$SCTM", 0, 32000),   Thresholds("AT$ATHP"),
      Thresholds("AT$BTHP"),   Number("AT$AOND", 0, 60),      Number("AT$BOND", 0, 60),
      Number("AT$ACLD", 0, 60), Number("AT$BCLD", 0, 60),     Truth("AT$HFML"),
      Truth("AT#P"),  // PCM law, common to both ports: 0 A-law, 1 mu-law
  };
  AddPhonePort(table, 'A');
  AddPhonePort(table, 'B');
  return table;
}

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<int> ParseBounded(std::string_view text, int min, int max) {
  if (text.empty() || text.size() > 6 || !AllDigits(text)) return std::nullopt;
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  if (value < min || value > max) return std::nullopt;
  return value;
}

}  // namespace

const std::vector<KnownSetting>& KnownSettings() {
  static const std::vector<KnownSetting> table = MakeTable();
  return table;
}

const KnownSetting* FindSetting(std::string_view key) {
  const auto& table = KnownSettings();
  auto it = std::find_if(table.begin(), table.end(), [&](const KnownSetting& s) { return s.key == key; });
  return it == table.end() ? nullptr : &*it;
}

std::optional<std::string> CheckValue(const KnownSetting& setting, std::string_view value) {
  switch (setting.kind) {
    case ValueKind::Number: {
      auto number = ParseBounded(value, setting.min, setting.max);
      if (!number) return std::nullopt;
      return std::to_string(*number);
    }
    case ValueKind::Thresholds: {
      if (value.size() != 6) return std::nullopt;
      auto open = ParseBounded(value.substr(0, 3), setting.min, setting.max);
      auto close = ParseBounded(value.substr(3), setting.min, setting.max);
      if (!open || !close) return std::nullopt;
      return std::string(value);
    }
    case ValueKind::Digits:
      if (value.size() > kMaxDigits || !AllDigits(value)) return std::nullopt;
      return std::string(value);
  }
  return std::nullopt;
}

void SettingsStore::Reset() {
  values_.clear();
  for (const auto& setting : KnownSettings()) values_[setting.key] = setting.factory;
}

ApplyResult SettingsStore::Apply(std::string_view key, std::string_view value) {
  const KnownSetting* setting = FindSetting(key);
  if (setting == nullptr) return ApplyResult::UnknownKey;
  auto checked = CheckValue(*setting, value);
  if (!checked) return ApplyResult::BadValue;
  values_[setting->key] = std::move(*checked);
  return ApplyResult::Ok;
}

void SettingsStore::Put(const std::string& key, const std::string& value) { values_[key] = value; }

std::optional<std::string> SettingsStore::Get(const std::string& key) const {
  auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::string SettingsStore::ReadOutText(bool wrongChecksum) const {
  std::string text;
  auto addLine = [&](const std::string& key, const std::string& value) {
    const std::string line = key + "=" + value;
    const unsigned crc = (Crc16X25(line) + (wrongChecksum ? 1u : 0u)) & 0xFFFFu;
    text += line;
    text += "\r\n";
    text += std::to_string(crc);
    text += "\r\n";
  };
  for (const auto& setting : KnownSettings()) {
    auto it = values_.find(setting.key);
    if (it != values_.end()) addLine(setting.key, it->second);
  }
  for (const auto& [key, value] : values_) {
    if (FindSetting(key) == nullptr) addLine(key, value);
  }
  return text;
}

}  // namespace sim
