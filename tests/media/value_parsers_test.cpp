#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "media/binding/ff_utils.h"
#include "media_test_support.h"

namespace {

using namespace media;

std::string ErrorOf(void (*parse)()) {
  try {
    parse();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "no error";
}

TEST(ValueParsers, Integers) {
  EXPECT_EQ(ParseIntegerValue("threads", "42"), 42);
  EXPECT_EQ(ParseIntegerValue("threads", "  -7"), -7);
  EXPECT_EQ(ParseIntegerValue("threads", "+8"), 8);
  EXPECT_EQ(ParseIntegerValue("flags", "$1F"), 31);
  EXPECT_EQ(ParseIntegerValue("flags", "0x10"), 16);
  EXPECT_EQ(ParseIntegerValue("n", "-2147483648"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(ParseInt64Value("fs", "9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(ParseInt64Value("fs", "-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(ParseInt64Value("fs", "5000000000"), 5000000000);

  EXPECT_EQ(ErrorOf([] { ParseIntegerValue("threads", "12a"); }), "Expected integer for threads but found 12a");
  EXPECT_EQ(ErrorOf([] { ParseIntegerValue("threads", ""); }), "Expected integer for threads but found ");
  EXPECT_EQ(ErrorOf([] { ParseIntegerValue("threads", "-"); }), "Expected integer for threads but found -");
  EXPECT_EQ(ErrorOf([] { ParseIntegerValue("threads", "1.5"); }), "Expected integer for threads but found 1.5");
  // Too big for the type is no integer of that type.
  EXPECT_EQ(ErrorOf([] { ParseIntegerValue("n", "2147483648"); }), "Expected integer for n but found 2147483648");
  EXPECT_EQ(ErrorOf([] { ParseInt64Value("fs", "9223372036854775808"); }),
            "Expected int64 for fs but found 9223372036854775808");
  EXPECT_EQ(ErrorOf([] { ParseInt64Value("fs", "0x"); }), "Expected int64 for fs but found 0x");
}

TEST(ValueParsers, FloatsUseTheGivenDecimalSeparator) {
  EXPECT_DOUBLE_EQ(ParseDoubleValue("qscale", "2.5"), 2.5);
  EXPECT_DOUBLE_EQ(ParseDoubleValue("qscale", " -0.25 "), -0.25);
  EXPECT_DOUBLE_EQ(ParseDoubleValue("qscale", "1e3"), 1000.0);
  EXPECT_FLOAT_EQ(ParseFloatValue("itsscale", "0.5"), 0.5f);
  EXPECT_DOUBLE_EQ(ParseDoubleValue("qscale", "2,5", ','), 2.5);
  EXPECT_DOUBLE_EQ(ParseDoubleValue("qscale", "7", ','), 7.0);

  EXPECT_EQ(ErrorOf([] { ParseDoubleValue("qscale", "2.5", ','); }), "Expected double for qscale but found 2.5");
  EXPECT_EQ(ErrorOf([] { ParseDoubleValue("qscale", "abc"); }), "Expected double for qscale but found abc");
  EXPECT_EQ(ErrorOf([] { ParseDoubleValue("qscale", ""); }), "Expected double for qscale but found ");
  EXPECT_EQ(ErrorOf([] { ParseFloatValue("itsscale", "1.5x"); }), "Expected float for itsscale but found 1.5x");
  EXPECT_EQ(ErrorOf([] { ParseFloatValue("itsscale", "1e60"); }), "Expected float for itsscale but found 1e60");
}

TEST(ValueParsers, TimesNeedTheLibrary) {
  {
    media_test::LoadedLibraries libs(media::LibraryBit(media::liAVUtil));
    ASSERT_TRUE(libs.ok()) << media::FFLoader().LastLoaderError();
    EXPECT_EQ(ParseTimeValue("t", "1.5", true), 1500000);
    EXPECT_EQ(ParseTimeValue("ss", "00:01:02.5", true), 62500000);
    EXPECT_EQ(ParseTimeValue("t", "-2", true), -2000000);
    EXPECT_EQ(ErrorOf([] { ParseTimeValue("t", "abc", true); }), "Invalid duration specification for t: abc");
    EXPECT_EQ(ErrorOf([] { ParseTimeValue("timestamp", "yesterday", false); }),
              "Invalid date specification for timestamp: yesterday");
    EXPECT_GT(ParseTimeValue("timestamp", "2020-01-02 03:04:05", false), 0);
  }
  EXPECT_EQ(ErrorOf([] { ParseTimeValue("t", "1", true); }), "Library avutil not loaded.");
}

}  // namespace
