// Registry hives as text files in registry export format.
//
// A hive is kept as its lines: the lines we understand (key headers, dword and hex
// values) are parsed, everything else is carried along untouched, so writing a hive back
// changes only the value that was set. Names compare without regard to ASCII case, as
// the system registry does.
#include "platform/registry_hive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/eintr.h"
#include "platform/user_folders.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

// ---- the hive as lines -------------------------------------------------------------

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

std::optional<Hive> Parse(std::string_view text) {
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

std::string Serialize(const Hive& hive) {
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

Key* FindIn(Hive& hive, std::string_view name) {
  auto found = std::ranges::find_if(hive.keys, [&](const Key& k) { return SameName(k.name, name); });
  return found == hive.keys.end() ? nullptr : &*found;
}

std::string& LastLine(Hive& hive) {
  if (hive.keys.empty()) return hive.preamble.back();
  Key& last = hive.keys.back();
  return last.entries.empty() ? last.rawHeader : last.entries.back().raw;
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

void SetIn(Key& key, const std::string& name, const RegistryValue& value) {
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

// ---- files ---------------------------------------------------------------------------

enum class ReadStatus { Read, Missing, Failed };

ReadStatus ReadWhole(const fs::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::error_code error;
    return fs::exists(path, error) || error ? ReadStatus::Failed : ReadStatus::Missing;
  }
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return in.bad() ? ReadStatus::Failed : ReadStatus::Read;
}

// The hive as it can be read: damaged or unreadable hives read as empty.
Hive LoadForReading(HiveKind kind) {
  std::string text;
  if (ReadWhole(HivePath(kind), text) != ReadStatus::Read) return Hive{};
  return Parse(text).value_or(Hive{});
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = RetryOnEintr([&] { return ::write(fd, data.data(), data.size()); });
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

fs::path SharedTmpFolder() { return fs::path("/tmp") / ("quorvel-" + std::to_string(getuid())); }

// Creates the missing folders of `folder`, private to the user.
bool EnsureFolder(const fs::path& folder) {
  fs::path partial;
  for (const auto& part : folder) {
    partial /= part;
    if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat info{};
  if (folder == SharedTmpFolder()) {
    // Anyone can create this name in /tmp first; use it only if it is really ours.
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == getuid() && (info.st_mode & 077) == 0;
  }
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Holds the exclusive lock on "<hive>.lock" for as long as it lives.
class HiveLock {
 public:
  HiveLock(HiveKind kind, bool createFolder) {
    fs::path hive = HivePath(kind);
    if (hive.empty()) return;
    if (createFolder && !EnsureFolder(hive.parent_path())) return;
    fs::path lockPath = hive;
    lockPath += ".lock";
    fd_ = RetryOnEintr([&] { return ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600); });
    if (fd_ >= 0 && RetryOnEintr([&] { return flock(fd_, LOCK_EX); }) != 0) {
      ::close(std::exchange(fd_, -1));
    }
  }
  ~HiveLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
  }
  HiveLock(const HiveLock&) = delete;
  HiveLock& operator=(const HiveLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Moves a damaged hive out of the way under a name that is not taken yet, so that no
// earlier copy is lost either.
bool MoveAside(const fs::path& hive) {
  for (int n = 0; n < 1000; ++n) {
    fs::path target = hive;
    target += n == 0 ? std::string(".corrupt") : ".corrupt." + std::to_string(n);
    std::error_code error;
    if (fs::exists(fs::symlink_status(target, error))) continue;
    return ::rename(hive.c_str(), target.c_str()) == 0;
  }
  return false;
}

// Reads the hive for a change; the caller holds its lock. A damaged hive is moved aside
// and the change starts from an empty one.
std::optional<Hive> LoadForWriting(HiveKind kind) {
  fs::path path = HivePath(kind);
  std::string text;
  switch (ReadWhole(path, text)) {
    case ReadStatus::Missing:
      return Hive{};
    case ReadStatus::Failed:
      return std::nullopt;
    case ReadStatus::Read:
      break;
  }
  if (auto hive = Parse(text)) return hive;
  if (!MoveAside(path)) return std::nullopt;
  return Hive{};
}

// Replaces the hive file as a whole: temporary file in the same folder, fsync, rename.
bool Store(HiveKind kind, const Hive& hive) {
  fs::path path = HivePath(kind);
  std::string temp = path.string() + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, 0600) == 0 && WriteAll(fd, Serialize(hive)) &&
            RetryOnEintr([&] { return ::fsync(fd); }) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable.
  int folder = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    RetryOnEintr([&] { return ::fsync(folder); });
    ::close(folder);
  }
  return true;
}

constexpr std::array kSearchOrder{HiveKind::Persistent, HiveKind::Volatile};

bool ValidKeyName(const std::string& key) {
  return !key.empty() && key.front() != '\\' && key.back() != '\\' &&
         key.find_first_of(std::string_view("\n\r\0", 3)) == std::string::npos;
}

bool ValidValueName(const std::string& name) {
  return name.find_first_of(std::string_view("\n\r\0", 3)) == std::string::npos;
}

}  // namespace

fs::path HivePath(HiveKind kind) {
  const char* file = kind == HiveKind::Persistent ? "persistent.reg" : "volatile.reg";
  if (const char* dir = NonEmptyEnv("QUORVEL_REGISTRY_DIR")) return fs::path(dir) / file;
  if (kind == HiveKind::Persistent) return ConfigFolder() / "quorvel" / file;
  if (const char* runtime = NonEmptyEnv("XDG_RUNTIME_DIR")) return fs::path(runtime) / "quorvel" / file;
  return SharedTmpFolder() / file;
}

std::optional<HiveKind> RegistryStore::FindKey(const std::string& key) {
  for (HiveKind kind : kSearchOrder) {
    Hive hive = LoadForReading(kind);
    if (FindIn(hive, key) != nullptr) return kind;
  }
  return std::nullopt;
}

std::optional<HiveKind> RegistryStore::CreateKey(const std::string& key, HiveKind kindIfNew) {
  if (!ValidKeyName(key)) return std::nullopt;
  const HiveKind other =
      kindIfNew == HiveKind::Persistent ? HiveKind::Volatile : HiveKind::Persistent;
  // Both locks, always in the same order, so that two processes cannot create the same
  // key in different hives. The other hive's folder is not created just to lock it.
  HiveLock persistentLock(HiveKind::Persistent, kindIfNew == HiveKind::Persistent);
  HiveLock volatileLock(HiveKind::Volatile, kindIfNew == HiveKind::Volatile);
  const HiveLock& targetLock = kindIfNew == HiveKind::Persistent ? persistentLock : volatileLock;

  Hive otherHive = LoadForReading(other);
  if (FindIn(otherHive, key) != nullptr) return other;
  if (!targetLock.Held()) return std::nullopt;
  auto hive = LoadForWriting(kindIfNew);
  if (!hive) return std::nullopt;
  if (FindIn(*hive, key) != nullptr) return kindIfNew;
  AddKey(*hive, key);
  if (!Store(kindIfNew, *hive)) return std::nullopt;
  return kindIfNew;
}

bool RegistryStore::SetValue(const std::string& key, const std::string& name,
                             const RegistryValue& value) {
  if (!ValidValueName(name)) return false;
  auto kind = FindKey(key);
  if (!kind) return false;
  HiveLock lock(*kind, true);
  if (!lock.Held()) return false;
  auto hive = LoadForWriting(*kind);
  if (!hive) return false;
  Key* target = FindIn(*hive, key);
  if (target == nullptr) return false;
  SetIn(*target, name, value);
  return Store(*kind, *hive);
}

std::optional<RegistryValue> RegistryStore::GetValue(const std::string& key,
                                                     const std::string& name) {
  for (HiveKind kind : kSearchOrder) {
    Hive hive = LoadForReading(kind);
    if (Key* found = FindIn(hive, key)) {
      for (const auto& entry : found->entries) {
        if (entry.name && SameName(*entry.name, name)) return entry.value;
      }
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace platform
