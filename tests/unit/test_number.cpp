// The number footprint and the flag-word workers on plain doubles (values
// as the formula author wrote them, that is, already multiplied by
// NumberScale).
//
// The footprint must be the text that glibc's printf("%10.4g") gives in
// the C locale, on every platform and whatever the process locale: a
// fixed table of hard cases runs everywhere, and a few million seeded
// random doubles are compared with the C run-time's snprintf (glibc's, or
// mingw-w64's own under Windows).
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "functions/number.h"

namespace {

using qelrpt::FootprintBufferSize;

constexpr unsigned char kGuard = 0x5A;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The worker's output in a buffer with a guard zone behind the 20 bytes it
// may use.  Returns the text, or an explanation when the worker wrote past
// its bound or reported a wrong length.
std::string Footprint(double value) {
    unsigned char bytes[FootprintBufferSize + 16];
    std::memset(bytes, kGuard, sizeof bytes);
    char *out = reinterpret_cast<char *>(bytes);
    const std::size_t reported = qelrpt::FormatFootprint(value, out);
    for (std::size_t i = FootprintBufferSize; i < sizeof bytes; ++i)
        if (bytes[i] != kGuard) return "<wrote byte " + std::to_string(i) + ">";
    const void *nul = std::memchr(out, '\0', FootprintBufferSize);
    if (nul == nullptr) return "<no NUL in the first 20 bytes>";
    const auto len = static_cast<std::size_t>(static_cast<const char *>(nul) - out);
    if (len != reported) return "<reported " + std::to_string(reported) + " for " + std::to_string(len) + ">";
    return {out, len};
}

std::string Hex(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%a", value);
    return text;
}

double FromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

// Hard cases with the text glibc's printf("%10.4g") gives for them in the
// C locale.  The same table holds on Windows, whose own printf would write
// three exponent digits.
TEST(FormatFootprint, HardCases) {
    struct Row {
        double value;
        const char *expected;
    };
    const Row rows[] = {
        // The formula examples after scaling: 12345, 100, 0, -5, 99999.
        {123.45, "     123.5"},
        {1.0, "         1"},
        {0.0, "         0"},
        {-0.05, "     -0.05"},
        {999.99, "      1000"},
        // Exponent form with two exponent digits.
        {12345.67, " 1.235e+04"},
        {123456789.0, " 1.235e+08"},
        {-1.2345e-05, "-1.234e-05"},
        // Exact halfway cases round to the even digit.
        {12.125, "     12.12"},
        {-12.125, "    -12.12"},
        {1234.5, "      1234"},
        {1235.5, "      1236"},
        {12345.0, " 1.234e+04"},
        {12355.0, " 1.236e+04"},
        {1234.25, "      1234"},
        {8388608.5, " 8.389e+06"},
        // Not a tie: the double below 12.135 rounds down.
        {12.135, "     12.13"},
        {1.0005, "         1"},
        // Around the switches between fixed and exponent form.
        {0.0001, "    0.0001"},
        {0.00001, "     1e-05"},
        {9.9995e-5, " 9.999e-05"},
        {0.0001234, " 0.0001234"},
        {9998.5, "      9998"},
        {9999.4999, "      9999"},
        {9999.5, "     1e+04"},
        {10000.0, "     1e+04"},
        {99999.0, "     1e+05"},
        {999.95, "      1000"},
        {0.49999999999999994, "       0.5"},
        {1e15, "     1e+15"},
        {9.9995e15, "     1e+16"},
        {9007199254740992.0, " 9.007e+15"},
        // Both sides of 2^-50 and 2^66.
        {0x1p-50, " 8.882e-16"},
        {0x1.fffffffffffffp-51, " 8.882e-16"},
        {0x1p66, " 7.379e+19"},
        {0x1.fffffffffffffp65, " 7.379e+19"},
        // Far magnitudes, three-digit exponents, subnormals.
        {1e22, "     1e+22"},
        {1e100, "    1e+100"},
        {-1.5e300, " -1.5e+300"},
        {-1e-300, "   -1e-300"},
        {DBL_MAX, "1.798e+308"},
        {-DBL_MAX, "-1.798e+308"},
        {DBL_MIN, "2.225e-308"},
        {std::numeric_limits<double>::denorm_min(), "4.941e-324"},
        // Signed zero, infinities and NaNs of both signs.
        {-0.0, "        -0"},
        {kInf, "       inf"},
        {-kInf, "      -inf"},
        {kNaN, "       nan"},
        {-kNaN, "      -nan"},
        {FromBits(0x7FF0000000000001), "       nan"},
        {FromBits(0xFFF8000000000123), "      -nan"},
    };
    for (const Row &row : rows) EXPECT_EQ(Footprint(row.value), row.expected) << Hex(row.value);
}

// The longest texts, and values that print long or oddly, stay within
// the 20 bytes.
TEST(FormatFootprint, StaysWithinTwentyBytes) {
    const double values[] = {DBL_MAX,
                             -DBL_MAX,
                             DBL_MIN,
                             -DBL_MIN,
                             std::numeric_limits<double>::denorm_min(),
                             -std::numeric_limits<double>::denorm_min(),
                             -1.2345e-300,
                             -1e-300,
                             -9.9999e-308,
                             -1.2345e-5,
                             -0.00012345,
                             0.0,
                             -0.0,
                             kNaN,
                             -kNaN,
                             kInf,
                             -kInf};
    for (const double value : values) {
        const std::string text = Footprint(value);
        EXPECT_NE(text.front(), '<') << Hex(value) << ": " << text;
        EXPECT_GE(text.size(), 10U) << Hex(value);
        EXPECT_LE(text.size(), 11U) << Hex(value);
    }
}

// Restores the C locale however the test ends.
struct CLocaleAtExit {
    CLocaleAtExit() = default;
    CLocaleAtExit(const CLocaleAtExit &) = delete;
    CLocaleAtExit &operator=(const CLocaleAtExit &) = delete;
    ~CLocaleAtExit() { std::setlocale(LC_ALL, "C"); }
};

TEST(FormatFootprint, IgnoresTheProcessLocale) {
    const CLocaleAtExit restore;
    const char *const names[] = {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252", "de-DE"};
    const char *chosen = nullptr;
    for (const char *name : names)
        if (std::setlocale(LC_ALL, name) != nullptr && std::localeconv()->decimal_point[0] == ',') {
            chosen = name;
            break;
        }
    if (chosen == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma is installed; generate one with "
                        "localedef -i de_DE -f UTF-8 de_DE.UTF-8 (scripts/run-tests does so as root)";
    EXPECT_EQ(Footprint(123.45), "     123.5") << chosen;
    EXPECT_EQ(Footprint(-0.05), "     -0.05") << chosen;
    EXPECT_EQ(Footprint(0.0001234), " 0.0001234") << chosen;
    EXPECT_EQ(Footprint(12345.67), " 1.235e+04") << chosen;
    EXPECT_EQ(Footprint(-1.5e300), " -1.5e+300") << chosen;
    EXPECT_EQ(Footprint(4.5e-310), "  4.5e-310") << chosen;
}

// The reference text for the random comparison: the C run-time's printf,
// which shares no code with the library's digits (its own rounding on the
// short road, std::to_chars on the general road).  mingw-w64's own printf
// (David Gay's correctly rounded conversion) writes at least three
// exponent digits where glibc writes two; the third, a leading zero, is
// dropped before the text is padded to its width.  It also drops a NaN's
// sign, which glibc writes.
std::string Reference(double value) {
    char text[32];
#ifdef __GLIBC__
    std::snprintf(text, sizeof text, "%10.4g", value);
    return text;
#elif defined(__MINGW32__)
    __mingw_snprintf(text, sizeof text, "%.4g", value);
    std::string s = std::isnan(value) && std::signbit(value) ? std::string("-") + text : std::string(text);
    const std::size_t e = s.find('e');
    if (e != std::string::npos && s.size() - e == 5 && s[e + 2] == '0') s.erase(e + 2, 1);
    return s.size() < 10 ? std::string(10 - s.size(), ' ') + s : s;
#else
#error "the random comparison needs a printf independent of the library's conversion"
#endif
}

struct Comparison {
    long count = 0;
    long mismatches = 0;
    std::string report;
    void Check(double value) {
        ++count;
        const std::string expected = Reference(value);
        const std::string actual = Footprint(value);
        if (actual == expected) return;
        if (++mismatches <= 10) report += Hex(value) + ": \"" + actual + "\" instead of \"" + expected + "\"\n";
    }
    void CheckBothSigns(double value) {
        Check(value);
        Check(-value);
    }
};

// A few million seeded doubles: random bit patterns, every binary
// magnitude, subnormals, report-like values with two decimals, integers,
// decimal halfway cases and their neighbours, and the doubles around
// every place where the form or the exponent changes.
TEST(FormatFootprint, AgreesWithPrintfOnRandomDoubles) {
    std::mt19937_64 rng(20240613);
    Comparison c;
    constexpr std::uint64_t signAndMantissa = (std::uint64_t{1} << 63) | ((std::uint64_t{1} << 52) - 1);
    // A random sign and mantissa with the biased exponent `biased`.
    const auto withExponent = [&rng](std::uint64_t biased) {
        return FromBits((rng() & signAndMantissa) | biased << 52);
    };

    for (int i = 0; i < 400000; ++i) c.Check(FromBits(rng()));
    // Every binary exponent, normal and subnormal; then subnormals alone;
    // then the magnitudes of report values, 2^-60 to 2^70.
    for (int i = 0; i < 300000; ++i) c.Check(withExponent(rng() % 2047));
    for (int i = 0; i < 100000; ++i) c.Check(withExponent(0));
    for (int i = 0; i < 500000; ++i) c.Check(withExponent(rng() % 131 + 1023 - 60));
    for (int i = 0; i < 300000; ++i) {  // amounts with two decimals
        const auto cents = static_cast<double>(rng() % 100000000);
        c.CheckBothSigns(cents / 100.0);
    }
    for (int i = 0; i < 200000; ++i) {  // integers of every size up to 2^63
        const std::uint64_t r = rng();
        c.CheckBothSigns(static_cast<double>(r >> (r % 64)));
    }
    for (int i = 0; i < 200000; ++i) {  // dyadic values, many of them exact decimal ties
        const std::uint64_t r = rng();
        const std::uint64_t m = (r >> 20) & ((std::uint64_t{1} << (r % 40 + 1)) - 1);
        c.CheckBothSigns(std::ldexp(static_cast<double>(m), static_cast<int>((r >> 8) % 60) - 30));
    }
    for (int i = 0; i < 200000; ++i) {  // x.xxx5 at every decimal exponent, with both neighbours
        const std::uint64_t r = rng();
        const auto digits = static_cast<double>((r >> 16) % 9000 + 1000);
        const int exponent = static_cast<int>(r % 50) - 25;
        const double tie = (digits + 0.5) * std::pow(10.0, exponent - 3);
        c.Check(tie);
        c.Check(std::nextafter(tie, 0.0));
        c.Check(std::nextafter(tie, kInf));
    }
    // Around 10^e and 9.9995 x 10^(e-1), where the exponent changes, for
    // every e that ordinary values reach; 1e-4 and 9999.5 among them
    // switch between fixed and exponent form.
    for (int e = -20; e <= 25; ++e) {
        const double starts[] = {std::pow(10.0, e), 9.9995 * std::pow(10.0, e - 1)};
        for (const double start : starts) {
            double up = start, down = start;
            for (int i = 0; i < 300; ++i) {
                c.CheckBothSigns(up);
                c.CheckBothSigns(down);
                up = std::nextafter(up, kInf);
                down = std::nextafter(down, 0.0);
            }
        }
    }
    EXPECT_GT(c.count, 2500000);
    EXPECT_EQ(c.mismatches, 0) << "of " << c.count << " doubles:\n" << c.report;
}

// The flag word as the flag functions read it, with the formula table's
// rows as scaled values and the boundaries of rounding, sign and range.
TEST(FlagWord, RoundsHalfUpTruncatesAndKeepsTheLow32Bits) {
    struct Row {
        double value;
        std::uint32_t word;
    };
    const double two32 = 4294967296.0;
    const double two52 = 4503599627370496.0;
    const double two63 = 9223372036854775808.0;
    const Row rows[] = {
        {1.0, 1},
        {2.0, 2},
        {3.0, 3},
        {6.0, 6},
        {0.0, 0},
        {-0.0, 0},
        {1.49, 1},
        {1.5, 2},
        {2.5, 3},
        {0.5, 1},
        // The sum is rounded to double before the truncation.
        {0.49999999999999994, 1},
        {0.49999999999999989, 0},
        {two52 + 5, 6},  // 2^52 + 5.5 is a tie that rounds to even
        {two52 + 4, 4},
        // Negative values truncate toward zero after adding 0.5.
        {-0.49999999999999994, 0},
        {-0.5, 0},
        {-1.0, 0},
        {-1.2, 0},
        {-1.5, 0xFFFFFFFF},
        {-2.5, 0xFFFFFFFE},
        // Only the low 32 bits of the 64-bit integer are kept.
        {two32 - 1, 0xFFFFFFFF},
        {two32, 0},
        {two32 + 3, 3},
        {-(two32 + 3), 0xFFFFFFFE},
        {two63 - 1024, 0xFFFFFC00},
        {-(two63 - 1024), 0x400},
        {-two63, 0},
        // Beyond the signed 64-bit range, infinities and NaNs.
        {two63, 0},
        {-two63 - 2048, 0},
        {1e300, 0},
        {-1e300, 0},
        {kInf, 0},
        {-kInf, 0},
        {kNaN, 0},
        {-kNaN, 0},
    };
    for (const Row &row : rows) EXPECT_EQ(qelrpt::FlagWord(row.value), row.word) << Hex(row.value);
}

// The flag functions' table: scaled value -> alarm bit, log bit.
TEST(FlagWord, AlarmAndLogBits) {
    struct Row {
        double value;
        int alarm, log;
    };
    const Row rows[] = {
        {1.0, 1, 0},     {2.0, 0, 1},  {3.0, 1, 1},  {0.0, 0, 0},  {1.49, 1, 0},
        {1.5, 0, 1},     {6.0, 0, 1},  {2.5, 1, 1},  {-2.5, 0, 1}, {0.49999999999999994, 1, 0},
        {-1.0, 0, 0},    {-1.5, 1, 1}, {kInf, 0, 0}, {kNaN, 0, 0}, {9.3e18, 0, 0},
        {-9.3e18, 0, 0},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(qelrpt::HasAlarmFlag(row.value), row.alarm) << Hex(row.value);
        EXPECT_EQ(qelrpt::HasLogFlag(row.value), row.log) << Hex(row.value);
    }
}

}  // namespace
