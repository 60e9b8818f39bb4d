// CRC-16/X-25, VerifyTaData and the key/number helpers, as tables; random garbage too.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

#include "datacomm/core/crc16_x25.h"
#include "datacomm/core/data_comm_parse.h"
#include "datacomm/core/read_out.h"

namespace {

// A setting line with its checksum line, as the adapter sends it.
std::string Pair(const std::string& line, int delta = 0) {
  return line + "\r\n" + std::to_string(Crc16X25(line) + delta) + "\r\n";
}

TEST(Crc16X25, CheckValues) {
  EXPECT_EQ(Crc16X25("123456789"), 0x906E);
  EXPECT_EQ(Crc16X25(""), 0x0000);
  // Computed bit by bit, independently of the table.
  auto bitwise = [](std::string_view text) {
    unsigned crc = 0xFFFF;
    for (unsigned char c : text) {
      crc ^= c;
      for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1;
    }
    return static_cast<std::uint16_t>(~crc & 0xFFFF);
  };
  for (const char* text : {"AT$HFML=0", "AT$ATHP=050030", "AT$MLSCTM=32000", "\xff\x80"}) {
    EXPECT_EQ(Crc16X25(text), bitwise(text)) << text;
  }
}

struct VerifyCase {
  const char* name;
  std::string text;
  bool valid;
};

class VerifyTable : public testing::TestWithParam<VerifyCase> {};

TEST_P(VerifyTable, Verdict) { EXPECT_EQ(VerifyTaData(GetParam().text), GetParam().valid); }

const std::string kLong31 = "AT$XXXX=" + std::string(23, '7');  // 31 characters
const std::string kLong32 = kLong31 + "7";
// A speed-dial entry as long as the telephone page's list editor allows: 38 characters.
const std::string kSpeedDial31Digits = "AT%AB3=" + std::string(31, '9');

INSTANTIATE_TEST_SUITE_P(
    ReadOut, VerifyTable,
    testing::Values(
        VerifyCase{"OkAlone", "OK", true},
        VerifyCase{"OkWithLineEnds", "\r\nOK\r\n", true},
        VerifyCase{"EchoThenOk", "AT$OUTCUR\r\nOK\r\n", true},
        VerifyCase{"TwoEchoes", "AT$OUTCUR\r\nAT$OUTCUR\r\n" + Pair("AT$Z=1") + "OK\r\n", true},
        VerifyCase{"WithEcho", "AT$OUTCUR\r\n" + Pair("AT$HFML=0") + Pair("AT$ATHP=050030") + "OK\r\n", true},
        VerifyCase{"WithoutEcho", Pair("AT$HFML=0") + Pair("AT$ATHP=050030") + "OK\r\n", true},
        VerifyCase{"LoneCrAndLf", "AT$Z=1\r" + std::to_string(Crc16X25("AT$Z=1")) + "\nOK", true},
        VerifyCase{"ChecksumPlusOne", Pair("AT$HFML=0") + Pair("AT$DISC=2", +1) + "OK\r\n", false},
        VerifyCase{"ChecksumMinusOne", Pair("AT$DISC=2", -1) + "OK\r\n", false},
        VerifyCase{"ChecksumNotANumber", "AT$HFML=0\r\nabc\r\nOK\r\n", false},
        VerifyCase{"ChecksumWithTail", "AT$HFML=0\r\n" + std::to_string(Crc16X25("AT$HFML=0")) + "x\r\nOK", false},
        VerifyCase{"ChecksumSigned", "AT$HFML=0\r\n+" + std::to_string(Crc16X25("AT$HFML=0")) + "\r\nOK", false},
        VerifyCase{"ChecksumLeadingZeros11", "AT$HFML=0\r\n" + std::string(11 - std::to_string(Crc16X25("AT$HFML=0")).size(), '0') + std::to_string(Crc16X25("AT$HFML=0")) + "\r\nOK", true},
        VerifyCase{"ChecksumTokenOver11", "AT$HFML=0\r\n" + std::string(12 - std::to_string(Crc16X25("AT$HFML=0")).size(), '0') + std::to_string(Crc16X25("AT$HFML=0")) + "\r\nOK", false},
        VerifyCase{"ChecksumHuge", "AT$HFML=0\r\n99999999999\r\nOK", false},
        VerifyCase{"NoOk", "AT$OUTCUR\r\n" + Pair("AT$HFML=0"), false},
        VerifyCase{"Empty", "", false},
        VerifyCase{"OnlyEcho", "AT$OUTCUR\r\n", false},
        VerifyCase{"MissingChecksum", "AT$HFML=0\r\nOK\r\n", false},
        VerifyCase{"LowerCaseOk", Pair("AT$Z=0") + "ok\r\n", false},
        VerifyCase{"TextAfterOkIgnored", Pair("AT$Z=0") + "OK\r\ngarbage", true},
        VerifyCase{"SettingToken31", Pair(kLong31) + "OK", true},
        VerifyCase{"SettingToken32", Pair(kLong32) + "OK", true},
        VerifyCase{"SpeedDialOf31Digits", "AT$OUTCUR\r\n" + Pair(kSpeedDial31Digits) + "OK\r\n", true},
        VerifyCase{"SpeedDialOf31DigitsKnownChecksum", "AT%AB3=" + std::string(31, '9') + "\r\n30906\r\nOK", true},
        VerifyCase{"VeryLongSettingLine", Pair("AT#ICFA=" + std::string(500, '1')) + "OK", true},
        VerifyCase{"LongSettingLineChecksumOffByOne", Pair(kSpeedDial31Digits, +1) + "OK", false},
        VerifyCase{"LongSettingLineChecksumNotANumber", kSpeedDial31Digits + "\r\n5x\r\nOK", false},
        VerifyCase{"ChecksumOver65535", "AT$HFML=0\r\n" + std::to_string(Crc16X25("AT$HFML=0") + 65536) + "\r\nOK", false}),
    [](const testing::TestParamInfo<VerifyCase>& tested) { return tested.param.name; });

TEST(VerifyTaData, ReadOutCutAtTheBufferIsRefused) {
  // What the link leaves when a read-out does not fit: its first 3999 bytes.
  std::string text = "AT$OUTCUR\r\n";
  for (int i = 0; text.size() < 5000; ++i) text += Pair("AT#K" + std::to_string(i) + "=123456");
  text += "OK\r\n";
  ASSERT_TRUE(VerifyTaData(text));
  for (std::size_t cut = 3990; cut < 4000; ++cut) {
    EXPECT_FALSE(VerifyTaData(std::string_view(text).substr(0, cut))) << cut;
  }
}

TEST(ReceivedText, StopsAtNulOrCapacity) {
  const char buffer[6] = {'O', 'K', '\0', 'x', 'y', 'z'};
  EXPECT_EQ(ReceivedText(buffer, sizeof buffer), "OK");
  const char full[3] = {'a', 'b', 'c'};  // no NUL: never read past the buffer
  EXPECT_EQ(ReceivedText(full, sizeof full), "abc");
}

struct NumberCase {
  const char* text;
  int value;
};

TEST(AtoiValue, BehavesAsAtoiAndSaturates) {
  const NumberCase cases[] = {
      {"180", 180},        {"050030", 50030}, {"", 0},           {"abc", 0},
      {"  42", 42},        {"\t-7x", -7},     {"+5", 5},         {"-", 0},
      {"12 34", 12},       {"0x10", 0},       {"2147483647", 2147483647},
      {"2147483648", 2147483647},             {"-2147483648", -2147483647 - 1},
      {"9999999999999999999", 2147483647},    {"-9999999999999999999", -2147483647 - 1},
  };
  for (const NumberCase& c : cases) EXPECT_EQ(AtoiValue(c.text), c.value) << c.text;
}

TEST(FindKeyValue, ValueLimits) {
  std::string_view value;
  ASSERT_TRUE(FindKeyValue("AT$SCTM=180\r\n", "AT$SCTM", value));
  EXPECT_EQ(value, "180");
  ASSERT_TRUE(FindKeyValue("AT$SCTM=\r6\r\n", "AT$SCTM", value));
  EXPECT_EQ(value, "");
  ASSERT_TRUE(FindKeyValue("AT$SCTM=12", "AT$SCTM", value));  // end of text
  EXPECT_EQ(value, "12");
  const std::string longValue = "AT$SCTM=" + std::string(40, '9') + "\r\n";  // outlives `value`
  ASSERT_TRUE(FindKeyValue(longValue, "AT$SCTM", value));
  EXPECT_EQ(value, std::string(40, '9'));  // taken whole
  EXPECT_FALSE(FindKeyValue("AT$MLSCTM=5\r\n", "AT$SCTM", value));
  EXPECT_FALSE(FindKeyValue("AT$SCTM\r\n", "AT$SCTM", value));
  ASSERT_TRUE(FindKeyValue("AT$SCTMX=1\r\nAT$SCTM=2\r\n", "AT$SCTM", value));
  EXPECT_EQ(value, "2");
}

// Random bytes, and random mixtures of read-out pieces, must never crash or read past
// the text (run under the sanitizers).
TEST(ReadOutFuzz, RandomGarbage) {
  std::mt19937 random(20240305);
  const std::string pieces[] = {"AT$OUTCUR", "OK", "\r\n", "\r", " ", "=", "AT$ATHP=",
                                "AT$SCTM=", "AT$MLSCTM=", "-", "999999999999", "050030",
                                std::to_string(Crc16X25("AT$Z=1")), "AT$Z=1", std::string(1, '\0')};
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 300);
    for (int i = 0; i < length; ++i) {
      if (round % 2) {
        text += static_cast<char>(random() % 256);
      } else {
        text += pieces[random() % std::size(pieces)];
      }
    }
    // Exactly sized on the heap: AddressSanitizer sees any read past the text.
    const auto bytes = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), bytes.get());
    const std::string_view copy(bytes.get(), text.size());
    (void)VerifyTaData(copy);
    for (DataCommVariant variant : {DataCommVariant::Aodi, DataCommVariant::Mlppp}) {
      DataCommSettings settings;
      std::int32_t on = 0;
      ParseTaData(copy, variant, settings, on);
      EXPECT_EQ(on, settings.idleDisconnect != 0 ? 1 : 0);
    }
  }
}

}  // namespace
