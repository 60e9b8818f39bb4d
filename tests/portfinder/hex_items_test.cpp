// The text of binary registry values: byte i from character 3*i.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "portfinder/hex_items.h"

namespace {

struct HexCase {
  const char* text;
  std::size_t count;
  std::vector<std::uint8_t> bytes;
};

class HexItemsTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexItemsTest, ParsesItems) {
  const HexCase& c = GetParam();
  EXPECT_EQ(tirnash::ParseHexItems(c.text, c.count), c.bytes) << '"' << (c.text ? c.text : "(null)")
                                                              << "\" count " << c.count;
}

INSTANTIATE_TEST_SUITE_P(
    Table, HexItemsTest,
    ::testing::Values(
        HexCase{"0A 1B FF", 3, {0x0a, 0x1b, 0xff}},
        HexCase{"0a,1b,ff", 3, {0x0a, 0x1b, 0xff}},        // any separator that is not hex
        HexCase{"", 0, {}},
        HexCase{"0A 1B FF", 0, {}},
        HexCase{"1FF 02", 2, {0xff, 0x02}},                // three digits: low 8 bits
        HexCase{"123456789ABCDEF", 1, {0xef}},             // long numbers do not overflow
        HexCase{"0x1 0X2", 2, {0x01, 0x02}},               // prefix accepted
        HexCase{"0xG", 1, {0x00}},                         // prefix without digits: just 0
        HexCase{" 7 zz 0A", 3, {0x07, 0x00, 0x0a}},        // white space skipped; non-hex 0
        HexCase{"-1", 1, {0x00}},                          // no sign
        HexCase{"0A1B", 2, {0x1b, 0x0b}},         // hex separator runs items together
        HexCase{"0A", 4, {0x0a, 0x00, 0x00, 0x00}},        // past the text's end: 0
        HexCase{"0A ", 2, {0x0a, 0x00}},                   // white space up to the NUL
        HexCase{nullptr, 2, {0x00, 0x00}}));               // no text at all

}  // namespace
