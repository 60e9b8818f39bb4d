// CDataCommSession against the simulated adapter: read-out, write sequences, clock, and
// their failures, checked byte for byte from what the adapter received.
#include <gtest/gtest.h>

#include <thread>

#include "datacomm/core/data_comm_session.h"
#include "box_left_open_notifier.h"
#include "sim_fixture.h"

namespace {

using namespace datacommtest;
using Clock = std::chrono::steady_clock;

const std::string kReadOutBytes = "\rAT$OUTCUR\r\n";

// The AODI sequence for a record that differs from the defaults everywhere.
DataCommSettings Sample() {
  DataCommSettings s;
  s.callBump = 1;
  s.secondChannelOff = 1;
  s.idleDisconnect = 2;
  s.trafficLinkControl = 1;
  s.billingInterval = {180, 600};
  s.openMonitorTime = {10, 20, 30};
  s.closeMonitorTime = {40, 50, 60};
  s.openThreshold = {50, 100, 70};
  s.closeThreshold = {5, 0, 7};
  return s;
}

const std::vector<std::string> kSampleAodiCommands = {
    "AT$DISC=2",      "AT$Z=1",         "AT$MLSCTM=600", "AT$MLTHP=070007",
    "AT$MLOND=30",    "AT$MLCLD=60",    "AT$MLTPF=1",    "AT$SCTM=180",
    "AT$ATHP=050005", "AT$BTHP=100000", "AT$AOND=10",    "AT$BOND=20",
    "AT$ACLD=40",     "AT$BCLD=50",     "AT$HFML=1",     "ATW"};

const std::vector<std::string> kSampleMlpppCommands = {
    "AT$Z=1", "AT$MLSCTM=600", "AT$MLTHP=070007", "AT$MLOND=30",
    "AT$MLCLD=60", "AT$MLTPF=1", "AT$DISC=2", "ATW"};

using SessionTest = SimTest;
// Pays the adapter's real time-outs.
using DataCommSlowTest = SimTest;

// ----- reading -----

class ReadOutEcho : public SimTest, public testing::WithParamInterface<bool> {};

TEST_P(ReadOutEcho, ReadsAndParsesTheAdapterSettings) {
  sim::Options options;
  options.echoReadOut = GetParam();
  StartSim(options);
  adapter->SetSetting("AT$ATHP", "050030");
  adapter->SetSetting("AT$MLTHP", "100000");
  adapter->SetSetting("AT$BTHP", "000030");
  adapter->SetSetting("AT$DISC", "2");
  adapter->SetSetting("AT$SCTM", "180");
  adapter->SetSetting("AT$MLSCTM", "600");
  adapter->SetSetting("AT$HFML", "1");

  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings;
  std::int32_t on = 0;
  ASSERT_TRUE(session.ReadTaData(settings, on));
  EXPECT_EQ(session.ReadOutText().starts_with("AT$OUTCUR"), GetParam());
  EXPECT_EQ(settings.openThreshold, (std::array<std::int32_t, 3>{50, 0, 100}));
  EXPECT_EQ(settings.closeThreshold, (std::array<std::int32_t, 3>{30, 30, 0}));
  EXPECT_EQ(settings.idleDisconnect, 2);
  EXPECT_EQ(on, 1);
  EXPECT_EQ(settings.billingInterval, (std::array<std::int32_t, 2>{180, 600}));
  EXPECT_EQ(settings.secondChannelOff, 1);
  EXPECT_EQ(adapter->RawBytes("COM1"), kReadOutBytes);
  EXPECT_FALSE(session.Link().IsOpen());
  EXPECT_EQ(notifier.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithout, ReadOutEcho, testing::Bool());

TEST_F(SessionTest, MlpppReadTakesOnlyItsKeysAndKeepsTheRest) {
  sim::Options options;
  options.aodiModel = false;
  StartSim(options);
  adapter->SetSetting("AT$MLTHP", "080020");
  adapter->SetSetting("AT$ATHP", "010010");
  CDataCommSession session(DataCommVariant::Mlppp);
  DataCommSettings settings;
  settings.openThreshold[0] = 77;  // not an ML-PPP key: kept
  std::int32_t on = 1;
  ASSERT_TRUE(session.ReadTaData(settings, on));
  EXPECT_EQ(settings.openThreshold[2], 80);
  EXPECT_EQ(settings.closeThreshold[2], 20);
  EXPECT_EQ(settings.openThreshold[0], 77);
  EXPECT_EQ(on, 0);
}

TEST_F(SessionTest, WrongChecksumsFailThreeAttemptsThenTheReadErrorBox) {
  sim::Options options;
  options.wrongChecksum = true;
  StartSim(options);
  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings = Sample();
  std::int32_t on = 0;
  EXPECT_FALSE(session.ReadTaData(settings, on));
  EXPECT_EQ(adapter->RawBytes("COM1"), kReadOutBytes + kReadOutBytes + kReadOutBytes);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Reading TA DATA Error!!!"});
  EXPECT_EQ(notifier.Messages()[0].caption, "Quorvel Program");
  EXPECT_EQ(settings, Sample());  // nothing taken from an invalid read-out
}

// A setting line longer than 31 characters (a telephone number as long as the page's
// list editor allows) is checked by its checksum like any other and read.
TEST_F(SessionTest, LongSettingLineIsVerifiedByItsChecksum) {
  StartSim({});
  adapter->SetSetting("AT$SCTM", "180");
  adapter->SetSetting("AT%AB3", std::string(31, '5'));  // "AT%AB3=" + 31 digits = 38
  adapter->SetSetting("AT%AA0", std::string(25, '5'));  // 32
  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings;
  std::int32_t on = 0;
  ASSERT_TRUE(session.ReadTaData(settings, on));
  EXPECT_EQ(settings.billingInterval[0], 180);
  EXPECT_NE(session.ReadOutText().find("AT%AB3=" + std::string(31, '5') + "\r\n"), std::string_view::npos);
  EXPECT_EQ(notifier.Count(), 0u);
  EXPECT_EQ(adapter->Commands().size(), 1u);  // accepted at the first request
}

// A read-out that does not fit the 4000-byte buffer is cut by the link (never written
// past it) and is then refused: it is never half taken.
TEST_F(SessionTest, ReadOutOverTheBufferIsRefused) {
  StartSim({});
  for (const char* prefix : {"AT%AA", "AT%AB", "AT%SA", "AT%SB"}) {
    for (int i = 0; i < 10; ++i) adapter->SetSetting(prefix + std::to_string(i), std::string(90, '1'));
  }
  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings;
  std::int32_t on = 0;
  EXPECT_FALSE(session.ReadTaData(settings, on));
  EXPECT_EQ(session.ReadOutText().size(), kReceiveBufferSize - 1);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Reading TA DATA Error!!!"});
  EXPECT_EQ(settings, DataCommSettings{});
  EXPECT_EQ(adapter->Commands().size(), 3u);  // each request answered, each refused
}

TEST_F(SessionTest, ReadWithoutAPortSendsNothing) {
  StartSim({});
  currentPort = 0;
  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings;
  std::int32_t on = 0;
  EXPECT_FALSE(session.ReadTaData(settings, on));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"포트가 이미 열려 있거나 올바르지 않습니다."});
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(adapter->RawBytes("COM1"), "");
}

