// CRC-16/X-25 (the PPP frame check sequence): poly 0x1021 reflected (0x8408),
// init 0xFFFF, result complemented. Check value over "123456789" is 0x906E.
// The adapter puts it, in decimal, on the line after each setting of its read-out.
#pragma once

#include <cstdint>
#include <string_view>

namespace sim {

std::uint16_t Crc16X25(std::string_view bytes);

}  // namespace sim
