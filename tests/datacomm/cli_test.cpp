// quorvel-cli's datacomm and clock commands against the simulated adapter.
#include <gtest/gtest.h>

#include <thread>

#include "cli/cli.h"
#include "datacomm/core/data_comm_session.h"
#include "sim_fixture.h"

namespace {

using namespace datacommtest;

class DatacommCliTest : public SimTest {
 protected:
  int Run(const Args& args, std::string* out = nullptr, bool json = false) {
    CliOptions options;
    options.json = json;
    testing::internal::CaptureStdout();
    const int status = RunDatacomm(args, options);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (out) *out = printed;
    return status;
  }
};

const std::vector<std::string> kFactoryWriteAfterChange = {
    "AT$OUTCUR",   "AT$DISC=3",   "AT$Z=0",      "AT$MLSCTM=0",    "AT$MLTHP=050050",
    "AT$MLOND=0",  "AT$MLCLD=0",  "AT$MLTPF=0",  "AT$SCTM=0",      "AT$ATHP=050005",
    "AT$BTHP=050050", "AT$AOND=0", "AT$BOND=0",  "AT$ACLD=0",      "AT$BCLD=0",
    "AT$HFML=0",   "ATW"};

TEST_F(DatacommCliTest, SetSendsWhatTheCoreWriteSendsForTheChangedRecord) {
  StartSim({});
  const auto factory = adapter->Settings();
  std::string out;
  ASSERT_EQ(Run({"set", "openThreshold[0]=50", "closeThreshold[0]=5", "idleDisconnect=3"}, &out),
            kExitOk);
  const std::vector<std::string> fromCli = adapter->Commands();
  const std::string rawFromCli = adapter->RawBytes("COM1");
  EXPECT_EQ(fromCli, kFactoryWriteAfterChange);
  EXPECT_NE(out.find("\nopenThreshold[0]=50\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\ncloseThreshold[0]=5\n"), std::string::npos) << out;
  EXPECT_NE(out.find("idleDisconnectOn=1\n"), std::string::npos) << out;

  // The same change made through the session, as the dialog's OK makes it.
  for (const auto& [key, value] : factory) adapter->SetSetting(key, value);
  adapter->ClearLog();
  CDataCommSession session(DataCommVariant::Aodi);
  DataCommSettings settings;
  std::int32_t on = 0;
  ASSERT_TRUE(session.ReadTaData(settings, on));
  settings.openThreshold[0] = 50;
  settings.closeThreshold[0] = 5;
  settings.idleDisconnect = 3;
  SetIdleDisconnectBox(settings, on, true);
  ASSERT_EQ(session.WriteTaData(settings, on), 1);
  EXPECT_EQ(adapter->Commands(), fromCli);
  EXPECT_EQ(adapter->RawBytes("COM1"), rawFromCli);
}

TEST_F(DatacommCliTest, MlpppSetSendsTheEightCommands) {
  sim::Options options;
  options.aodiModel = false;
  StartSim(options);
  ASSERT_EQ(Run({"set", "billingInterval[1]=120", "callBump=1"}), kExitOk);
  EXPECT_EQ(adapter->RawBytes("COM1"),
            "\rAT$OUTCUR\r\nAT$Z=1\rAT$MLSCTM=120\rAT$MLTHP=050050\rAT$MLOND=0\rAT$MLCLD=0\r"
            "AT$MLTPF=0\rAT$DISC=0\rATW\r");
}

TEST_F(DatacommCliTest, ShowPrintsTheVariantsFields) {
  StartSim({});
  adapter->SetSetting("AT$ATHP", "060010");
  adapter->SetSetting("AT$DISC", "2");
  std::string out;
  ASSERT_EQ(Run({"show"}, &out), kExitOk);
  EXPECT_EQ(out,
            "callBump=0\nsecondChannelOff=0\nidleDisconnect=2\ntrafficLinkControl=0\n"
            "billingInterval[0]=0\nbillingInterval[1]=0\nopenMonitorTime[0]=0\n"
            "openMonitorTime[1]=0\nopenMonitorTime[2]=0\ncloseMonitorTime[0]=0\n"
            "closeMonitorTime[1]=0\ncloseMonitorTime[2]=0\nopenThreshold[0]=60\n"
            "openThreshold[1]=50\nopenThreshold[2]=50\ncloseThreshold[0]=10\n"
            "closeThreshold[1]=50\ncloseThreshold[2]=50\nidleDisconnectOn=1\n");
  EXPECT_EQ(adapter->Commands(), std::vector<std::string>{"AT$OUTCUR"});

  adapter->SetOptions([&] {
    sim::Options options = adapter->CurrentOptions();
    options.aodiModel = false;
    return options;
  }());
  aodiCapable = 0;
  ASSERT_EQ(Run({"show"}, &out, true), kExitOk);
  EXPECT_EQ(out,
            "{\"callBump\":0,\"idleDisconnect\":2,\"trafficLinkControl\":0,"
            "\"billingInterval[1]\":0,\"openMonitorTime[2]\":0,\"closeMonitorTime[2]\":0,"
            "\"openThreshold[2]\":50,\"closeThreshold[2]\":50,\"idleDisconnectOn\":1}\n");
}

TEST_F(DatacommCliTest, ShowReportsAReadFailure) {
  sim::Options options;
  options.wrongChecksum = true;
  StartSim(options);
  std::string out;
  EXPECT_EQ(Run({"show"}, &out), kExitFailed);
  EXPECT_EQ(out, "");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Reading TA DATA Error!!!"});
}

TEST_F(DatacommCliTest, BadArgumentsAreRefusedBeforeAnythingIsSent) {
  StartSim({});
  const std::vector<Args> cases = {
      {},
      {"show", "extra"},
      {"list"},
      {"set"},
      {"set", "openThreshold[0]=101"},
      {"set", "closeThreshold[2]=-1"},
      {"set", "billingInterval[1]=32001"},
      {"set", "openMonitorTime[1]=61"},
      {"set", "idleDisconnect=4"},
      {"set", "callBump=2"},
      {"set", "callBump=x"},
      {"set", "callBump=1.0"},
      {"set", "callBump="},
      {"set", "callBump"},
      {"set", "=1"},
      {"set", "nosuch=1"},
      {"set", "openThreshold=1"},
      {"set", "openThreshold[3]=1"},
      {"set", "callBump=1", "callBump=0"},
      {"set", "openThreshold[1]=10", "closeThreshold[1]=20"},
      {"set", "idleDisconnectOn=2"},
      {"set", "billingInterval[0]=99999999999"},
  };
  for (const Args& args : cases) {
    std::string joined;
    for (const std::string& arg : args) joined += arg + " ";
    SCOPED_TRACE(joined);
    EXPECT_EQ(CheckDatacommArgs(args), kExitUsage);
    EXPECT_EQ(Run(args), kExitUsage);
  }
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(adapter->RawBytes("COM1"), "");
  EXPECT_EQ(notifier.Count(), 0u);
}

TEST_F(DatacommCliTest, MlpppAdapterRefusesAodiOnlyFieldsBeforeAnythingIsSent) {
  sim::Options options;
  options.aodiModel = false;
  StartSim(options);
  EXPECT_EQ(Run({"set", "callBump=1", "secondChannelOff=1"}), kExitUsage);
  EXPECT_EQ(Run({"set", "openThreshold[0]=10"}), kExitUsage);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(adapter->RawBytes("COM1"), "");
}

TEST_F(DatacommCliTest, ThresholdBelowTheAdaptersOpeningOneIsRefusedBeforeTheWrite) {
  StartSim({});
  adapter->SetSetting("AT$ATHP", "050030");
  EXPECT_EQ(Run({"set", "closeThreshold[0]=60"}), kExitUsage);
  EXPECT_EQ(adapter->Commands(), std::vector<std::string>{"AT$OUTCUR"});
  EXPECT_EQ(adapter->StoreCount(), 0);
}

TEST_F(DatacommCliTest, IdleDisconnectBox) {
  StartSim({});
  adapter->SetSetting("AT$DISC", "2");
  ASSERT_EQ(Run({"set", "idleDisconnectOn=0"}), kExitOk);
  EXPECT_EQ(adapter->Commands().at(1), "AT$DISC=0");
  adapter->ClearLog();
  ASSERT_EQ(Run({"set", "idleDisconnectOn=1"}), kExitOk);  // on while 0: 10 minutes
  EXPECT_EQ(adapter->Commands().at(1), "AT$DISC=1");
}

TEST_F(DatacommCliTest, ClockSetsDateAndTime) {
  StartSim({});
  testing::internal::CaptureStdout();
  const int status = RunClock({}, CliOptions{});
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(status, kExitOk);
  const std::vector<std::string> commands = adapter->Commands();
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_TRUE(commands[0].starts_with("AT$DATE=")) << commands[0];
  EXPECT_EQ(commands[0].size(), 16u);
  EXPECT_TRUE(commands[1].starts_with("AT$TIME=")) << commands[1];
  EXPECT_EQ(commands[1].size(), 14u);
  EXPECT_EQ(adapter->StoreCount(), 0);
  EXPECT_TRUE(out.starts_with("clock=")) << out;
}

}  // namespace
