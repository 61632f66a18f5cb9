#include "monitor/numtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kestrova {
namespace {

TEST(NumberText, IntegerTextIsPlainDecimal) {
  const struct {
    std::int64_t value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {7, "7"},
      {-1, "-1"},
      {100, "100"},
      {2147483647, "2147483647"},
      {-2147483648LL, "-2147483648"},
  };
  for (const auto& c : cases) EXPECT_EQ(integerText(c.value), c.text) << c.value;
}

TEST(NumberText, PlainNumberTextHasThirteenSignificantDigitsAndNoTrailingZeros) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0"},
      {1.0, "1"},
      {1.5, "1.5"},
      {0.33, "0.33"},
      {-3.91, "-3.91"},
      {1024.0, "1024"},
      {1.0 / 3, "0.3333333333333"},
      {0.0001, "0.0001"},
      {0.00001, "1e-05"},
      {999999999999.0, "999999999999"},
      {1234567890123.0, "1234567890123"},
      {12345678901234.0, "1.234567890123e+13"},
  };
  for (const auto& c : cases) EXPECT_EQ(plainNumberText(c.value), c.text) << c.value;
}

TEST(NumberText, DecimalRoundingRoundsHalvesAwayFromZeroWithTheNudge) {
  const struct {
    double x;
    int n;
    double result;
  } cases[] = {
      {0.0, 2, 0.0},      {0.125, 2, 0.13},      {12.345, 2, 12.35}, {-0.125, 2, -0.13},
      {0.004, 2, 0.0},    {2.5, 0, 3.0},         {-2.5, 0, -3.0},    {44.49999, 0, 44.0},
      {1.0 / 3, 2, 0.33}, {1999.99, 2, 1999.99},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(decimalRound(c.x, c.n), c.result) << c.x << " to " << c.n;
  }
}

TEST(NumberText, TwoDecimalTextAlwaysShowsTwoDecimals) {
  const struct {
    double x;
    const char* text;
  } cases[] = {
      {0, "0.00"},         {0.5, "0.50"},       {12.345, "12.35"},
      {1234.5, "1234.50"}, {-0.5, "-0.50"},     {0.125, "0.13"},
      {1024, "1024.00"},   {-3.90625, "-3.91"}, {2097152, "2097152.00"},
  };
  for (const auto& c : cases) EXPECT_EQ(twoDecimalText(c.x), c.text) << c.x;
}

TEST(NumberText, NumericValueReadsBackWhatTheTextsWrite) {
  EXPECT_DOUBLE_EQ(numericValue("1024.00"), 1024.0);
  EXPECT_DOUBLE_EQ(numericValue("-3.91"), -3.91);
  EXPECT_DOUBLE_EQ(numericValue(""), 0.0);
  EXPECT_DOUBLE_EQ(numericValue("KB"), 0.0);
  // A number at the start, and nothing but a plain decimal one.
  EXPECT_DOUBLE_EQ(numericValue("203.52KB"), 203.52);
  EXPECT_DOUBLE_EQ(numericValue(".5"), 0.5);
  EXPECT_DOUBLE_EQ(numericValue("-"), 0.0);
  EXPECT_DOUBLE_EQ(numericValue(" 5"), 0.0);
  EXPECT_DOUBLE_EQ(numericValue("+5"), 0.0);
  EXPECT_DOUBLE_EQ(numericValue("0x10"), 0.0);
  EXPECT_DOUBLE_EQ(numericValue("1e+13"), 1e13);
}

TEST(NumberText, TruncationGoesTowardZeroAndKeepsTheLowThirtyTwoBits) {
  const struct {
    double value;
    std::int32_t result;
  } cases[] = {
      {1.9, 1},
      {-1.9, -1},
      {-0.0, 0},
      {512.0, 512},
      {2147483648.0, -2147483647 - 1},
      {4294967297.5, 1},
      {-4294967297.0, -1},
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {std::numeric_limits<double>::infinity(), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(truncToInt32(c.value), c.result) << c.value;
}

}  // namespace
}  // namespace kestrova
