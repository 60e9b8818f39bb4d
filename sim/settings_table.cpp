#include "sim/settings_table.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "sim/crc16_x25.h"

namespace sim {

namespace {

SettingSpec Number(std::string key, int min, int max, int factory = 0) {
  return {std::move(key), ValueKind::Number, min, max, std::to_string(factory)};
}
SettingSpec Thresholds(std::string key) {
  return {std::move(key), ValueKind::Thresholds, 0, 100, "050050"};
}
SettingSpec Digits(std::string key) { return {std::move(key), ValueKind::Digits, 0, 0, ""}; }
SettingSpec Truth(std::string key, int factory = 0) { return Number(std::move(key), 0, 1, factory); }

void AddPhonePort(std::vector<SettingSpec>& specs, char letter) {
  const std::string L(1, letter);
  specs.push_back(Digits("AT#ICF" + L));         // forwarding number
  specs.push_back(Number("AT#ICFN" + L, 0, 30));  // forwarding wait
  specs.push_back(Digits("AT#Z" + L));           // multiple subscriber number
  specs.push_back(Truth("AT#G" + L, 1));         // main number accepted
  specs.push_back(Digits("AT#H" + L));           // sub-address
  specs.push_back(Truth("AT#O" + L, 1));         // dialling: 0 enbloc, 1 overlap
  specs.push_back(Truth("AT#P" + L));            // priority ring
  specs.push_back(Truth("AT#W" + L, 1));         // extension call
  specs.push_back(Truth("AT&Z" + L));            // speed dialling
  for (int i = 0; i < 10; ++i) specs.push_back(Digits("AT%A" + L + std::to_string(i)));
  specs.push_back(Truth("AT#S" + L));  // selective incoming
  for (int i = 0; i < 10; ++i) specs.push_back(Digits("AT%S" + L + std::to_string(i)));
  specs.push_back(Truth("AT#Y" + L));            // three-party by the exchange
  specs.push_back(Truth("AT#T" + L));            // call transfer
  specs.push_back(Truth("AT#C" + L));            // own call waiting
  specs.push_back(Number("AT#A" + L, 0, 2));     // exchange call waiting
  specs.push_back(Truth("AT#TC" + L));           // call pick-up
  specs.push_back(Truth("AT#SC" + L));           // internal transfer
  specs.push_back(Truth("AT#SP" + L, 1));        // set-up by phone
  specs.push_back(Number("AT#EOD" + L, 0, 2));   // end-of-dial time
  specs.push_back(Truth("AT#IY" + L));           // own three-party
}

std::vector<SettingSpec> MakeSpecs() {
  std::vector<SettingSpec> specs = {
      Truth("AT$Z"),           Number("AT$MLSCTM", 0, 32000), Thresholds("AT$MLTHP"),
      Number("AT$MLOND", 0, 60), Number("AT$MLCLD", 0, 60),   Truth("AT$MLTPF"),
      Number("AT$DISC", 0, 3), Number("AT$SCTM", 0, 32000),   Thresholds("AT$ATHP"),
      Thresholds("AT$BTHP"),   Number("AT$AOND", 0, 60),      Number("AT$BOND", 0, 60),
      Number("AT$ACLD", 0, 60), Number("AT$BCLD", 0, 60),     Truth("AT$HFML"),
      Truth("AT#P"),  // PCM law, common to both ports: 0 A-law, 1 mu-law
  };
  AddPhonePort(specs, 'A');
  AddPhonePort(specs, 'B');
  return specs;
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

const std::vector<SettingSpec>& SettingSpecs() {
  static const std::vector<SettingSpec> specs = MakeSpecs();
  return specs;
}

const SettingSpec* FindSetting(std::string_view key) {
  const auto& specs = SettingSpecs();
  auto it = std::find_if(specs.begin(), specs.end(), [&](const SettingSpec& s) { return s.key == key; });
  return it == specs.end() ? nullptr : &*it;
}

std::optional<std::string> CheckValue(const SettingSpec& setting, std::string_view value) {
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
  for (const auto& setting : SettingSpecs()) values_[setting.key] = setting.factory;
}

ApplyResult SettingsStore::Apply(std::string_view key, std::string_view value) {
  const SettingSpec* setting = FindSetting(key);
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
  for (const auto& setting : SettingSpecs()) {
    auto it = values_.find(setting.key);
    if (it != values_.end()) addLine(setting.key, it->second);
  }
  for (const auto& [key, value] : values_) {
    if (FindSetting(key) == nullptr) addLine(key, value);
  }
  return text;
}

}  // namespace sim
