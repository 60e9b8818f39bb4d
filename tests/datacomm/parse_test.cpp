// ParseTaData: values by key, for both variants, as a table of read-outs.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "datacomm/core/data_comm_parse.h"

namespace {

struct ParseCase {
  const char* name;
  DataCommVariant variant;
  std::string text;
  std::function<void(DataCommSettings&)> expect;  // changes to the starting record
  std::int32_t idleDisconnectOn;
  std::function<void(DataCommSettings&)> before = {};  // changes made before the parse
};

// The ML-PPP dialog keeps its previous values: start from a record unlike the defaults.
DataCommSettings Previous() {
  DataCommSettings s;
  s.callBump = 1;
  s.idleDisconnect = 3;
  s.trafficLinkControl = 1;
  s.billingInterval = {11, 22};
  s.openMonitorTime = {1, 2, 3};
  s.closeMonitorTime = {4, 5, 6};
  s.openThreshold = {70, 80, 90};
  s.closeThreshold = {7, 8, 9};
  s.secondChannelOff = 1;
  return s;
}

DataCommSettings Start(DataCommVariant variant) {
  return variant == DataCommVariant::Aodi ? DataCommSettings{} : Previous();
}

constexpr auto kAodi = DataCommVariant::Aodi;
constexpr auto kMlppp = DataCommVariant::Mlppp;

class ParseTable : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, Fields) {
  const ParseCase& c = GetParam();
  DataCommSettings settings = Start(c.variant);
  if (c.before) c.before(settings);
  DataCommSettings expected = settings;
  c.expect(expected);
  std::int32_t on = -1;
  ParseTaData(c.text, c.variant, settings, on);
  EXPECT_EQ(settings, expected);
  EXPECT_EQ(on, c.idleDisconnectOn);
}

INSTANTIATE_TEST_SUITE_P(
    ReadOut, ParseTable,
    testing::Values(
        ParseCase{"OkAloneKeepsDefaults", kAodi, "OK\r\n", [](DataCommSettings&) {}, 0},
        ParseCase{"OkAloneKeepsPrevious", kMlppp, "OK\r\n", [](DataCommSettings&) {}, 1},
        ParseCase{"AthpSplits", kAodi, "AT$ATHP=050030\r\n",
                  [](DataCommSettings& s) { s.openThreshold[0] = 50; s.closeThreshold[0] = 30; }, 0},
        ParseCase{"MlthpHundred", kAodi, "AT$MLTHP=100000\r\n",
                  [](DataCommSettings& s) { s.openThreshold[2] = 100; s.closeThreshold[2] = 0; }, 0},
        ParseCase{"MlthpInMlppp", kMlppp, "AT$MLTHP=100000\r\n",
                  [](DataCommSettings& s) { s.openThreshold[2] = 100; s.closeThreshold[2] = 0; }, 1},
        ParseCase{"BthpShort", kAodi, "AT$BTHP=030\r\n",
                  [](DataCommSettings& s) { s.openThreshold[1] = 0; s.closeThreshold[1] = 30; }, 0},
        ParseCase{"NegativeThreshold", kAodi, "AT$ATHP=-050030\r\n",
                  [](DataCommSettings& s) { s.openThreshold[0] = -50; s.closeThreshold[0] = -30; }, 0},
        ParseCase{"Disc2", kAodi, "AT$DISC=2\r\n", [](DataCommSettings& s) { s.idleDisconnect = 2; }, 1},
        ParseCase{"Disc0", kMlppp, "AT$DISC=0\r\n", [](DataCommSettings& s) { s.idleDisconnect = 0; }, 0},
        ParseCase{"Sctm180", kAodi, "AT$SCTM=180\r\n",
                  [](DataCommSettings& s) { s.billingInterval[0] = 180; }, 0},
        ParseCase{"SctmEmpty", kAodi, "AT$SCTM=\r5\r\n",
                  [](DataCommSettings& s) { s.billingInterval[0] = 0; }, 0},
        ParseCase{"SctmEmptyClearsAStoredValue", kAodi, "AT$SCTM=\r5\r\n",
                  [](DataCommSettings& s) { s.billingInterval[0] = 0; }, 0,
                  [](DataCommSettings& s) { s.billingInterval[0] = 180; }},
        ParseCase{"MlsctmEmptyClearsAStoredValue", kMlppp, "AT$MLSCTM=\r\n",
                  [](DataCommSettings& s) { s.billingInterval[1] = 0; }, 1},
        ParseCase{"SctmNotInsideMlsctm", kAodi, "AT$MLSCTM=600\r\n",
                  [](DataCommSettings& s) { s.billingInterval[1] = 600; }, 0},
        ParseCase{"MlpppIgnoresAodiKeys", kMlppp,
                  "AT$SCTM=5\r\nAT$ATHP=010010\r\nAT$HFML=0\r\nAT$AOND=9\r\n",
                  [](DataCommSettings&) {}, 1},
        ParseCase{"MissingKeysKeepStoredValues", kAodi, "AT$Z=1\r\n",
                  [](DataCommSettings& s) { s.callBump = 1; }, 1,
                  [](DataCommSettings& s) {
                    s.idleDisconnect = 2; s.openThreshold[1] = 90; s.closeThreshold[1] = 15;
                  }},
        ParseCase{"MissingBthpKeepsBoth", kAodi, "AT$ATHP=040020\r\nAT$AOND=7\r\n",
                  [](DataCommSettings& s) {
                    s.openThreshold[0] = 40; s.closeThreshold[0] = 20; s.openMonitorTime[0] = 7;
                  }, 0},
        ParseCase{"FirstOccurrenceWins", kAodi, "AT$Z=1\r\nAT$Z=0\r\n",
                  [](DataCommSettings& s) { s.callBump = 1; }, 0},
        ParseCase{"PaddedValueOver19TakenWhole", kAodi, "AT$SCTM=" + std::string(20, '0') + "180\r\n",
                  [](DataCommSettings& s) { s.billingInterval[0] = 180; }, 0},
        ParseCase{"BlankPaddedThresholdTakenWhole", kAodi, "AT$ATHP=" + std::string(25, ' ') + "060010\r\n",
                  [](DataCommSettings& s) { s.openThreshold[0] = 60; s.closeThreshold[0] = 10; }, 0},
        ParseCase{"ValueOverflowSaturates", kAodi, "AT$MLSCTM=99999999999\r\n",
                  [](DataCommSettings& s) { s.billingInterval[1] = 2147483647; }, 0},
        ParseCase{"AtoiStopsAtGarbage", kAodi, "AT$AOND= 12abc\r\nAT$ACLD=x\r\n",
                  [](DataCommSettings& s) { s.openMonitorTime[0] = 12; s.closeMonitorTime[0] = 0; }, 0},
        ParseCase{"AllAodiKeys", kAodi,
                  "AT$OUTCUR\r\nAT$Z=1\r\n1\r\nAT$HFML=1\r\n2\r\nAT$DISC=3\r\n3\r\nAT$MLTPF=1\r\n4\r\n"
                  "AT$SCTM=120\r\n5\r\nAT$MLSCTM=240\r\n6\r\nAT$AOND=10\r\n7\r\nAT$BOND=11\r\n8\r\n"
                  "AT$MLOND=12\r\n9\r\nAT$ACLD=20\r\n1\r\nAT$BCLD=21\r\n2\r\nAT$MLCLD=22\r\n3\r\n"
                  "AT$ATHP=060010\r\n4\r\nAT$BTHP=070020\r\n5\r\nAT$MLTHP=080030\r\n6\r\nOK\r\n",
                  [](DataCommSettings& s) {
                    s.callBump = 1; s.secondChannelOff = 1; s.idleDisconnect = 3;
                    s.trafficLinkControl = 1; s.billingInterval = {120, 240};
                    s.openMonitorTime = {10, 11, 12}; s.closeMonitorTime = {20, 21, 22};
                    s.openThreshold = {60, 70, 80}; s.closeThreshold = {10, 20, 30};
                  }, 1},
        ParseCase{"AllMlpppKeys", kMlppp,
                  "AT$Z=0\r\nAT$DISC=0\r\nAT$MLTPF=0\r\nAT$MLSCTM=0\r\nAT$MLOND=0\r\n"
                  "AT$MLCLD=0\r\nAT$MLTHP=050050\r\nOK\r\n",
                  [](DataCommSettings& s) {
                    s.callBump = 0; s.idleDisconnect = 0; s.trafficLinkControl = 0;
                    s.billingInterval[1] = 0; s.openMonitorTime[2] = 0; s.closeMonitorTime[2] = 0;
                    s.openThreshold[2] = 50; s.closeThreshold[2] = 50;
                  }, 0}),
    [](const testing::TestParamInfo<ParseCase>& tested) { return tested.param.name; });

