// The read-out text: the adapter's answer to "AT$OUTCUR". Lines end at any run of CR and
// LF; optional "AT$OUTCUR" echo lines, then pairs of a setting line ("AT$HFML=0") and
// the decimal CRC-16/X-25 of that line, then "OK". Shared by the data-communication
// settings and the telephone-port settings, which both take their values by key.
#pragma once

#include <cstddef>
#include <string_view>

// A checksum token is at most this many decimal digits (leading zeros allowed).
inline constexpr std::size_t kMaxChecksumTokenLength = 11;

// True when every setting line before the first "OK" token is followed by its correct
// checksum. Tokens are separated by blank, tab, CR and LF. Invalid: no "OK" token, a
// checksum token that is not all decimal digits, is longer than its limit or does not
// match. A setting line of any length is checked like any other: nothing here is copied
// into a fixed buffer, and refusing a long line would leave an adapter that stores a
// long telephone number unreadable for good.
bool VerifyTaData(std::string_view text);

// The text of a NUL-terminated receive buffer of `capacity` bytes (never reads past it).
std::string_view ReceivedText(const char* buffer, std::size_t capacity);

// The value of the first "<key>=" in `text` (key with its "AT$"-style prefix), up to the
// first CR, LF or end of text; false when absent. The value is taken whole: cutting it
// would turn a padded number ("000...0180" past the cut) into another one, which the
// write-back would then store in the adapter.
bool FindKeyValue(std::string_view text, std::string_view key, std::string_view& value);

// As the C library's atoi: leading white space, optional sign, decimal digits up to the
// first other character, 0 without digits. Out-of-range numbers saturate at the limits
// of a 32-bit integer instead of being undefined.
int AtoiValue(std::string_view value);
