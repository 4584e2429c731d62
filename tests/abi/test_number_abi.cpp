// The number footprint and the flag functions through their exports, with
// Number arguments passed as the host passes them: 100 times the value.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine.h"

namespace {

using engine::Arg;

engine::Formula Entry(const char *name) { return engine::Library::Get().FormulaEntry(name); }

TEST(NumberAbi, Footprint) {
    const engine::Formula f = Entry("QELFormula_NumberFootPrint");
    struct Row {
        double argument;
        const char *expected;
    };
    const Row rows[] = {
        {12345.0, "     123.5"},
        {100.0, "         1"},
        {0.0, "         0"},
        {-5.0, "     -0.05"},
        {99999.0, "      1000"},
        {1234567.0, " 1.235e+04"},
        {1212.5, "     12.12"},
        {-0.0, "        -0"},
        {0.001, "     1e-05"},
        {-123456789.0, "-1.235e+06"},
        // The passed number is multiplied by the double nearest 0.01, never
        // divided by 100: 10035 x 0.01 is 100.35000000000001 and rounds up,
        // where 10035 / 100 (100.34999999999999) would give 100.3.
        {10035.0, "     100.4"},
        {85305.0, "     853.1"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(engine::CallString(f, {Arg::Num(row.argument)}), row.expected) << row.argument;
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(engine::CallString(f, {Arg::Num(inf)}), "       inf");
    EXPECT_EQ(engine::CallString(f, {Arg::Num(-inf)}), "      -inf");
    EXPECT_EQ(engine::CallString(f, {Arg::Num(std::numeric_limits<double>::quiet_NaN())}), "       nan");
    EXPECT_EQ(engine::CallString(f, {Arg::Num(-std::numeric_limits<double>::max())}), "-1.798e+306");
    EXPECT_EQ(engine::CallString(f, {}), "");
    EXPECT_EQ(engine::CallString(f, {Arg::Num(100.0), Arg::Str("ignored")}), "         1");
    engine::CallStringWithoutBuffer(f, {Arg::Num(100.0)});
}

TEST(NumberAbi, FlagBits) {
    const engine::Formula alarm = Entry("QELFormula_AlarmFlagSet");
    const engine::Formula log = Entry("QELFormula_LogFlagSet");
    struct Row {
        double argument;
        int alarm, log;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Row rows[] = {
        {100.0, 1, 0},
        {200.0, 0, 1},
        {300.0, 1, 1},
        {0.0, 0, 0},
        {149.0, 1, 0},
        {150.0, 0, 1},
        {600.0, 0, 1},
        {250.0, 1, 1},
        {-250.0, 0, 1},
        {-100.0, 0, 0},
        {-150.0, 1, 1},
        {49.99999999999999, 1, 0},
        {inf, 0, 0},
        {-inf, 0, 0},
        {std::numeric_limits<double>::quiet_NaN(), 0, 0},
        {1e300, 0, 0},
        {-1e300, 0, 0},
        // 2^63 after scaling is just out of range; 2^62 is in range, with
        // its low 32 bits clear; of 2^32 + 3 only the low bits 3 count.
        {9223372036854775808.0 * 100.0, 0, 0},
        {4611686018427387904.0 * 100.0, 0, 0},
        {429496729900.0, 1, 1},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(engine::CallBoolean(alarm, {Arg::Num(row.argument)}), row.alarm) << row.argument;
        EXPECT_EQ(engine::CallBoolean(log, {Arg::Num(row.argument)}), row.log) << row.argument;
    }
    EXPECT_EQ(engine::CallBoolean(alarm, {}), 0);
    EXPECT_EQ(engine::CallBoolean(log, {}), 0);
    EXPECT_EQ(engine::CallBoolean(alarm, {Arg::Num(100.0), Arg::Num(200.0), Arg::Num(300.0)}), 1);
}

}  // namespace