TEST(DataCommSettings, DefaultsAndBox) {
  const DataCommSettings d;
  EXPECT_EQ(d.callBump, 0);
  EXPECT_EQ(d.idleDisconnect, 0);
  EXPECT_EQ(d.openThreshold, (std::array<std::int32_t, 3>{50, 50, 50}));
  EXPECT_EQ(d.closeThreshold, (std::array<std::int32_t, 3>{50, 50, 50}));
  EXPECT_EQ(d.billingInterval, (std::array<std::int32_t, 2>{0, 0}));

  DataCommSettings s;
  std::int32_t on = 0;
  SetIdleDisconnectBox(s, on, true);  // on while 0: 10 minutes
  EXPECT_EQ(s.idleDisconnect, 1);
  EXPECT_EQ(on, 1);
  s.idleDisconnect = 3;
  SetIdleDisconnectBox(s, on, true);
  EXPECT_EQ(s.idleDisconnect, 3);
  SetIdleDisconnectBox(s, on, false);  // off keeps the time; the write sends 0
  EXPECT_EQ(s.idleDisconnect, 3);
  EXPECT_EQ(on, 0);
}

TEST(DataCommSettings, FieldTableNamesEveryField) {
  // Setting each field through the table to a distinct value touches every member once.
  DataCommSettings s;
  std::int32_t value = 1000;
  for (const DataCommField& field : DataCommFields()) field.slot(s) = value++;
  EXPECT_EQ(DataCommFields().size(), 18u);
  EXPECT_EQ(s.callBump, 1000);
  EXPECT_EQ(s.closeThreshold[2], 1017);
  ASSERT_NE(FindDataCommField("openThreshold[0]"), nullptr);
  EXPECT_EQ(FindDataCommField("openThreshold[0]")->maximum, 100);
  EXPECT_EQ(FindDataCommField("billingInterval[1]")->maximum, 32000);
  EXPECT_EQ(FindDataCommField("openThreshold"), nullptr);
  int mlppp = 0;
  for (const DataCommField& field : DataCommFields()) mlppp += HeldBy(field, DataCommVariant::Mlppp);
  EXPECT_EQ(mlppp, 8);  // callBump, idleDisconnect, trafficLinkControl, billingInterval[1], page 2
}

}  // namespace
