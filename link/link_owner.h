// What a link delivers into. The window that owns a link implements CLinkOwner; the
// link's reader thread fills the owner's slots and signals its events.
//
//   receive mode 1       -> Slot(OwnerKind::PhonePage)            reply + done
//   receive mode 2       -> Slot(DataCommAodi or DataCommMlppp)   reply + done  (by aodiCapable)
//   receive mode 3       -> Slot(OwnerKind::Monitor)              reply + done
//   receive mode 4       -> Console()
//   receive mode 6       -> Slot(OwnerKind::PhonePage)            readOut
//   receive mode 7       -> Slot(DataCommAodi or DataCommMlppp)   readOut       (by aodiCapable)
// An owner returns an empty slot for a kind it is not, so nothing is delivered there.
//
// The reader writes a slot's text before it sets the slot's event: read the text after a
// successful wait on that event, or after the link is closed (Close joins the reader).
// An owner closes its link in its own destructor, before its slots are gone.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/auto_reset_event.h"

enum class OwnerKind { PhonePage, DataCommAodi, DataCommMlppp, Monitor };

// The 4000-byte receive buffer of a read-out, holding NUL-terminated text. A longer
// read-out is cut to 3999 bytes and the NUL (a cut into the settings loses the "OK").
inline constexpr std::size_t kReceiveBufferSize = 4000;
using ReceiveBuffer = std::array<char, kReceiveBufferSize>;

struct ReplySlot {
  ReceiveBuffer* readOut = nullptr;         // modes 6 and 7
  std::string* reply = nullptr;             // modes 1, 2 and 3
  platform::AutoResetEvent* done = nullptr; // modes 1, 2 and 3
};

// Monitor console side of receive mode 4. Called on the reader thread, once per chunk;
// implementations hand the text on without blocking (a close must never wait for them).
class ConsoleSink {
 public:
  virtual ~ConsoleSink() = default;
  // Adapter characters in order, CR included.
  virtual void AdapterText(std::string_view text) = 0;
  // The LF ending a "Download"/"C_Download" line; the rest of its chunk was dropped.
  virtual void DownloadRequested() = 0;
};

class CLinkOwner {
 public:
  virtual ~CLinkOwner() = default;
  virtual ReplySlot Slot(OwnerKind kind) = 0;
  virtual ConsoleSink* Console() { return nullptr; }
};