TEST_F(DataCommSlowTest, SilentAdapterCostsSixReadOutRequests) {
  sim::Options options;
  options.dropAfter = 0;
  StartSim(options);
  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings;
  std::int32_t on = 0;
  const auto start = Clock::now();
  EXPECT_FALSE(session.ReadTaData(settings, on));
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 8400ms);
  EXPECT_LT(elapsed, 14000ms);
  std::string six;
  for (int i = 0; i < 6; ++i) six += kReadOutBytes;
  EXPECT_EQ(adapter->RawBytes("COM1"), six);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Reading TA DATA Error!!!"});
  EXPECT_FALSE(session.Link().IsOpen());
}

// ----- writing -----

TEST_F(SessionTest, AodiWriteSendsTheSixteenCommandsByteForByte) {
  StartSim({});
  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings = Sample();
  EXPECT_EQ(session.WriteTaData(settings, 1), 1);
  EXPECT_EQ(adapter->Commands(), kSampleAodiCommands);
  EXPECT_EQ(adapter->RawBytes("COM1"), Joined(kSampleAodiCommands, "\r"));
  EXPECT_EQ(adapter->StoreCount(), 1);
  EXPECT_EQ(adapter->Setting("AT$ATHP"), "050005");
  EXPECT_EQ(notifier.Count(), 0u);
  EXPECT_FALSE(session.Link().IsOpen());

  // What was written reads back the same.
  DataCommSettings readBack;
  std::int32_t on = 0;
  ASSERT_TRUE(session.ReadTaData(readBack, on));
  EXPECT_EQ(readBack, Sample());
}

