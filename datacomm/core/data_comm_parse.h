// Taking the data-communication values out of a verified read-out text, by key.
#pragma once

#include <cstdint>
#include <string_view>

#include "datacomm/core/data_comm_settings.h"

// Looks the variant's keys up in their fixed order. A key that is missing leaves its
// field(s) as they are; a threshold key's number n gives open n / 1000 and close n % 1000.
// Afterwards idleDisconnectOn follows idleDisconnect. Values are taken as they come
// (no range check): the dialogs bound them only when the user edits them.
void ParseTaData(std::string_view text, DataCommVariant variant, DataCommSettings& settings,
                 std::int32_t& idleDisconnectOn);
