// CDataCommSession: what a data-communication dialog owns to talk to the adapter (its
// receive buffer, completion event, reply string and link) and the operations it runs on
// them. The dialogs stay thin: they move values between their controls and the record
// and call these. The command line uses the same object.
//
// Every operation runs on the calling (user-interface) thread and blocks while it waits
// for the adapter; the link's reader thread fills the buffers and signals the event.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "datacomm/core/data_comm_settings.h"
#include "link/comm_link.h"
#include "link/link_owner.h"

class CDataCommSession : public CLinkOwner {
 public:
  explicit CDataCommSession(DataCommVariant variant);
  ~CDataCommSession() override;
  CDataCommSession(const CDataCommSession&) = delete;
  CDataCommSession& operator=(const CDataCommSession&) = delete;

  // The link fills this object for the dialog kind of its variant only.
  ReplySlot Slot(OwnerKind kind) override;

  DataCommVariant Variant() const { return variant_; }

  // Reads, verifies and parses the adapter's settings into `settings` (keys missing from
  // the read-out keep their value). Up to three attempts of up to two read-out requests.
  // False when a message has been shown and the dialog is to be ended.
  bool ReadTaData(DataCommSettings& settings, std::int32_t& idleDisconnectOn);

  // Sends the variant's write sequence and "ATW". With the box off, idleDisconnect is
  // set to 0 first. 1 on success, 0 on failure (the message has been shown).
  int WriteTaData(DataCommSettings& settings, std::int32_t idleDisconnectOn);

  // Sends the date and the time of `localTime` (no "ATW"). False on failure (shown).
  bool SetTaClock(const std::tm& localTime);

  // The read-out text of the last completed request (valid until the next request).
  std::string_view ReadOutText() const;
  CCommLink& Link() { return link_; }

 private:
  // Opens the link for a command exchange; on failure shows the matching message.
  bool OpenForCommands(std::string_view cannotOpen, std::string_view notUp);
  bool SendAndWait(std::string_view command, std::chrono::milliseconds wait);
  void CloseIfOpen();

  DataCommVariant variant_;
  ReceiveBuffer receiveBuffer_{};
  platform::AutoResetEvent done_;
  std::string reply_;
  // Last, so that it is closed (its reader joined) before the buffers above go away.
  CCommLink link_;
};
