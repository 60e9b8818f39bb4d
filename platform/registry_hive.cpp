// Registry hives as files: where they live, the lock around every change, the
// temporary file and rename that replace a hive whole, and damaged hives kept aside.
#include "platform/registry_hive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/eintr.h"
#include "platform/hive_text.h"
#include "platform/user_folders.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using hivetext::Hive;
using hivetext::Key;

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
  return hivetext::ParseHive(text).value_or(Hive{});
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
  if (auto hive = hivetext::ParseHive(text)) return hive;
  if (!MoveAside(path)) return std::nullopt;
  return Hive{};
}

// Replaces the hive file as a whole: temporary file in the same folder, fsync, rename.
bool Store(HiveKind kind, const Hive& hive) {
  fs::path path = HivePath(kind);
  std::string temp = path.string() + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, 0600) == 0 && WriteAll(fd, hivetext::SerializeHive(hive)) &&
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
    if (hivetext::FindKey(hive, key) != nullptr) return kind;
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
  if (hivetext::FindKey(otherHive, key) != nullptr) return other;
  if (!targetLock.Held()) return std::nullopt;
  auto hive = LoadForWriting(kindIfNew);
  if (!hive) return std::nullopt;
  if (hivetext::FindKey(*hive, key) != nullptr) return kindIfNew;
  hivetext::AddKey(*hive, key);
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
  Key* target = hivetext::FindKey(*hive, key);
  if (target == nullptr) return false;
  hivetext::SetValue(*target, name, value);
  return Store(*kind, *hive);
}

std::optional<RegistryValue> RegistryStore::GetValue(const std::string& key,
                                                     const std::string& name) {
  for (HiveKind kind : kSearchOrder) {
    Hive hive = LoadForReading(kind);
    if (Key* found = hivetext::FindKey(hive, key)) {
      const hivetext::Entry* entry = hivetext::FindValue(*found, name);
      return entry != nullptr ? entry->value : std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace platform
