// ParsePortSettings as a table: read-out text in, the whole record and the law out.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "phone/core/phone_port_settings.h"
#include "phone/core/phone_read_out.h"

namespace {

using Edit = void (*)(PhonePortSettings& record, std::int32_t& pcmLaw);

struct ParseCase {
  const char* name;
  const char* text;
  char letter;
  Edit before;    // the record and law before the parse (null: initial values, law 0)
  Edit expected;  // what the parse changes (null: nothing)
};

void Nothing(PhonePortSettings&, std::int32_t&) {}

const ParseCase kCases[] = {
    {"OverlapForPort1", "AT#OA=1\r\n", 'A', [](PhonePortSettings& r, std::int32_t&) { r.dialingMode = 0; },
     [](PhonePortSettings& r, std::int32_t&) { r.dialingMode = 1; }},
    {"Port2ModeKeptWithoutItsKey", "AT#OA=1\r\n", 'B',
     [](PhonePortSettings& r, std::int32_t&) { r.dialingMode = 0; }, nullptr},
    {"EnblocForPort2", "AT#OA=1\r\nAT#OB=0\r\n", 'B', nullptr,
     [](PhonePortSettings& r, std::int32_t&) { r.dialingMode = 0; }},
    {"CallWaitingOnlyWhenBusy", "AT#AA=2\r\n", 'A', nullptr,
     [](PhonePortSettings& r, std::int32_t&) {
       r.callWaitingMode = 2;
       r.callWaitingOn = 1;
       r.onlyWhenOtherBusy = 1;
     }},
    {"CallWaitingOn", "AT#AA=1\r\n", 'A',
     [](PhonePortSettings& r, std::int32_t&) { r.onlyWhenOtherBusy = 1; },
     [](PhonePortSettings& r, std::int32_t&) {
       r.callWaitingMode = 1;
       r.callWaitingOn = 1;
       r.onlyWhenOtherBusy = 0;
     }},
    {"CallWaitingOff", "AT#AB=0\r\n", 'B',
     [](PhonePortSettings& r, std::int32_t&) {
       r.callWaitingMode = 2;
       r.callWaitingOn = 1;
       r.onlyWhenOtherBusy = 1;
     },
     [](PhonePortSettings& r, std::int32_t&) {
       r.callWaitingMode = 0;
       r.callWaitingOn = 0;
       r.onlyWhenOtherBusy = 0;
     }},
    {"CallWaitingUnknownModeKeepsBoxes", "AT#AA=5\r\n", 'A',
     [](PhonePortSettings& r, std::int32_t&) {
       r.callWaitingOn = 1;
       r.onlyWhenOtherBusy = 0;
     },
     [](PhonePortSettings& r, std::int32_t&) { r.callWaitingMode = 5; }},
    {"CallWaitingUnknownModeKeepsBoxesAsTheyWere", "AT#AB=5\r\n", 'B',
     [](PhonePortSettings& r, std::int32_t&) {
       r.callWaitingOn = 0;  // states no mapping of a mode would give
       r.onlyWhenOtherBusy = 1;
     },
     [](PhonePortSettings& r, std::int32_t&) { r.callWaitingMode = 5; }},
    {"CallWaitingNegativeModeKeepsBoxes", "AT#AA=-1\r\n", 'A',
     [](PhonePortSettings& r, std::int32_t&) {
       r.callWaitingMode = 2;
       r.callWaitingOn = 1;
       r.onlyWhenOtherBusy = 1;
     },
     [](PhonePortSettings& r, std::int32_t&) { r.callWaitingMode = -1; }},
    {"EmptyMultipleNumberTurnsBoxOff", "AT#ZA=\r\n", 'A',
     [](PhonePortSettings& r, std::int32_t&) {
       r.multipleNumber = "5551234";
       r.multipleNumberOn = 1;
     },
     [](PhonePortSettings& r, std::int32_t&) {
       r.multipleNumber.clear();
       r.multipleNumberOn = 0;
     }},
    {"MultipleNumberTurnsBoxOn", "AT#ZB=5551234\r\n", 'B', nullptr,
     [](PhonePortSettings& r, std::int32_t&) {
       r.multipleNumber = "5551234";
       r.multipleNumberOn = 1;
     }},
    {"SubNumberAndBox", "AT#HA=12\r\n", 'A', nullptr,
     [](PhonePortSettings& r, std::int32_t&) {
       r.subNumber = "12";
       r.subNumberOn = 1;
     }},
    {"LawBeforePriority", "AT#P=1\r\n59394\r\nAT#PA=0\r\n1\r\nOK\r\n", 'A',
     [](PhonePortSettings& r, std::int32_t&) { r.priorityRing = 1; },
     [](PhonePortSettings& r, std::int32_t& law) {
       law = 1;
       r.priorityRing = 0;
     }},
    {"LawAfterPriority", "AT#PA=0\r\n1\r\nAT#P=1\r\n59394\r\nOK\r\n", 'A',
     [](PhonePortSettings& r, std::int32_t&) { r.priorityRing = 1; },
     [](PhonePortSettings& r, std::int32_t& law) {
       law = 1;
       r.priorityRing = 0;
     }},
    {"LawZeroAfterPriorityOne", "AT#PB=1\r\nAT#P=0\r\n", 'B',
     [](PhonePortSettings&, std::int32_t& law) { law = 1; },
     [](PhonePortSettings& r, std::int32_t& law) {
       law = 0;
       r.priorityRing = 1;
     }},
    {"LawKeptWithoutItsEntry", "AT#PA=1\r\n", 'A', [](PhonePortSettings&, std::int32_t& law) { law = 1; },
     [](PhonePortSettings& r, std::int32_t&) { r.priorityRing = 1; }},
    {"SpeedDialEntry3OfPort2", "AT%AA3=111\r\nAT%AB3=0512345678\r\n", 'B', nullptr,
     [](PhonePortSettings& r, std::int32_t&) { r.speedDial[3] = "0512345678"; }},
    {"SelectiveEntriesAndSwitch", "AT#SA=1\r\nAT%SA0=021234\r\nAT%SA9=\r\n", 'A',
     [](PhonePortSettings& r, std::int32_t&) { r.selectiveNumbers[9] = "77"; },
     [](PhonePortSettings& r, std::int32_t&) {
       r.selectiveOn = 1;
       r.selectiveNumbers[0] = "021234";
       r.selectiveNumbers[9].clear();
     }},
    {"ForwardingNumberAndWait", "AT#ICFNA=15\r\nAT#ICFA=0101234\r\n", 'A', nullptr,
     [](PhonePortSettings& r, std::int32_t&) {
       r.forwardNumber = "0101234";
       r.forwardWait = 15;
     }},
    {"WaitAloneLeavesNumber", "AT#ICFNB=7\r\n", 'B',
     [](PhonePortSettings& r, std::int32_t&) { r.forwardNumber = "99"; },
     [](PhonePortSettings& r, std::int32_t&) { r.forwardWait = 7; }},
    {"ServicesByTheirOwnKeys",
     "AT#TCA=1\r\nAT#SCA=1\r\nAT#SPA=0\r\nAT#IYA=1\r\nAT#YA=1\r\nAT#TA=1\r\nAT#CA=1\r\nAT#WA=0\r\n"
     "AT#GA=0\r\nAT&ZA=1\r\nAT#EODA=2\r\n",
     'A', nullptr,
     [](PhonePortSettings& r, std::int32_t&) {
       r.callPickup = 1;
       r.internalTransfer = 1;
       r.setupByPhone = 0;
       r.ownThreeParty = 1;
       r.threeParty = 1;
       r.callTransfer = 1;
       r.ownCallWaiting = 1;
       r.extensionCall = 0;
       r.mainNumberOn = 0;
       r.speedDialOn = 1;
       r.endOfDialTime = 2;
     }},
    {"FirstOccurrenceWins", "AT#EODA=1\r\nAT#EODA=2\r\n", 'A', nullptr,
     [](PhonePortSettings& r, std::int32_t&) { r.endOfDialTime = 1; }},
    {"LeadingNumber", "AT#EODA=2x\r\nAT#GA=x1\r\n", 'A', nullptr,
     [](PhonePortSettings& r, std::int32_t&) {
       r.endOfDialTime = 2;
       r.mainNumberOn = 0;
     }},
    {"ValueEndsAtCrOrLf", "AT#ICFA=123\r456\nAT#ZA=78\n9\r\n", 'A', nullptr,
     [](PhonePortSettings& r, std::int32_t&) {
       r.forwardNumber = "123";
       r.multipleNumber = "78";
       r.multipleNumberOn = 1;
     }},
    {"ValueRunsToEndOfText", "AT#ICFA=0123", 'A', nullptr,
     [](PhonePortSettings& r, std::int32_t&) { r.forwardNumber = "0123"; }},
    {"KeyEndingTheTextGivesEmptyValue", "AT#ZA", 'A',
     [](PhonePortSettings& r, std::int32_t&) {
       r.multipleNumber = "1";
       r.multipleNumberOn = 1;
     },
     [](PhonePortSettings& r, std::int32_t&) {
       r.multipleNumber.clear();
       r.multipleNumberOn = 0;
     }},
    {"LongValueTakenWhole", "AT#ICFA=012345678901234567890123456789\r\n", 'A', nullptr,
     [](PhonePortSettings& r, std::int32_t&) { r.forwardNumber = "012345678901234567890123456789"; }},
    {"KeysAreCaseSensitive", "at#oa=0\r\nAT#oA=0\r\n", 'A', nullptr, nullptr},
    {"OkAloneChangesNothing", "OK\r\n", 'B', [](PhonePortSettings&, std::int32_t& law) { law = 1; }, nullptr},
};

class ParseTable : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, ChangesExactlyTheFieldsItsKeysName) {
  const ParseCase& c = GetParam();
  PhonePortSettings record;
  std::int32_t law = 0;
  (c.before ? c.before : Nothing)(record, law);
  PhonePortSettings expected = record;
  std::int32_t expectedLaw = law;
  (c.expected ? c.expected : Nothing)(expected, expectedLaw);

