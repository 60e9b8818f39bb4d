// quorvel-cli phone show/set, run in-process against the simulated adapter (the
// detection that main.cpp runs first is the detection's own business).
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli.h"
#include "phone_sim_fixture.h"

namespace {

using phonetest::PhoneSimTest;

TEST_F(PhoneSimTest, CliShowPrintsThePortsFields) {
  Start();
  adapter->SetSetting("AT%AB3", "0512345678");
  adapter->SetSetting("AT#AB", "2");
  adapter->SetSetting("AT#P", "1");
  adapter->SetSetting("AT#ICFNB", "12");
  testing::internal::CaptureStdout();
  const int status = RunPhone({"show", "2"}, {});
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(status, kExitOk);
  EXPECT_TRUE(out.starts_with("pcmLaw=1\nforwardNumber=\nforwardWait=12\nmultipleNumber=\n")) << out;
  for (const char* line : {"\nspeedDial[3]=0512345678\n", "\ncallWaitingMode=2\n", "\ncallWaitingOn=1\n",
                           "\nonlyWhenOtherBusy=1\n", "\nselectiveNumbers[9]=\n", "\nendOfDialTime=0\n"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(out.find("forwardWaitText"), std::string::npos);
  EXPECT_EQ(adapter->Commands(), std::vector<std::string>{"AT$OUTCUR"});
}

TEST_F(PhoneSimTest, CliShowJsonKeepsDiallingNumbersAsText) {
  Start();
  adapter->SetSetting("AT%AA3", "0512345678");
  testing::internal::CaptureStdout();
  ASSERT_EQ(RunPhone({"show", "1"}, {.json = true}), kExitOk);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(out.starts_with("{\"pcmLaw\":0,")) << out;
  EXPECT_NE(out.find("\"speedDial[3]\":\"0512345678\""), std::string::npos) << out;
}

TEST_F(PhoneSimTest, CliSetAppliesChangesAndWritesThePort) {
  Start();
  adapter->SetSetting("AT#SPB", "0");  // read and written back unchanged
  const int status = RunPhone({"set", "2", "speedDial[3]=0512345678", "multipleNumber=5551234",
                               "callWaitingMode=2", "pcmLaw=1", "forwardWait=20"},
                              {});
  ASSERT_EQ(status, kExitOk);
  const std::string sent = Sent();
  for (const char* line : {"\nAT%AB3=0512345678\r\n", "\nAT#ZB=5551234\r\n", "\nAT#AB=2\r\n", "\nAT#P=1\r\n",
                           "\nAT#ICFNB=20\r\n", "\nAT#SPB=0\r\n"}) {
    EXPECT_NE(sent.find(line), std::string::npos) << line;
  }
  EXPECT_TRUE(sent.ends_with("\r\nATW\r")) << sent;
  EXPECT_EQ(adapter->Commands().size(), 42u);  // the read-out request and the 41 lines
  EXPECT_EQ(adapter->Setting("AT%AB3"), "0512345678");
  EXPECT_EQ(adapter->StoreCount(), 1);
}

// A number longer than the command line lets one type (the page allows 31 digits) is
// read and sent back as it was when another field is set.
TEST_F(PhoneSimTest, CliSetKeepsALongStoredNumber) {
  Start();
  adapter->SetSetting("AT%AB3", "0512345678901234567890123456789");
  ASSERT_EQ(RunPhone({"set", "2", "pcmLaw=1"}, {}), kExitOk);
  const std::string sent = Sent();
  EXPECT_NE(sent.find("\nAT%AB3=0512345678901234567890123456789\r\n"), std::string::npos) << sent;
  EXPECT_NE(sent.find("\nAT#P=1\r\n"), std::string::npos) << sent;
  EXPECT_TRUE(sent.ends_with("\r\nATW\r")) << sent;
}

TEST_F(PhoneSimTest, CliCallWaitingOffSendsZero) {
  Start();
  adapter->SetSetting("AT#AA", "2");
  ASSERT_EQ(RunPhone({"set", "1", "callWaitingOn=0"}, {}), kExitOk);
  EXPECT_NE(Sent().find("\nAT#AA=0\r\n"), std::string::npos);
}

struct BadArgs {
  std::vector<std::string> args;
  const char* message;
};

TEST_F(PhoneSimTest, CliRefusesBadArgumentsBeforeAnythingIsSent) {
  Start();
  const BadArgs cases[] = {
      {{}, "quorvel-cli: usage: phone show 1|2 | phone set 1|2 field=value...\n"},
      {{"show"}, "quorvel-cli: usage: phone show 1|2 | phone set 1|2 field=value...\n"},
      {{"list", "1"}, "quorvel-cli: usage: phone show 1|2 | phone set 1|2 field=value...\n"},
      {{"show", "1", "x=1"}, "quorvel-cli: usage: phone show 1|2 | phone set 1|2 field=value...\n"},
      {{"show", "3"}, "quorvel-cli: phone: port must be 1 or 2\n"},
      {{"set", "1"}, "quorvel-cli: phone set: nothing to set\n"},
      {{"set", "1", "dialingMode"}, "quorvel-cli: phone: expected field=value, got 'dialingMode'\n"},
      {{"set", "1", "bogus=1"}, "quorvel-cli: phone: unknown field 'bogus'\n"},
      {{"set", "1", "speedDial=1"}, "quorvel-cli: phone: unknown field 'speedDial'\n"},
      {{"set", "1", "speedDial[10]=1"}, "quorvel-cli: phone: unknown field 'speedDial[10]'\n"},
      {{"set", "1", "dialingMode[1]=1"}, "quorvel-cli: phone: unknown field 'dialingMode[1]'\n"},
      {{"set", "2", "dialingMode=7"}, "quorvel-cli: phone: bad value '7' for dialingMode (0..1)\n"},
      {{"set", "2", "dialingMode=+1"}, "quorvel-cli: phone: bad value '+1' for dialingMode (0..1)\n"},
      {{"set", "2", "forwardWait=31"}, "quorvel-cli: phone: bad value '31' for forwardWait (0..30)\n"},
      {{"set", "2", "callWaitingMode=3"}, "quorvel-cli: phone: bad value '3' for callWaitingMode (0..2)\n"},
      {{"set", "2", "endOfDialTime="}, "quorvel-cli: phone: bad value '' for endOfDialTime (0..2)\n"},
      {{"set", "2", "pcmLaw=2"}, "quorvel-cli: phone: bad value '2' for pcmLaw (0 or 1)\n"},
      {{"set", "2", "speedDial[3]=05a"}, "quorvel-cli: phone: bad value '05a' for speedDial[3] (digits, at most 19)\n"},
      {{"set", "2", "subNumber=12345"}, "quorvel-cli: phone: bad value '12345' for subNumber (digits, at most 4)\n"},
      {{"set", "2", "forwardNumber=01234567890123456789"},
       "quorvel-cli: phone: bad value '01234567890123456789' for forwardNumber (digits, at most 19)\n"},
      {{"set", "2", "speedDial[1]=1", "mainNumberOn=2"},
       "quorvel-cli: phone: bad value '2' for mainNumberOn (0..1)\n"},
  };
  for (const BadArgs& c : cases) {
    const std::string shown = testing::PrintToString(c.args);
    testing::internal::CaptureStderr();
    EXPECT_EQ(CheckPhoneArgs(c.args), kExitUsage) << shown;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message) << shown;
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunPhone(c.args, {}), kExitUsage) << shown;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message) << shown;
  }
  EXPECT_EQ(Sent(), "");
  EXPECT_EQ(notifier.Count(), 0u);
}

TEST_F(PhoneSimTest, CliReadFailureIsTheReadMessageAndExit1) {
  sim::Options options;
  options.wrongChecksum = true;
  Start(options);
  EXPECT_EQ(RunPhone({"set", "1", "pcmLaw=1"}, {}), kExitFailed);
  ASSERT_EQ(notifier.Count(), 1u);
  EXPECT_EQ(notifier.Messages()[0].text, "Reading TA DATA Error!!!");
  EXPECT_EQ(adapter->StoreCount(), 0);
}

}  // namespace
