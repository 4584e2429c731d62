// Fuzzes the number workers with every double bit pattern: the footprint
// must equal the C library's "%10.4g" text and stay inside its 20-byte
// buffer, and the flag conversion must never hit undefined behaviour
// (UndefinedBehaviorSanitizer traps out-of-range conversions).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "functions/number.h"
#include "fuzz_input.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckValue(double v) {
    const auto out = std::make_unique<char[]>(qelrpt::FootprintBufferSize);
    const std::size_t len = qelrpt::FormatFootprint(v, out.get());
    Check(len < qelrpt::FootprintBufferSize && std::strlen(out.get()) == len);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%10.4g", v);
    Check(std::strcmp(out.get(), expected) == 0);

    const std::uint32_t word = qelrpt::FlagWord(v);
    Check(qelrpt::TestFlagBit(word, qelrpt::AlarmFlagMask) == static_cast<int>(word & 1U));
    Check(qelrpt::TestFlagBit(word, qelrpt::LogFlagMask) == static_cast<int>((word >> 1) & 1U));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const double v = fuzz::DoubleAt(data, size);
    CheckValue(v);
    CheckValue(v * qelrpt::NumberScale);
    return 0;
}
