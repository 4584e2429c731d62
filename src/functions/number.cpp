// Number and flag functions.
//
//   QELNumberFootPrint(value)   the value as printf("%10.4g") prints it
//   QELAlarmFlagSet(flags)      is bit 0 of the flag word set?
//   QELLogFlagSet(flags)        is bit 1 of the flag word set?
#include "number.h"

#include <charconv>
#include <cstring>

namespace qelrpt {

std::size_t FormatFootprint(double value, char *out) {
    constexpr std::size_t width = 10;
    // std::to_chars in general form with a precision is printf's "%.4g"
    // in the C locale, computed without the locale or the C run-time.
    char digits[FootprintBufferSize];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 4);
    const std::size_t len = r.ec == std::errc{} ? static_cast<std::size_t>(r.ptr - digits) : 0;
    const std::size_t pad = len < width ? width - len : 0;
    std::memset(out, ' ', pad);
    std::memcpy(out + pad, digits, len);
    out[pad + len] = '\0';
    return pad + len;
}

std::uint32_t FlagWord(double value) {
    // Adding 0.5 rounds halves up before the truncation; the sum is itself
    // rounded to double, so 0.49999999999999994 gives 1.
    const double sum = value - -0.5;
    constexpr double two63 = 9223372036854775808.0;
    if (!(sum >= -two63 && sum < two63)) return 0;  // out of range or NaN: 0x8000000000000000
    const auto whole = static_cast<std::int64_t>(sum);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole) & 0xFFFFFFFFU);
}

int TestFlagBit(std::uint32_t word, std::uint32_t mask) { return (word & mask) != 0 ? 1 : 0; }

}  // namespace qelrpt
