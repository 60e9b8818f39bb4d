// CCommLink: one serial link to the adapter and the collector of its replies.
//
// One exchange: SetOwner, set receiveMode, Configure, CreateEvents, Open, Write and wait,
// Close. Open starts a reader thread that reads queued input in chunks (at most 2047
// bytes plus the terminating NUL) until the queue is empty, and hands each chunk to the
// handler of the current receive mode (receive_modes.cpp). Close stops and joins it.
//
// Link-driven exchanges: SendReset, ReadOut(6|7), QueryAodi; the probe of detection.
// ReadOut, QueryAodi and Probe first drop a signal left by a reply that came after an
// earlier wait had given up, so a wait only ever ends on a reply to its own command.
// A hang-up of the device ends the reader; later waits time out as with a silent adapter.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include "link/link_owner.h"
#include "platform/auto_reset_event.h"
#include "platform/serial_port.h"

// Set by receive mode 8 (the AODI query); picks the data-communication dialog kind.
extern std::atomic<std::int32_t> aodiCapable;

// Collector of the current adapter line in receive mode 4 (first 14 characters kept).
inline constexpr std::size_t kMonitorLineSize = 14;
extern char monitorLine[kMonitorLineSize];
extern std::int32_t monitorLineLength;

enum ReceiveMode : std::int32_t {
  kModePhoneWrite = 1,
  kModeDataCommWrite = 2,
  kModeDot = 3,
  kModeConsole = 4,
  kModeProbe = 5,
  kModePhoneReadOut = 6,
  kModeDataCommReadOut = 7,
  kModeAodiQuery = 8,
};

inline constexpr std::size_t kReaderChunkSize = 2048;
inline constexpr auto kReadOutWait = std::chrono::milliseconds(1500);
inline constexpr auto kAodiQueryWait = std::chrono::milliseconds(1500);

class CCommLink {
 public:
  CCommLink();
  virtual ~CCommLink();
  CCommLink(const CCommLink&) = delete;
  CCommLink& operator=(const CCommLink&) = delete;

  void SetOwner(CLinkOwner* ownerObject);
  void Configure(std::uint32_t port, std::uint32_t lineSpeed, std::uint8_t bits,
                 std::uint8_t p4, std::uint8_t p5);
  int CreateEvents();
  // -1: cannot open; 0: opened but line settings refused (closed again); 1: open.
  int Open();
  // Writes exactly `length` bytes; returns when they are out or after 1000 ms. Always 1.
  int Write(const void* bytes, std::size_t length);
  std::size_t ReadQueued(void* buffer, std::size_t capacity);
  int CloseDevice();
  int Close();

  bool IsOpen() const { return device; }
  // Receive mode of the next chunks; set by owners and by the link-driven operations.
  void SetReceiveMode(std::int32_t mode) { receiveMode.store(mode); }
  std::int32_t ReceiveModeValue() const { return receiveMode.load(); }

  // Link-driven operations (user-interface thread, blocking).
  void SendReset();
  // 1 when the read-out came within 1500 ms, else 0; the port is closed on return.
  int ReadOut(std::int32_t mode);
  void QueryAodi();
  // Sets receive mode 5, writes the probe on the open link and waits for an answer.
  // pendingReply is left alone: the detection empties it once for all candidates.
  bool Probe(std::chrono::milliseconds wait);
  void ClearPendingReply();
  // Copy of the text collected since the last complete reply.
  std::string PendingReply() const;

  std::uint8_t PortNumber() const { return portNumber; }
  std::uint32_t Speed() const { return speed; }

 private:
  void ReaderThread(std::stop_token stop);
  // Receive-mode handlers (receive_modes.cpp), on the reader thread, one call per chunk.
  void Dispatch(std::string_view chunk, std::stop_token stop);
  void HandleOwnerReply(OwnerKind kind, std::string_view chunk, std::stop_token stop);
  void HandleDot(std::string_view chunk);
  void HandleConsole(std::string_view chunk);
  void HandleProbe(std::string_view chunk);
  void HandleReadOut(OwnerKind kind, std::string_view chunk);
  void HandleAodi(std::string_view chunk);
  ReplySlot SlotFor(OwnerKind kind) const;
  // Empties pendingReply and drops a signal left by a reply that came after its wait.
  void StartExchange();
  // Sends `command` and waits for receive modes 5..8 to complete a reply.
  bool Exchange(std::string_view command, std::chrono::milliseconds wait);

  std::uint8_t portNumber = 0;
  std::uint8_t dataBits = 8;
  std::uint8_t stopBits = 0;
  std::uint8_t parity = 0;
  std::uint32_t speed = 0;
  platform::SerialPort port;
  bool device = false;              // open serial device
  std::jthread reader;              // running while open; joined by CloseDevice
  mutable std::mutex pendingMutex;  // guards pendingReply (reader and user-interface thread)
  std::string pendingReply;
  std::atomic<CLinkOwner*> owner{nullptr};
  platform::AutoResetEvent replyEvent;
  std::atomic<std::int32_t> receiveMode{0};
};
