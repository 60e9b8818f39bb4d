// The text format of binary registry values: byte i is the hexadecimal item that starts
// at character 3*i ("0A 1B FF"). See tirnash.h for the rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tirnash {

// `count` bytes; never reads `text` past its NUL. text null counts as "".
std::vector<std::uint8_t> ParseHexItems(const char* text, std::size_t count);

}  // namespace tirnash
