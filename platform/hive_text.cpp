#include "platform/hive_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <utility>
#include <vector>

namespace platform::hivetext {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

std::string EscapeName(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// Reads a quoted, escaped text starting at text[0] == '"'; advances `text` past it.
std::optional<std::string> TakeQuoted(std::string_view& text) {
  std::string out;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      text.remove_prefix(i + 1);
      return out;
    }
    if (text[i] == '\\' && ++i == text.size()) break;
    out += text[i];
  }
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  auto trim = [](std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
  };
  text = trim(text);
  if (text.empty()) return bytes;
  while (true) {
    std::size_t comma = text.find(',');
    std::string_view item = trim(text.substr(0, comma));
    std::uint8_t byte = 0;
    auto [end, status] = std::from_chars(item.data(), item.data() + item.size(), byte, 16);
    if (item.size() != 2 || status != std::errc() || end != item.data() + item.size()) {
      return std::nullopt;
    }
    bytes.push_back(byte);
    if (comma == std::string_view::npos) return bytes;
    text.remove_prefix(comma + 1);
  }
}

// Data of a value line. Known forms we cannot read exactly are an error (the file is
// damaged); forms we have no use for yield a value line without data.
enum class DataParse { Read, Unused, Damaged };

DataParse ParseData(std::string_view data, std::optional<RegistryValue>& value) {
  if (data.starts_with("dword:")) {
    data.remove_prefix(6);
    std::uint32_t number = 0;
    auto [end, status] = std::from_chars(data.data(), data.data() + data.size(), number, 16);
    if (data.size() != 8 || status != std::errc() || end != data.data() + data.size()) {
      return DataParse::Damaged;
    }
    value = RegistryValue{RegistryValue::Type::Dword,
                          {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                           static_cast<std::uint8_t>(number >> 16),
                           static_cast<std::uint8_t>(number >> 24)}};
    return DataParse::Read;
  }
  if (data.starts_with("hex")) {
    std::size_t colon = data.find(':');
    std::string_view type = data.substr(3, colon == std::string_view::npos ? 0 : colon - 3);
    bool typed = type.size() > 2 && type.front() == '(' && type.back() == ')';
    if (colon == std::string_view::npos || !(type.empty() || typed)) return DataParse::Damaged;
    auto bytes = ParseHexBytes(data.substr(colon + 1));
    if (!bytes) return DataParse::Damaged;
    value = RegistryValue{RegistryValue::Type::Binary, std::move(*bytes)};
    return DataParse::Read;
  }
  if (data.starts_with('"')) {
    auto text = TakeQuoted(data);
    if (!text || !data.empty()) return DataParse::Damaged;
    // A string's stored bytes include its terminating NUL.
    std::vector<std::uint8_t> bytes(text->begin(), text->end());
    bytes.push_back(0);
    value = RegistryValue{RegistryValue::Type::Binary, std::move(bytes)};
    return DataParse::Read;
  }
  return data == "-" ? DataParse::Unused : DataParse::Damaged;
}

// Splits into logical lines: a value line that ends in a backslash goes on in the next
// line (long hex values are wrapped that way).
std::vector<std::pair<std::string, std::string>> LogicalLines(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> lines;  // raw, joined
  bool continuing = false;
  while (!text.empty()) {
    std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    std::string_view content = line;
    if (continuing) {
      while (!content.empty() && (content.front() == ' ' || content.front() == '\t')) {
        content.remove_prefix(1);
      }
      lines.back().first += '\n';
      lines.back().first += line;
    } else {
      lines.emplace_back(std::string(line), std::string());
    }
    continuing = content.ends_with('\\') && lines.back().first.starts_with('"');
    if (continuing) content.remove_suffix(1);
    lines.back().second += content;
  }
  return lines;
}

std::string& LastLine(Hive& hive) {
  if (hive.keys.empty()) return hive.preamble.back();
  Key& last = hive.keys.back();
  return last.entries.empty() ? last.rawHeader : last.entries.back().raw;
}

