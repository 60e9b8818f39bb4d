// CRC-16/X-25, the frame check sequence of PPP (RFC 1662): polynomial 0x1021 taken least
// significant bit first (0x8408), initial value 0xFFFF, result complemented. The adapter
// follows every setting line of its read-out with this value in decimal.
#pragma once

#include <cstdint>
#include <string_view>

std::uint16_t Crc16X25(std::string_view bytes);