TEST_F(SessionTest, MlpppWriteSendsTheEightCommandsByteForByte) {
  sim::Options options;
  options.aodiModel = false;
  StartSim(options);
  CDataCommSession session(DataCommVariant::Mlppp);
  DataCommSettings settings = Sample();
  EXPECT_EQ(session.WriteTaData(settings, 1), 1);
  EXPECT_EQ(adapter->RawBytes("COM1"), Joined(kSampleMlpppCommands, "\r"));
  EXPECT_EQ(adapter->StoreCount(), 1);
}

TEST_F(SessionTest, IdleDisconnectBoxOffWritesZero) {
  StartSim({});
  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings;
  settings.idleDisconnect = 3;
  EXPECT_EQ(session.WriteTaData(settings, 0), 1);
  const std::vector<std::string> commands = adapter->Commands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(adapter->RawBytes("COM1").substr(0, 10), "AT$DISC=0\r");
  EXPECT_EQ(settings.idleDisconnect, 0);
}

TEST_F(SessionTest, ErrorReplyShowsTheErrorBoxAndTheSequenceGoesOn) {
  sim::Options options;
  options.errorCommands = {"AT$SCTM"};
  StartSim(options);
  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings = Sample();
  EXPECT_EQ(session.WriteTaData(settings, 1), 1);
  EXPECT_EQ(adapter->Commands(), kSampleAodiCommands);
  ASSERT_EQ(notifier.Count(), 1u);
  EXPECT_EQ(notifier.Messages()[0].caption, "Error");
  EXPECT_EQ(notifier.Messages()[0].text, "\r\nERROR\r\n");
}

TEST_F(SessionTest, NoAnswerToAtwGivesStepSeven) {
  sim::Options options;
  options.silentCommands = {"ATW"};
  StartSim(options);
  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings = Sample();
  const auto start = Clock::now();
  EXPECT_EQ(session.WriteTaData(settings, 1), 0);
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 950ms);
  EXPECT_LT(elapsed, 3000ms);
  EXPECT_EQ(adapter->Commands(), kSampleAodiCommands);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"7.TA에 쓸수가 없습니다."});
  EXPECT_EQ(notifier.Messages()[0].caption, "Quorvel Program");
  EXPECT_FALSE(session.Link().IsOpen());
}

TEST_F(SessionTest, MlpppWithoutAdapterGivesStepTwoAfterASecond) {
  sim::Options options;
  options.aodiModel = false;
  options.adapterPort = "";  // every port silent
  StartSim(options);
  CDataCommSession session(DataCommVariant::Mlppp);
  DataCommSettings settings;
  const auto start = Clock::now();
  EXPECT_EQ(session.WriteTaData(settings, 0), 0);
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 950ms);
  EXPECT_LT(elapsed, 3000ms);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"2.TA에 쓸수가 없습니다."});
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(adapter->RawBytes("COM1"), "AT$Z=0\r");
  EXPECT_FALSE(session.Link().IsOpen());
}

// An "Error" box still open when the wait gives up is closed with the link, and the
// link then signals the completion event after all. That late signal must not answer
// the first command of the next write. Pays two 1000 ms waits.
TEST_F(DataCommSlowTest, LateErrorAnswerDoesNotAnswerTheNextWrite) {
  sim::Options options;
  options.aodiModel = false;
  options.errorCommands = {"AT$Z"};
  StartSim(options);
  CDataCommSession session(DataCommVariant::Mlppp);
  DataCommSettings settings = Sample();
  {
    testsupport::BoxLeftOpenNotifier userAway;
    EXPECT_EQ(session.WriteTaData(settings, 1), 0);
    const auto messages = userAway.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].caption, "Error");
    EXPECT_EQ(messages[1].text, "2.TA에 쓸수가 없습니다.");
  }
  options.errorCommands.clear();
  options.silentCommands = {"AT$Z"};
  adapter->SetOptions(options);
  adapter->ClearLog();
  notifier.Clear();
  EXPECT_EQ(session.WriteTaData(settings, 1), 0);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(adapter->RawBytes("COM1"), "AT$Z=1\r");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"2.TA에 쓸수가 없습니다."});
}

