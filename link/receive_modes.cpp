// The eight receive modes: how the reader collects a chunk, when a reply is complete,
// where it goes and whom it wakes.
#include <algorithm>
#include <cstring>
#include <limits>

#include "link/comm_link.h"
#include "platform/notifier.h"

std::atomic<std::int32_t> aodiCapable{0};
char monitorLine[kMonitorLineSize] = {};
std::int32_t monitorLineLength = 0;

namespace {

bool Contains(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

// Modes 2 and 7 address the dialog kind that the AODI flag names, as the program opens.
OwnerKind DataCommKind() {
  return aodiCapable.load() == 1 ? OwnerKind::DataCommAodi : OwnerKind::DataCommMlppp;
}

// Upper case for the ASCII letters only: in UTF-8 every byte of a multi-byte character
// is >= 0x80, so those characters pass unchanged.
void ToUpperAscii(std::string& text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  });
}

// A read-out longer than the buffer is cut to what fits, NUL included. A cut that reaches
// into the settings takes the closing "OK" with it, so the owner's verification refuses
// the text and the read-out is retried or reported: never trusted, never written past
// the buffer.
void CopyIntoReceiveBuffer(const std::string& text, ReceiveBuffer& buffer) {
  const std::size_t n = std::min(text.size(), buffer.size() - 1);
  std::memcpy(buffer.data(), text.data(), n);
  buffer[n] = '\0';
}

bool MonitorLineStartsWith(std::string_view prefix) {
  // Only what this line collected counts; a leftover of a longer earlier line must not
  // complete the prefix.
  return static_cast<std::size_t>(monitorLineLength) >= prefix.size() &&
         std::string_view(monitorLine, prefix.size()) == prefix;
}

bool IsDownloadLine() {
  return monitorLineLength >= 9 && monitorLineLength <= 11 &&
         (MonitorLineStartsWith("Download") || MonitorLineStartsWith("C_Download"));
}

}  // namespace

ReplySlot CCommLink::SlotFor(OwnerKind kind) const {
  CLinkOwner* target = owner.load();
  return target ? target->Slot(kind) : ReplySlot{};
}

void CCommLink::Dispatch(std::string_view chunk, std::stop_token stop) {
  switch (receiveMode.load()) {
    case kModePhoneWrite:      HandleOwnerReply(OwnerKind::PhonePage, chunk, stop); break;
    case kModeDataCommWrite:   HandleOwnerReply(DataCommKind(), chunk, stop); break;
    case kModeDot:             HandleDot(chunk); break;
    case kModeConsole:         HandleConsole(chunk); break;
    case kModeProbe:           HandleProbe(chunk); break;
    case kModePhoneReadOut:    HandleReadOut(OwnerKind::PhonePage, chunk); break;
    case kModeDataCommReadOut: HandleReadOut(DataCommKind(), chunk); break;
    case kModeAodiQuery:       HandleAodi(chunk); break;
    default:                   break;  // no mode: the text is discarded
  }
}

// Modes 1 and 2: "OK" or "ERROR" completes; "OK" wins when both are there.
void CCommLink::HandleOwnerReply(OwnerKind kind, std::string_view chunk,
                                 std::stop_token stop) {
  std::string reply;
  bool error = false;
  {
    std::lock_guard lock(pendingMutex);
    pendingReply.append(chunk);
    if (!Contains(pendingReply, "OK")) {
      if (!Contains(pendingReply, "ERROR")) return;
      error = true;
    }
    reply.swap(pendingReply);
  }
  // Shown without the lock held; the stop token ends the box when the link closes.
  if (error) {
    platform::CurrentNotifier().ShowFromReader(
        platform::Message{"Error", reply, platform::MessageIcon::None}, stop);
  }
  const ReplySlot slot = SlotFor(kind);
  if (slot.reply) *slot.reply = std::move(reply);
  if (slot.done) slot.done->Set();
}

// Mode 3: each chunk is judged by itself; with a "." it is delivered whole.
void CCommLink::HandleDot(std::string_view chunk) {
  std::string reply;
  {
    std::lock_guard lock(pendingMutex);
    pendingReply.append(chunk);
    const bool complete = Contains(pendingReply, ".");
    if (complete) reply = pendingReply;
    pendingReply.clear();
    if (!complete) return;
  }
  const ReplySlot slot = SlotFor(OwnerKind::Monitor);
  if (slot.reply) *slot.reply = std::move(reply);
  if (slot.done) slot.done->Set();
}

// Mode 4: the text streams to the console in one hand-over per chunk. The LF that ends
// a "Download"/"C_Download" announcement is handed over on its own and the rest of its
// chunk dropped, since the adapter now waits for the firmware.
void CCommLink::HandleConsole(std::string_view chunk) {
  CLinkOwner* target = owner.load();
  ConsoleSink* sink = target ? target->Console() : nullptr;
  for (std::size_t i = 0; i < chunk.size(); ++i) {
    const char c = chunk[i];
    if (c == '\n') {
      const bool download = IsDownloadLine();
      monitorLineLength = 0;
      if (download) {
        if (sink) {
          if (i > 0) sink->AdapterText(chunk.substr(0, i));
          sink->DownloadRequested();
        }
        return;
      }
    } else {
      if (static_cast<std::size_t>(monitorLineLength) < kMonitorLineSize) {
        monitorLine[monitorLineLength] = c;
      }
      if (monitorLineLength < std::numeric_limits<std::int32_t>::max()) ++monitorLineLength;
    }
  }
  if (sink && !chunk.empty()) sink->AdapterText(chunk);
}

// Mode 5: the probe answer, in any case, or the console prompt.
void CCommLink::HandleProbe(std::string_view chunk) {
  std::lock_guard lock(pendingMutex);
  pendingReply.append(chunk);
  ToUpperAscii(pendingReply);
  if ((Contains(pendingReply, "MRNIX") && Contains(pendingReply, "OK")) ||
      Contains(pendingReply, "COMMAND>")) {
    pendingReply.clear();
    // Set under the lock: StartExchange resets under it too, so a reply either counts
    // for the exchange that starts next or is discarded by it, never half of each.
    replyEvent.Set();
  }
}

// Modes 6 and 7: the read-out, complete at "OK".
void CCommLink::HandleReadOut(OwnerKind kind, std::string_view chunk) {
  const ReplySlot slot = SlotFor(kind);
  std::lock_guard lock(pendingMutex);
  pendingReply.append(chunk);
  if (!Contains(pendingReply, "OK")) return;
  if (slot.readOut) CopyIntoReceiveBuffer(pendingReply, *slot.readOut);
  pendingReply.clear();
  replyEvent.Set();
}

// Mode 8: the AODI answer; "OK" wins when both words are there.
void CCommLink::HandleAodi(std::string_view chunk) {
  std::lock_guard lock(pendingMutex);
  pendingReply.append(chunk);
  if (Contains(pendingReply, "OK")) {
    aodiCapable.store(1);
  } else if (Contains(pendingReply, "ERROR")) {
    aodiCapable.store(0);
  } else {
    return;
  }
  pendingReply.clear();
  replyEvent.Set();
}
