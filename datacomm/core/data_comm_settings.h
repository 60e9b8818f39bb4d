// DataCommSettings: the adapter's data-communication settings as the two dialogs edit
// them. The AODI dialog holds the whole record, the ML-PPP dialog a subset (see
// DataCommField::inMlppp). Beside the record each dialog keeps idleDisconnectOn, the state
// of the idle-disconnect check box.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

// Which of the two adapters' setting sets is read and written; follows aodiCapable.
enum class DataCommVariant { Aodi, Mlppp };

DataCommVariant VariantFor(std::int32_t aodiCapableFlag);

// Index of the link arrays (openMonitorTime, closeMonitorTime, openThreshold, closeThreshold).
inline constexpr std::size_t kLinkFirstB = 0;   // AODI, 1st B-channel: AT$AOND AT$ACLD AT$ATHP
inline constexpr std::size_t kLinkSecondB = 1;  // AODI, 2nd B-channel: AT$BOND AT$BCLD AT$BTHP
inline constexpr std::size_t kLinkMlppp = 2;    // ML-PPP second link: AT$MLOND AT$MLCLD AT$MLTHP
// Index of billingInterval.
inline constexpr std::size_t kGroupAodi = 0;    // AT$SCTM
inline constexpr std::size_t kGroupModem = 1;   // AT$MLSCTM (128K modem, ML-PPP)

struct DataCommSettings {
  std::int32_t callBump = 0;            // AT$Z: 0 off, 1 on
  std::int32_t secondChannelOff = 0;    // AT$HFML: 1 = B1 only, 0 = B1+B2
  std::int32_t idleDisconnect = 0;      // AT$DISC: 0 off, 1/2/3 = 10/20/30 min
  std::int32_t trafficLinkControl = 0;  // AT$MLTPF: 0 or 1
  std::array<std::int32_t, 2> billingInterval{0, 0};      // s, 0..32000
  std::array<std::int32_t, 3> openMonitorTime{0, 0, 0};   // s, 0..60
  std::array<std::int32_t, 3> closeMonitorTime{0, 0, 0};  // s, 0..60
  std::array<std::int32_t, 3> openThreshold{50, 50, 50};  // % of full scale, 0..100
  std::array<std::int32_t, 3> closeThreshold{50, 50, 50}; // % of full scale, 0..100

  bool operator==(const DataCommSettings&) const = default;
};

// The box's state after a read-out: on when a disconnect time is set.
std::int32_t IdleDisconnectOnFor(const DataCommSettings& settings);
// The user turns the box on or off; on while no time is set chooses 10 minutes.
void SetIdleDisconnectBox(DataCommSettings& settings, std::int32_t& idleDisconnectOn, bool on);

// One field of the record by its name in the code ("openThreshold[0]"), with its range.
struct DataCommField {
  std::string_view name;
  std::int32_t minimum;
  std::int32_t maximum;
  bool inMlppp;  // held (and written) by the ML-PPP variant too
  std::int32_t& (*slot)(DataCommSettings&);
};

// Every field, in the order of the record.
std::span<const DataCommField> DataCommFields();
const DataCommField* FindDataCommField(std::string_view name);
bool HeldBy(const DataCommField& field, DataCommVariant variant);