TEST_F(DataCommSlowTest, NoAnswerAtAStepStopsThereAndClosesTheLink) {
  sim::Options options;
  options.silentCommands = {"AT$ATHP"};
  StartSim(options);
  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings = Sample();
  const auto start = Clock::now();
  EXPECT_EQ(session.WriteTaData(settings, 1), 0);
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 4900ms);
  EXPECT_LT(elapsed, 8000ms);
  EXPECT_FALSE(session.Link().IsOpen());
  std::this_thread::sleep_for(200ms);
  const std::vector<std::string> upToAthp(kSampleAodiCommands.begin(),
                                          kSampleAodiCommands.begin() + 9);
  EXPECT_EQ(adapter->RawBytes("COM1"), Joined(upToAthp, "\r"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Can not write to TA!."});
  EXPECT_EQ(notifier.Messages()[0].caption, "Quorvel Program");
}

// Failures before anything is sent, for the write and for the clock.
struct OpenFailureCase {
  const char* name;
  bool clock;
  int port;             // currentPort
  int speed;            // currentSpeed
  bool portHeld;        // another link holds COM1
  const char* message;
};

class OpenFailures : public SimTest, public testing::WithParamInterface<OpenFailureCase> {};

TEST_P(OpenFailures, ShowTheirMessageAndSendNothing) {
  const OpenFailureCase& c = GetParam();
  StartSim({});
  CCommLink holder;
  if (c.portHeld) {
    holder.Configure(1, 115200, 8, 0, 0);
    ASSERT_EQ(holder.Open(), 1);
  }
  currentPort = c.port;
  currentSpeed = c.speed;
  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings = Sample();
  if (c.clock) {
    EXPECT_FALSE(session.SetTaClock(At(2024, 3, 5, 7, 8, 9)));
  } else {
    EXPECT_EQ(session.WriteTaData(settings, 1), 0);
  }
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{c.message});
  EXPECT_EQ(notifier.Messages()[0].caption, "Quorvel Program");
  EXPECT_FALSE(session.Link().IsOpen());
  holder.Close();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(adapter->RawBytes("COM1"), "");
}

INSTANTIATE_TEST_SUITE_P(
    WriteAndClock, OpenFailures,
    testing::Values(
        OpenFailureCase{"WriteNoPort", false, 0, 115200, false, "포트가 정해져 있지 않습니다."},
        OpenFailureCase{"WritePortBusy", false, 1, 115200, true,
                        "포트가 이미 열려 있거나 올바르지 않습니다."},
        OpenFailureCase{"WriteSpeedRefused", false, 1, 12345, false, "1.TA에 쓸 수가 없습니다."},
        OpenFailureCase{"ClockNoPort", true, 0, 115200, false, "Can not write to TA!."},
        OpenFailureCase{"ClockPortBusy", true, 1, 115200, true, "Port is aleady open, or incorrect!"},
        OpenFailureCase{"ClockSpeedRefused", true, 1, 12345, false, "Can not write to TA!."}),
    [](const testing::TestParamInfo<OpenFailureCase>& tested) { return tested.param.name; });

// ----- clock -----

TEST_F(SessionTest, ClockSendsDateAndTimeWithoutAtw) {
  StartSim({});
  CDataCommSession session(DataCommVariant::Aodi);
  EXPECT_TRUE(session.SetTaClock(At(2024, 3, 5, 7, 8, 9)));
  EXPECT_EQ(adapter->RawBytes("COM1"), "AT$DATE=20240305\rAT$TIME=070809\r");
  EXPECT_EQ(adapter->StoreCount(), 0);
  EXPECT_EQ(notifier.Count(), 0u);
  EXPECT_FALSE(session.Link().IsOpen());
}

TEST_F(DataCommSlowTest, ClockTimeoutStopsAfterTheDate) {
  sim::Options options;
  options.aodiModel = false;
  options.silentCommands = {"AT$DATE"};
  StartSim(options);
  CDataCommSession session(DataCommVariant::Mlppp);
  EXPECT_FALSE(session.SetTaClock(At(2024, 3, 5, 7, 8, 9)));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Can not write to TA!."});
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(adapter->RawBytes("COM1"), "AT$DATE=20240305\r");
  EXPECT_FALSE(session.Link().IsOpen());
}

}  // namespace
