// The one rule for Numbers given as decimals, doubles or integers, and for
// cutting text results, that every surface but the plug-in applies.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "values/values.h"

namespace {

using qelrpt::NumberReading;
using qelrpt::Specials;

constexpr double kInf = std::numeric_limits<double>::infinity();

// An independent reading: the point moved two places to the right in the
// text, then the C library's correctly rounded strtod.
double MovedPoint(std::string text) {
    std::string exponent;
    if (const std::size_t e = text.find_first_of("eE"); e != std::string::npos) {
        exponent = text.substr(e);
        text.erase(e);
    }
    std::size_t point = text.find('.');
    if (point == std::string::npos) point = text.size(), text += '.';
    text.erase(point, 1);
    while (text.size() < point + 2) text += '0';
    text.insert(point + 2, ".");
    return std::strtod((text + exponent).c_str(), nullptr);
}

struct ReadRow {
    std::string text;
    Specials specials;
    NumberReading reading;
    double hundredfold;
};

TEST(ReadHundredfold, IsTheDoubleNearestAHundredTimesTheDecimal) {
    const std::string zeros(1000, '0');
    const ReadRow rows[] = {
        {"853.05", Specials::Refused, NumberReading::Read, 85305.0},
        {"1e-3", Specials::Refused, NumberReading::Read, 0.1},
        {"-2", Specials::Refused, NumberReading::Read, -200.0},
        {"+5", Specials::Refused, NumberReading::Read, 500.0},
        {".5", Specials::Refused, NumberReading::Read, 50.0},
        {"5.", Specials::Refused, NumberReading::Read, 500.0},
        {"007.50", Specials::Refused, NumberReading::Read, 750.0},
        {"0.07", Specials::Refused, NumberReading::Read, 7.0},
        {"1.15", Specials::Refused, NumberReading::Read, 115.0},  // 1.15 * 100 in doubles is 114.99999999999999
        {"123.456E1", Specials::Refused, NumberReading::Read, 123456.0},
        {"1e+2", Specials::Refused, NumberReading::Read, 10000.0},
        {"9007199254740993", Specials::Refused, NumberReading::Read, 900719925474099300.0},
        {"1.7e306", Specials::Refused, NumberReading::Read, 1.7e308},
        {"1e-400", Specials::Refused, NumberReading::Read, 0.0},
        {"1e-99999999999999999999", Specials::Refused, NumberReading::Read, 0.0},
        {"0.000", Specials::Refused, NumberReading::Read, 0.0},
        // Exactly halfway between two doubles: ties to even; any digit
        // beyond, however far, rounds up.
        {"90071992547409.93", Specials::Refused, NumberReading::Read, 9007199254740992.0},
        {"90071992547409.93" + zeros + "1", Specials::Refused, NumberReading::Read, 9007199254740994.0},
        {"0." + zeros + "12e1002", Specials::Refused, NumberReading::Read, 1200.0},
        {"1" + zeros, Specials::Refused, NumberReading::BeyondRange, 0},
        {"1e307", Specials::Refused, NumberReading::BeyondRange, 0},
        {"-1.8e306", Specials::Refused, NumberReading::BeyondRange, 0},
        {"1e99999999999999999999", Specials::Refused, NumberReading::BeyondRange, 0},
        {"Infinity", Specials::Accepted, NumberReading::Read, kInf},
        {"-inf", Specials::Accepted, NumberReading::Read, -kInf},
        {"inf", Specials::Refused, NumberReading::NotANumber, 0},
    };
    for (const ReadRow &row : rows) {
        double out = -1;
        const NumberReading reading = qelrpt::ReadHundredfold(row.text, row.specials, &out);
        EXPECT_EQ(reading, row.reading) << row.text.substr(0, 40);
        const double expected = row.reading == NumberReading::Read ? row.hundredfold : -1;
        EXPECT_EQ(out, expected) << row.text.substr(0, 40);
    }
    EXPECT_NE(1.15 * 100, 115.0) << "the case of 1.15 no longer shows why the point is moved in the text";
}

TEST(ReadHundredfold, SignOfZeroAndNaN) {
    double out = 1;
    ASSERT_EQ(qelrpt::ReadHundredfold("-1e-400", Specials::Refused, &out), NumberReading::Read);
    EXPECT_TRUE(out == 0 && std::signbit(out));
    ASSERT_EQ(qelrpt::ReadHundredfold("-0", Specials::Refused, &out), NumberReading::Read);
    EXPECT_TRUE(out == 0 && std::signbit(out));
    ASSERT_EQ(qelrpt::ReadHundredfold("NaN", Specials::Accepted, &out), NumberReading::Read);
    EXPECT_TRUE(std::isnan(out));
}

TEST(ReadHundredfold, RefusesWhatIsNoNumber) {
    for (const char *text : {"",     "-",  ".",    "+.",  "1e",    "1e+",  "1e-",     "12abc", " 1",    "1 ",
                             "1..2", "e5", "0x10", "--1", "1e5.0", "nan1", "infinit", "1,5",   "1e+-2", ".e1"}) {
        double out = 42;
        EXPECT_EQ(qelrpt::ReadHundredfold(text, Specials::Accepted, &out), NumberReading::NotANumber)
            << '"' << text << '"';
        EXPECT_EQ(out, 42) << text;
    }
}

TEST(ReadHundredfold, AgreesWithTheMovedPointOnRandomDecimals) {
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 200000; ++i) {
        std::string text = random() % 2 != 0 ? "-" : "";
        const int whole = static_cast<int>(random() % 20), fraction = static_cast<int>(random() % 20);
        for (int k = 0; k < whole; ++k) text += static_cast<char>('0' + random() % 10);
        if (fraction > 0 || whole == 0) text += '.';
        for (int k = 0; k < fraction || (whole == 0 && k == 0); ++k) text += static_cast<char>('0' + random() % 10);
        if (random() % 3 == 0) text += "e" + std::to_string(static_cast<int>(random() % 640) - 320);
        const double expected = MovedPoint(text);
        double out = 0;
        const NumberReading reading = qelrpt::ReadHundredfold(text, Specials::Refused, &out);
        if (std::isinf(expected)) {
            ASSERT_EQ(reading, NumberReading::BeyondRange) << text;
        } else {
            ASSERT_EQ(reading, NumberReading::Read) << text;
            ASSERT_EQ(out, expected) << text;
        }
    }
}

