// Notifier: how core code shows a message box without knowing about windows.
// The program shows a QMessageBox, the command line writes to stderr, the library
// shows nothing. Tests install one that records.
#pragma once

#include <stop_token>
#include <string>

namespace platform {

enum class MessageIcon { None, Warning };

struct Message {
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::Warning;
};

inline constexpr const char* kProgramCaption = "Quorvel Program";

class Notifier {
 public:
  virtual ~Notifier() = default;
  // From the user-interface thread; returns when the user has dismissed the message.
  virtual void Show(const Message& message) = 0;
  // From a link's reader thread; returns when the message is dismissed or when `stop`
  // is requested (the link is closing), whichever is first, so a close never waits on a
  // box. The default shows it as Show() does.
  virtual void ShowFromReader(const Message& message, std::stop_token stop);
};

// Messages go to stderr ("caption: text") until another notifier is installed.
void SetNotifier(Notifier* notifier);
Notifier& CurrentNotifier();

// Shorthand for the usual warning box captioned "Quorvel Program".
void Warn(const std::string& text);

}  // namespace platform
