// The write table without a line: waits, time-out messages and the sending limits.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "phone/core/phone_commands.h"

namespace {

using std::chrono::milliseconds;

TEST(PhoneCommands, EveryLineHasItsStepsWaitAndMessage) {
  // (message, lines of that step) in sending order; 12 appears twice, the blank in
  // "쓸 수가" is gone from the ninth step on.
  const std::vector<std::pair<std::string, int>> steps = {
      {"2.TA에 쓸 수가 없습니다.", 1},   {"12.TA에 쓸 수가 없습니다.", 1}, {"3.TA에 쓸 수가 없습니다.", 1},
      {"4.TA에 쓸 수가 없습니다.", 1},   {"5.TA에 쓸 수가 없습니다.", 1},  {"6.TA에 쓸 수가 없습니다.", 1},
      {"7.TA에 쓸 수가 없습니다.", 1},   {"8.TA에 쓸 수가 없습니다.", 1},  {"9.TA에 쓸수가 없습니다.", 1},
      {"10.TA에 쓸수가 없습니다.", 1},   {"11.TA에 쓸수가 없습니다.", 10}, {"12.TA에 쓸수가 없습니다.", 1},
      {"13.TA에 쓸수가 없습니다.", 10},  {"14.TA에 쓸수가 없습니다.", 1},  {"15.TA에 쓸수가 없습니다.", 1},
      {"16.TA에 쓸수가 없습니다.", 1},   {"17.TA에 쓸수가 없습니다.", 1},  {"18.TA에 쓸수가 없습니다.", 1},
      {"19.TA에 쓸수가 없습니다.", 1},   {"20.TA에 쓸수가 없습니다.", 1},  {"21.TA에 쓸수가 없습니다.", 1},
      {"22.TA에 쓸수가 없습니다.", 1},   {"TA에 쓸수가 없습니다.", 1},
  };
  std::vector<std::string> expected;
  for (const auto& [message, count] : steps) expected.insert(expected.end(), count, message);

  const auto commands = BuildPortCommands(PhonePortSettings{}, 'A', 0);
  ASSERT_EQ(commands.size(), 41u);
  for (std::size_t i = 0; i < commands.size(); ++i) {
    EXPECT_EQ(commands[i].timeoutMessage, expected[i]) << commands[i].line;
    const bool endOfDial = commands[i].line.starts_with("AT#EODA=");
    EXPECT_EQ(commands[i].wait, milliseconds(endOfDial ? 5000 : 1000)) << commands[i].line;
  }
  EXPECT_EQ(commands.back().line, "ATW\r");
}

TEST(PhoneCommands, WaitTextGoesOutAsItsLeadingNumber) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "AT#ICFNA=0\r\n"}, {"7", "AT#ICFNA=7\r\n"}, {"30", "AT#ICFNA=30\r\n"},
      {"12x", "AT#ICFNA=12\r\n"}, {"x", "AT#ICFNA=0\r\n"}, {"99999999999", "AT#ICFNA=2147483647\r\n"},
  };
  for (const auto& [text, line] : cases) {
    PhonePortSettings record;
    record.forwardWaitText = text;
    EXPECT_EQ(BuildPortCommands(record, 'A', 0)[1].line, line) << text;
  }
}

TEST(PhoneCommands, ListEntriesHoldingEmptyGoOutEmpty) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "AT%SB4=\r\n"},
      {"Empty!", "AT%SB4=\r\n"},
      {"Empty", "AT%SB4=\r\n"},
      {"12Empty34", "AT%SB4=\r\n"},
      {"empty!", "AT%SB4=empty!\r\n"},  // the test is case-sensitive
      {"Empt", "AT%SB4=Empt\r\n"},
      {"0312345", "AT%SB4=0312345\r\n"},
  };
  for (const auto& [entry, line] : cases) {
    PhonePortSettings record;
    record.selectiveNumbers[4] = entry;
    record.speedDial[4] = entry;
    const auto commands = BuildPortCommands(record, 'B', 0);
    EXPECT_EQ(commands[25].line, line) << entry;
    std::string speedDialLine = line;
    speedDialLine[3] = 'A';  // the speed-dial list follows the same rule
    EXPECT_EQ(commands[14].line, speedDialLine) << entry;
  }
}

