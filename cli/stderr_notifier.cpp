// The boxes the windows would show, written to stderr word for word: the text alone,
// since a script reads the message, not the box's caption.
#include <cstdio>
#include <mutex>

#include "cli/cli.h"
#include "platform/notifier.h"

namespace {

class StderrNotifier final : public platform::Notifier {
 public:
  void Show(const platform::Message& message) override {
    std::lock_guard lock(mutex_);
    std::fputs(message.text.c_str(), stderr);
    if (message.text.empty() || message.text.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
  }

 private:
  std::mutex mutex_;  // reader threads may show the "Error" box too
};

}  // namespace

void InstallStderrNotifier() {
  static StderrNotifier notifier;
  platform::SetNotifier(&notifier);
}