std::string FormatValue(const std::string& name, const RegistryValue& value) {
  std::string line = "\"" + EscapeName(name) + "\"=";
  constexpr char kDigits[] = "0123456789abcdef";
  if (value.type == RegistryValue::Type::Dword && value.data.size() == 4) {
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = (number << 8) | value.data[static_cast<std::size_t>(i)];
    char digits[9] = {};
    for (int i = 7; i >= 0; --i, number >>= 4) digits[i] = kDigits[number & 0xF];
    return line + "dword:" + digits;
  }
  line += "hex:";
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    if (i > 0) line += ',';
    line += kDigits[value.data[i] >> 4];
    line += kDigits[value.data[i] & 0xF];
  }
  return line;
}

}  // namespace

std::optional<Hive> ParseHive(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  auto lines = LogicalLines(text);
  if (lines.empty()) return Hive{};  // an empty file holds nothing and loses nothing
  if (lines.front().second != kHeader) return std::nullopt;

  Hive hive;
  hive.preamble.clear();
  for (std::size_t i = 1; i < lines.size(); ++i) {
    auto& [raw, line] = lines[i];
    if (line.starts_with('[')) {
      if (!line.ends_with(']') || line.size() < 3) return std::nullopt;
      hive.keys.push_back(Key{line.substr(1, line.size() - 2), raw, {}});
      continue;
    }
    Entry entry{raw, std::nullopt, std::nullopt};
    if (line.starts_with('"')) {
      std::string_view rest = line;
      auto name = TakeQuoted(rest);
      if (!name || !rest.starts_with('=') || hive.keys.empty()) return std::nullopt;
      if (ParseData(rest.substr(1), entry.value) == DataParse::Damaged) return std::nullopt;
      entry.name = std::move(*name);
    }
    if (hive.keys.empty()) {
      hive.preamble.push_back(raw);
    } else {
      hive.keys.back().entries.push_back(std::move(entry));
    }
  }
  return hive;
}

std::string SerializeHive(const Hive& hive) {
  std::string out(kHeader);
  out += '\n';
  for (const auto& line : hive.preamble) out += line + '\n';
  for (const auto& key : hive.keys) {
    out += key.rawHeader + '\n';
    for (const auto& entry : key.entries) out += entry.raw + '\n';
  }
  // An export ends every key block with a blank line, the last one too. A hive read
  // from a file that ends that way keeps its blank line as the last key's last entry.
  if (!hive.keys.empty() && !out.ends_with("\n\n")) out += '\n';
  return out;
}

Key* FindKey(Hive& hive, std::string_view name) {
  auto found = std::ranges::find_if(hive.keys, [&](const Key& k) { return SameName(k.name, name); });
  return found == hive.keys.end() ? nullptr : &*found;
}

void AddKey(Hive& hive, const std::string& name) {
  if (hive.preamble.empty()) hive.preamble.emplace_back();
  if (!LastLine(hive).empty()) {
    if (hive.keys.empty()) {
      hive.preamble.emplace_back();
    } else {
      hive.keys.back().entries.push_back(Entry{});
    }
  }
  hive.keys.push_back(Key{name, "[" + name + "]", {}});
}

const Entry* FindValue(const Key& key, std::string_view name) {
  auto found = std::ranges::find_if(
      key.entries, [&](const Entry& e) { return e.name && SameName(*e.name, name); });
  return found == key.entries.end() ? nullptr : &*found;
}

void SetValue(Key& key, const std::string& name, const RegistryValue& value) {
  Entry entry{FormatValue(name, value), name, value};
  auto found = std::ranges::find_if(
      key.entries, [&](const Entry& e) { return e.name && SameName(*e.name, name); });
  if (found != key.entries.end()) {
    *found = std::move(entry);
    return;
  }
  // After the key's last value, before the blank line that separates it from the next.
  auto lastFilled = std::find_if(key.entries.rbegin(), key.entries.rend(),
                                 [](const Entry& e) { return !e.raw.empty(); });
  key.entries.insert(lastFilled.base(), std::move(entry));
}

}  // namespace platform::hivetext
