// The Number rule and the whole-character cut that the SQL surfaces share.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "values/values.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ScaledFromDecimal, IsTheDoubleNearestAHundredTimesTheDecimal) {
    struct Row {
        const char *text;
        double scaled;
    };
    const Row rows[] = {
        {"853.05", 85305.0},
        {"1e-3", 0.1},
        {"-2", -200.0},
        {"+5", 500.0},
        {".5", 50.0},
        {"5.", 500.0},
        {"0.07", 7.0},
        {"1.15", 115.0},  // 1.15 * 100 in doubles is 114.99999999999999
        {"123.456E1", 123456.0},
        {"1e+2", 10000.0},
        {"9007199254740993", 900719925474099300.0},
        {"1e400", kInf},
        {"-1e400", -kInf},
        {"1e-400", 0.0},
        {"1e-99999999999999999999", 0.0},
        {"1e99999999999999999999", kInf},
        {"Infinity", kInf},
        {"-inf", -kInf},
        {"0.000", 0.0},
    };
    for (const Row &row : rows) {
        const std::size_t len = std::strlen(row.text);
        std::string scratch(len + qelrpt::DecimalScratchExtra, '\0');
        double out = -1;
        ASSERT_TRUE(qelrpt::ScaledFromDecimal(row.text, len, scratch.data(), &out)) << row.text;
        EXPECT_EQ(out, row.scaled) << row.text;
    }
    EXPECT_NE(1.15 * 100, 115.0) << "the case of 1.15 no longer shows why the point is moved in the text";
}

TEST(ScaledFromDecimal, SignOfZeroAndNaN) {
    char scratch[64];
    double out = 1;
    ASSERT_TRUE(qelrpt::ScaledFromDecimal("-1e-400", 7, scratch, &out));
    EXPECT_TRUE(out == 0 && std::signbit(out));
    ASSERT_TRUE(qelrpt::ScaledFromDecimal("NaN", 3, scratch, &out));
    EXPECT_TRUE(std::isnan(out));
}

TEST(ScaledFromDecimal, RefusesWhatIsNoNumber) {
    for (const char *text : {"", "-", ".", "+.", "1e", "1e+", "1e-", "12abc", " 1", "1 ", "1..2", "e5", "0x10", "--1",
                             "1e5.0", "nan1", "infinit", "1,5"}) {
        char scratch[64];
        double out = 42;
        EXPECT_FALSE(qelrpt::ScaledFromDecimal(text, std::strlen(text), scratch, &out)) << '"' << text << '"';
        EXPECT_EQ(out, 42) << text;
    }
}

TEST(ScaledFromDoubleAndInteger, UseTheShortestDecimalAndTheDigits) {
    EXPECT_EQ(qelrpt::ScaledFromDouble(853.05), 85305.0);
    EXPECT_EQ(qelrpt::ScaledFromDouble(0.1), 10.0);
    EXPECT_EQ(qelrpt::ScaledFromDouble(1.49), 149.0);
    EXPECT_EQ(qelrpt::ScaledFromDouble(-0.0), 0.0);
    EXPECT_EQ(qelrpt::ScaledFromDouble(1e300), 1e302);
    EXPECT_EQ(qelrpt::ScaledFromDouble(std::numeric_limits<double>::max()), kInf);
    EXPECT_EQ(qelrpt::ScaledFromDouble(-kInf), -kInf);
    EXPECT_TRUE(std::isnan(qelrpt::ScaledFromDouble(std::nan(""))));
    EXPECT_EQ(qelrpt::ScaledFromInteger(853), 85300.0);
    EXPECT_EQ(qelrpt::ScaledFromInteger(INT64_MAX), 922337203685477580700.0);
    EXPECT_EQ(qelrpt::ScaledFromInteger(INT64_MIN), -922337203685477580800.0);
}

TEST(WholeUtf8Length, DropsOnlyAPartialLastCharacter) {
    struct Row {
        const char *text;
        std::size_t whole;
    };
    const Row rows[] = {
        {"", 0},          {"abc", 3},   {"a\xC3\xA9", 3},        {"a\xC3", 1},        {"a\xE2\x82\xAC", 4},
        {"a\xE2\x82", 1}, {"a\xE2", 1}, {"\xF0\x9F\x98\x80", 4}, {"\xF0\x9F\x98", 0}, {"a\x80\x80\x80\x80", 5},
    };
    for (const Row &row : rows)
        EXPECT_EQ(qelrpt::WholeUtf8Length(row.text, std::strlen(row.text)), row.whole) << row.text;
}

}  // namespace
