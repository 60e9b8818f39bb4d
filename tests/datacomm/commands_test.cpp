// The write sequences and clock texts, against literal bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datacomm/core/data_comm_commands.h"
#include "local_time.h"

namespace {

using datacommtest::At;

std::vector<std::string> Commands(DataCommVariant variant, const DataCommSettings& settings) {
  std::vector<std::string> out;
  for (const WriteStep& step : WriteSequence(variant)) out.push_back(FormatCommand(step, settings));
  return out;
}

DataCommSettings Sample() {
  DataCommSettings s;
  s.callBump = 1;
  s.secondChannelOff = 1;
  s.idleDisconnect = 2;
  s.trafficLinkControl = 1;
  s.billingInterval = {180, 32000};
  s.openMonitorTime = {10, 20, 30};
  s.closeMonitorTime = {40, 50, 60};
  s.openThreshold = {50, 100, 7};
  s.closeThreshold = {5, 0, 7};
  return s;
}

TEST(WriteSequence, AodiBytesWaitsAndMessages) {
  const std::vector<std::string> expected = {
      "AT$DISC=2\r",  "AT$Z=1\r",         "AT$MLSCTM=32000\r", "AT$MLTHP=007007\r",
      "AT$MLOND=30\r", "AT$MLCLD=60\r",   "AT$MLTPF=1\r",      "AT$SCTM=180\r",
      "AT$ATHP=050005\r", "AT$BTHP=100000\r", "AT$AOND=10\r",  "AT$BOND=20\r",
      "AT$ACLD=40\r", "AT$BCLD=50\r",     "AT$HFML=1\r",       "ATW\r"};
  EXPECT_EQ(Commands(DataCommVariant::Aodi, Sample()), expected);
  const auto steps = WriteSequence(DataCommVariant::Aodi);
  ASSERT_EQ(steps.size(), 16u);
  for (std::size_t i = 0; i + 1 < steps.size(); ++i) {
    EXPECT_EQ(steps[i].wait, std::chrono::milliseconds(5000)) << i;
    EXPECT_EQ(steps[i].timeoutMessage, "Can not write to TA!.") << i;
  }
  EXPECT_EQ(steps[15].wait, std::chrono::milliseconds(1000));
  EXPECT_EQ(steps[15].timeoutMessage, "7.TA에 쓸수가 없습니다.");
}

TEST(WriteSequence, MlpppBytesWaitsAndMessages) {
  const std::vector<std::string> expected = {
      "AT$Z=1\r",     "AT$MLSCTM=32000\r", "AT$MLTHP=007007\r", "AT$MLOND=30\r",
      "AT$MLCLD=60\r", "AT$MLTPF=1\r",     "AT$DISC=2\r",       "ATW\r"};
  EXPECT_EQ(Commands(DataCommVariant::Mlppp, Sample()), expected);
  const auto steps = WriteSequence(DataCommVariant::Mlppp);
  ASSERT_EQ(steps.size(), 8u);
  EXPECT_EQ(steps[0].wait, std::chrono::milliseconds(1000));
  EXPECT_EQ(steps[0].timeoutMessage, "2.TA에 쓸수가 없습니다.");
  for (std::size_t i = 1; i + 1 < steps.size(); ++i) {
    EXPECT_EQ(steps[i].wait, std::chrono::milliseconds(5000)) << i;
    EXPECT_EQ(steps[i].timeoutMessage, "Can not write to TA!.") << i;
  }
  EXPECT_EQ(steps[7].wait, std::chrono::milliseconds(1000));
  EXPECT_EQ(steps[7].timeoutMessage, "7.TA에 쓸수가 없습니다.");
}

TEST(WriteSequence, ValuesOutsideTheirRangesAreWrittenAsPrintfWould) {
  DataCommSettings s;
  s.openThreshold[0] = -5;
  s.closeThreshold[0] = 2147483647;
  s.idleDisconnect = -2147483647 - 1;
  const auto steps = WriteSequence(DataCommVariant::Aodi);
  EXPECT_EQ(FormatCommand(steps[8], s), "AT$ATHP=-0052147483647\r");
  EXPECT_EQ(FormatCommand(steps[0], s), "AT$DISC=-2147483648\r");
}

TEST(Clock, CommandsAndText) {
  const std::tm t = At(2024, 3, 5, 7, 8, 9);
  EXPECT_EQ(ClockDateCommand(t), "AT$DATE=20240305\r");
  EXPECT_EQ(ClockTimeCommand(t), "AT$TIME=070809\r");
  EXPECT_EQ(FormatClockText(At(2031, 2, 3, 4, 5, 6)), "2031 02 03, 04:05");
  EXPECT_EQ(FormatClockText(At(2024, 12, 31, 23, 59, 59)), "2024 12 31, 23:59");
  EXPECT_EQ(FormatClockText(At(999, 1, 1, 0, 0, 0)), "0999 01 01, 00:00");
}

}  // namespace
