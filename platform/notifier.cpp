#include "platform/notifier.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace platform {
namespace {

class StderrNotifier final : public Notifier {
 public:
  void Show(const Message& message) override {
    std::lock_guard lock(mutex_);
    std::fprintf(stderr, "%s: %s\n", message.caption.c_str(), message.text.c_str());
    std::fflush(stderr);
  }

 private:
  std::mutex mutex_;
};

StderrNotifier& DefaultNotifier() {
  static StderrNotifier notifier;
  return notifier;
}

std::atomic<Notifier*> installed{nullptr};

}  // namespace

void Notifier::ShowFromReader(const Message& message, std::stop_token) { Show(message); }

void SetNotifier(Notifier* notifier) { installed.store(notifier); }

Notifier& CurrentNotifier() {
  Notifier* notifier = installed.load();
  return notifier ? *notifier : DefaultNotifier();
}

void Warn(const std::string& text) {
  CurrentNotifier().Show(Message{kProgramCaption, text, MessageIcon::Warning});
}

}  // namespace platform
