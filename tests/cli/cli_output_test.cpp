// What quorvel-cli prints, and how it reads "field=value".
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/cli.h"

namespace {

struct OutputCase {
  const char* name;
  Fields fields;
  const char* text;
  const char* json;
};

class PrintFieldsTest : public ::testing::TestWithParam<OutputCase> {};

TEST_P(PrintFieldsTest, TextAndJson) {
  const OutputCase& c = GetParam();
  std::ostringstream text;
  std::ostringstream json;
  PrintFields(text, c.fields, CliOptions{false});
  PrintFields(json, c.fields, CliOptions{true});
  EXPECT_EQ(text.str(), c.text);
  EXPECT_EQ(json.str(), c.json);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PrintFieldsTest,
    ::testing::Values(
        OutputCase{"Detect", {{"port", "3"}, {"speed", "57600"}, {"aodi", "1"}},
                   "port=3\nspeed=57600\naodi=1\n", "{\"port\":3,\"speed\":57600,\"aodi\":1}\n"},
        OutputCase{"Empty", {}, "", "{}\n"},
        // A dialling number keeps its leading zero: a string, not a number.
        OutputCase{"LeadingZeroIsText", {{"speedDial[3]", "0512345678"}, {"zero", "0"}},
                   "speedDial[3]=0512345678\nzero=0\n",
                   "{\"speedDial[3]\":\"0512345678\",\"zero\":0}\n"},
        OutputCase{"Negative", {{"offset", "-5"}, {"dash", "-"}}, "offset=-5\ndash=-\n",
                   "{\"offset\":-5,\"dash\":\"-\"}\n"},
        OutputCase{"Escapes", {{"text", "a\"b\\c\r\n\x01"}}, "text=a\"b\\c\r\n\x01\n",
                   "{\"text\":\"a\\\"b\\\\c\\r\\n\\u0001\"}\n"},
        OutputCase{"KoreanPassesThrough", {{"msg", "모뎀"}}, "msg=모뎀\n",
                   "{\"msg\":\"모뎀\"}\n"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

struct AssignmentCase {
  const char* text;
  bool ok;
  const char* field;
  const char* value;
};

class SplitAssignmentTest : public ::testing::TestWithParam<AssignmentCase> {};

TEST_P(SplitAssignmentTest, Splits) {
  const AssignmentCase& c = GetParam();
  std::string field = "unchanged";
  std::string value = "unchanged";
  EXPECT_EQ(SplitAssignment(c.text, field, value), c.ok) << c.text;
  EXPECT_EQ(field, c.field) << c.text;
  EXPECT_EQ(value, c.value) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitAssignmentTest,
    ::testing::Values(AssignmentCase{"openThreshold[0]=50", true, "openThreshold[0]", "50"},
                      AssignmentCase{"name=", true, "name", ""},
                      AssignmentCase{"a=b=c", true, "a", "b=c"},  // the first '=' splits
                      AssignmentCase{"noEquals", false, "unchanged", "unchanged"},
                      AssignmentCase{"=5", false, "unchanged", "unchanged"},
                      AssignmentCase{"", false, "unchanged", "unchanged"}));

}  // namespace
