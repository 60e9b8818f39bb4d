// The library's four exports. Each catches everything: no C++ exception may cross the
// C ABI into a caller that cannot handle it.
#include "portfinder/tirnash.h"

#include <mutex>

#include "app/registry/registry_key.h"
#include "link/comm_link.h"
#include "link/detection.h"
#include "platform/notifier.h"
#include "portfinder/hex_items.h"

#define TIRNASH_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// A library shows nothing: the loading program owns the screen and the terminal.
class NullNotifier final : public platform::Notifier {
 public:
  void Show(const platform::Message&) override {}
};

// Lives from load to unload: the destructor runs on dlclose (or at exit) and closes a
// key the caller left open.
class Library {
 public:
  Library() { platform::SetNotifier(&quiet_); }
  ~Library() {
    std::lock_guard lock(keyMutex_);
    currentKey_.CloseKey();
    platform::SetNotifier(nullptr);
  }

  template <typename Action>
  void WithCurrentKey(Action action) {
    std::lock_guard lock(keyMutex_);
    action(currentKey_);
  }

 private:
  NullNotifier quiet_;
  std::mutex keyMutex_;
  CRegistryKey currentKey_;
};

Library library;

}  // namespace

TIRNASH_EXPORT int Tirnashport(void) {
  try {
    CCommLink link;
    return ScanForAdapter(link);
  } catch (...) {
    return 0;
  }
}

TIRNASH_EXPORT int OpenReg(const char* keyPath) {
  if (keyPath == nullptr) return 1;
  try {
    library.WithCurrentKey(
        [keyPath](CRegistryKey& key) { key.OpenKey(RegistryRoot::LocalMachine, keyPath); });
  } catch (...) {
  }
  return 1;
}

TIRNASH_EXPORT int WriteBinReg(const char* valueName, const char* text, unsigned int count) {
  if (valueName == nullptr || count > TIRNASH_MAX_BINARY_BYTES) return 1;
  try {
    const auto bytes = tirnash::ParseHexItems(text, count);
    library.WithCurrentKey([&](CRegistryKey& key) {
      if (key.IsOpen()) key.WriteBinary(valueName, bytes);
    });
  } catch (...) {
  }
  return 1;
}

TIRNASH_EXPORT int CloseReg(void) {
  try {
    library.WithCurrentKey([](CRegistryKey& key) { key.CloseKey(); });
  } catch (...) {
  }
  return 1;
}