TEST(PhoneCommands, NumbersAreSentOnlyWhileTheirBoxIsOn) {
  PhonePortSettings record;
  record.multipleNumber = "5551234";
  record.subNumber = "12";
  record.callWaitingMode = 2;
  const std::pair<std::int32_t, std::vector<std::string>> cases[] = {
      {0, {"AT#ZA=\r\n", "AT#HA=\r\n", "AT#AA=0\r\n"}},
      {1, {"AT#ZA=5551234\r\n", "AT#HA=12\r\n", "AT#AA=2\r\n"}},
  };
  for (const auto& [on, lines] : cases) {
    record.multipleNumberOn = on;
    record.subNumberOn = on;
    record.callWaitingOn = on;
    const auto commands = BuildPortCommands(record, 'A', 0);
    EXPECT_EQ(commands[2].line, lines[0]) << on;
    EXPECT_EQ(commands[4].line, lines[1]) << on;
    EXPECT_EQ(commands[34].line, lines[2]) << on;
  }
}

struct LimitCase {
  const char* name;
  void (*edit)(PhonePortSettings& record);
  const char* refusedField;  // null: everything can be sent
};

const LimitCase kLimitCases[] = {
    {"EntryOf51Fits", [](PhonePortSettings& r) { r.speedDial[4] = std::string(51, '7'); }, nullptr},
    {"EntryOf52IsRefused", [](PhonePortSettings& r) { r.speedDial[4] = std::string(52, '7'); }, "speedDial[4]"},
    {"LongEmptyPlaceholderStillCopied",
     [](PhonePortSettings& r) { r.selectiveNumbers[9] = "Empty!" + std::string(60, ' '); }, "selectiveNumbers[9]"},
    {"ForwardNumberFillingTheLineFits", [](PhonePortSettings& r) { r.forwardNumber = std::string(89, '1'); },
     nullptr},
    {"ForwardNumberOverTheLineIsRefused", [](PhonePortSettings& r) { r.forwardNumber = std::string(90, '1'); },
     "forwardNumber"},
    {"UnsentMultipleNumberIsNoProblem",
     [](PhonePortSettings& r) {
       r.multipleNumber = std::string(300, '1');
       r.multipleNumberOn = 0;
     },
     nullptr},
    {"SentMultipleNumberOverTheLine",
     [](PhonePortSettings& r) {
       r.multipleNumber = std::string(300, '1');
       r.multipleNumberOn = 1;
     },
     "multipleNumber"},
    {"LineEndInsideAValue",
     [](PhonePortSettings& r) {
       r.subNumber = "1\r\nATW";
       r.subNumberOn = 1;
     },
     "subNumber"},
    {"NulInsideAnEntry", [](PhonePortSettings& r) { r.speedDial[0] = std::string("12\0" "3", 4); }, "speedDial[0]"},
};

class LimitTable : public testing::TestWithParam<LimitCase> {};

TEST_P(LimitTable, RefusesOnlyWhatCannotBeSent) {
  PhonePortSettings record;
  GetParam().edit(record);
  const auto unsendable = FindUnsendableCommand(BuildPortCommands(record, 'B', 1));
  if (GetParam().refusedField == nullptr) {
    EXPECT_FALSE(unsendable.has_value()) << unsendable->field;
  } else {
    ASSERT_TRUE(unsendable.has_value());
    EXPECT_EQ(unsendable->field, GetParam().refusedField);
    EXPECT_NE(UnsendableMessage(*unsendable).find(GetParam().refusedField), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Phone, LimitTable, testing::ValuesIn(kLimitCases),
                         [](const testing::TestParamInfo<LimitCase>& param) { return param.param.name; });

TEST(PhoneCommands, LinesStayWithinTheCommandLineLimit) {
  PhonePortSettings record;
  record.forwardNumber = std::string(89, '1');
  for (auto& entry : record.speedDial) entry = std::string(51, '2');
  for (const auto& command : BuildPortCommands(record, 'A', 0)) {
    EXPECT_LE(command.line.size() + 1, kCommandLineSize) << command.field;
  }
}

}  // namespace
