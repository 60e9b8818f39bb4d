// Taking a telephone port's settings out of the adapter's read-out text.
//
// Every key is found by its first occurrence anywhere in the text; its value runs from
// one character after the key (the "=") up to the next CR or LF. A key that is absent
// leaves its field as it was. Values are taken whole (no fixed-size copy), so a long
// value is neither cut nor able to overrun anything.
#pragma once

#include <cstdint>
#include <string_view>

#include "phone/core/phone_port_settings.h"

// Copies every value found in `text` into `record` (keys with `letter`) and the common
// law into `pcmLaw`. The law is read from the "AT#P=" entry itself, never from a
// per-port "AT#PA="/"AT#PB=" entry that happens to stand before it.
void ParsePortSettings(std::string_view text, char letter, PhonePortSettings& record,
                       std::int32_t& pcmLaw);