  ParsePortSettings(c.text, c.letter, record, law);

  EXPECT_EQ(record, expected);
  EXPECT_EQ(law, expectedLaw);
}

INSTANTIATE_TEST_SUITE_P(Phone, ParseTable, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ParseCase>& param) { return param.param.name; });

TEST(PhonePortSettings, InitialValuesAndPortLetter) {
  const PhonePortSettings r;
  EXPECT_EQ(r.dialingMode, 1);
  EXPECT_EQ(r.mainNumberOn, 1);
  EXPECT_EQ(r.extensionCall, 1);
  EXPECT_EQ(r.setupByPhone, 1);
  EXPECT_EQ(r.callWaitingMode, 0);
  EXPECT_EQ(r.endOfDialTime, 0);
  EXPECT_TRUE(r.forwardNumber.empty());
  EXPECT_TRUE(r.speedDial[9].empty());
  EXPECT_EQ(PortLetter(1), 'A');
  EXPECT_EQ(PortLetter(2), 'B');
  EXPECT_EQ(PortLetter(0), 'B');
  EXPECT_EQ(PortLetter(7), 'B');
}

TEST(PhonePortSettings, EditStateFollowsTheRead) {
  PhonePortSettings r;
  r.callWaitingMode = 5;
  r.forwardWait = 12;
  DeriveEditState(r);
  EXPECT_EQ(r.callWaitingOn, 1);
  EXPECT_EQ(r.forwardWaitText, "12");
  r.callWaitingMode = 0;
  DeriveEditState(r);
  EXPECT_EQ(r.callWaitingOn, 0);
}