// Doubles: the shortest decimal form, read as above; the quick road for
// short forms and the long one must agree with it everywhere.
TEST(HundredfoldOfDouble, IsTheHundredfoldOfTheShortestDecimal) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 500000; ++i) {
        double value = 0;
        if (i % 2 == 0) {
            const std::uint64_t bits = random();
            std::memcpy(&value, &bits, sizeof value);
        } else {  // values as measurements have them: few digits, moderate size
            value =
                static_cast<double>(random() % 2000001) / std::pow(10.0, static_cast<double>(random() % 8)) - 1000.0;
        }
        if (!std::isfinite(value)) continue;
        // The shortest digits (scientific: the plain form may spell a large
        // whole number with all its exact digits).
        char digits[40];
        const char *end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::scientific).ptr;
        const std::string text(digits, static_cast<std::size_t>(end - digits));
        const double expected = MovedPoint(text);
        double out = 0;
        const NumberReading reading = qelrpt::HundredfoldOfDouble(value, &out);
        if (std::isinf(expected)) {
            ASSERT_EQ(reading, NumberReading::BeyondRange) << text;
        } else {
            ASSERT_EQ(reading, NumberReading::Read) << text;
            ASSERT_EQ(std::memcmp(&out, &expected, sizeof out), 0) << text << ": " << out << " against " << expected;
        }
    }
}

TEST(HundredfoldOfDouble, CasesAndTheRange) {
    struct Row {
        double value;
        NumberReading reading;
        double hundredfold;
    };
    const Row rows[] = {
        {853.05, NumberReading::Read, 85305.0},  {0.1, NumberReading::Read, 10.0},
        {1.49, NumberReading::Read, 149.0},      {1e300, NumberReading::Read, 1e302},
        {1.7e306, NumberReading::Read, 1.7e308}, {1.8e306, NumberReading::BeyondRange, 0},
        {1e308, NumberReading::BeyondRange, 0},  {-std::numeric_limits<double>::max(), NumberReading::BeyondRange, 0},
        {5e-324, NumberReading::Read, 5e-322},   {-kInf, NumberReading::Read, -kInf},
    };
    for (const Row &row : rows) {
        double out = -1;
        EXPECT_EQ(qelrpt::HundredfoldOfDouble(row.value, &out), row.reading) << row.value;
        EXPECT_EQ(out, row.reading == NumberReading::Read ? row.hundredfold : -1) << row.value;
    }
    double out = 1;
    ASSERT_EQ(qelrpt::HundredfoldOfDouble(-0.0, &out), NumberReading::Read);
    EXPECT_TRUE(out == 0 && std::signbit(out));
    ASSERT_EQ(qelrpt::HundredfoldOfDouble(std::nan(""), &out), NumberReading::Read);
    EXPECT_TRUE(std::isnan(out));
}

TEST(HundredfoldOfInteger, IsExactThenRoundedOnce) {
    constexpr std::int64_t Edge = (std::int64_t{1} << 53) / 100;
    EXPECT_EQ(qelrpt::HundredfoldOfInteger(853), 85300.0);
    EXPECT_EQ(qelrpt::HundredfoldOfInteger(-7), -700.0);
    EXPECT_EQ(qelrpt::HundredfoldOfInteger(Edge), MovedPoint(std::to_string(Edge)));
    EXPECT_EQ(qelrpt::HundredfoldOfInteger(Edge * 3 + 1), MovedPoint(std::to_string(Edge * 3 + 1)));
    EXPECT_EQ(qelrpt::HundredfoldOfInteger(INT64_MAX), 922337203685477580700.0);
    EXPECT_EQ(qelrpt::HundredfoldOfInteger(INT64_MIN), -922337203685477580800.0);
}

TEST(ResultLength, CutsOnlyAtTheBound) {
    struct Row {
        std::string text;
        std::size_t length;
    };
    const std::string full(253, 'a');
    const Row rows[] = {
        {"A\xC3", 2},                 // short: returned whole, invalid or not
        {full + "\xC3\xA9", 255},     // reaches the bound with a whole character
        {full + "b\xC3", 254},        // the bound cut a character: it goes
        {full + "\xE2\x82", 253},     // a three-byte character cut after two
        {std::string(255, 'x'), 255}  // nothing to cut
    };
    for (const Row &row : rows) EXPECT_EQ(qelrpt::ResultLength(row.text.data(), row.text.size(), 256), row.length);
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