// Garbage from the line: keys, their pieces, control bytes, NULs and high bytes in any
// order. The parse must stay inside the text and every value must be one line.
TEST(PhoneParseFuzz, GarbageNeverEscapesTheText) {
  const std::vector<std::string> pieces = {"AT#P", "AT#P=", "AT#PA", "AT#PB=", "AT#ICF", "AT#ICFNA", "AT%A", "AT%SB",
                          "AT#ZA=", "AT#HB", "AT#AA=", "=", "\r", "\n", "\r\n", "OK", "12345",
                          "-7", "99999999999999999999", "A", "B", "3", std::string(1, '\0'),
                          "\xff\xfe", "\xea\xb0\x80"};
  std::mt19937 random(20240611);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) {
      if (random() % 4 == 0) {
        text += static_cast<char>(random() % 256);
      } else {
        text += pieces[random() % pieces.size()];
      }
    }
    PhonePortSettings record;
    std::int32_t law = 0;
    ParsePortSettings(text, random() % 2 ? 'A' : 'B', record, law);
    for (const std::string* value : {&record.forwardNumber, &record.multipleNumber, &record.subNumber}) {
      ASSERT_EQ(value->find_first_of("\r\n"), std::string::npos) << testing::PrintToString(text);
      ASSERT_LE(value->size(), text.size());
    }
    for (const auto& entry : record.speedDial) ASSERT_EQ(entry.find_first_of("\r\n"), std::string::npos);
    for (const auto& entry : record.selectiveNumbers) ASSERT_EQ(entry.find_first_of("\r\n"), std::string::npos);
  }
}

}  // namespace
