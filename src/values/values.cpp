#include "values.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

namespace qelrpt {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether text[0, len) is digits with at most one point, at least one digit.
bool IsMantissa(const char *text, std::size_t len) {
    bool digit = false, point = false;
    for (std::size_t i = 0; i < len; ++i) {
        if (IsDigit(text[i])) {
            digit = true;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

// The power of ten of the first non-zero digit of the mantissa
// text[0, len) (digits and a point); a large negative number for zero.
long long LeadingPower(const char *text, std::size_t len) {
    const char *point = static_cast<const char *>(std::memchr(text, '.', len));
    const std::size_t whole = point != nullptr ? static_cast<std::size_t>(point - text) : len;
    for (std::size_t i = 0; i < len; ++i) {
        if (text[i] == '.' || text[i] == '0') continue;
        return i < whole ? static_cast<long long>(whole - i) - 1
                         : static_cast<long long>(whole) - static_cast<long long>(i);
    }
    return std::numeric_limits<int>::min();
}

// "nan", "inf", "infinity" in any case (after the sign).
bool ReadSpecial(const char *text, std::size_t len, bool negative, double *out) {
    char lower[9] = {};
    if (len > 8) return false;
    for (std::size_t i = 0; i < len; ++i) lower[i] = static_cast<char>(text[i] | 0x20);
    if (std::strcmp(lower, "nan") == 0) {
        *out = std::numeric_limits<double>::quiet_NaN();
    } else if (std::strcmp(lower, "inf") == 0 || std::strcmp(lower, "infinity") == 0) {
        *out = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    } else {
        return false;
    }
    return true;
}

// Reads the exponent after the mantissa, text[0, len) being "e" or "E",
// an optional sign and digits, into `*exponent`, clamped far beyond either
// end of the double range.  False when it is no exponent.
bool ReadExponent(const char *text, std::size_t len, long long *exponent) {
    constexpr long long Far = 1000000;
    const char *end = text + len;
    const char *digits = len > 1 && text[1] == '+' ? text + 2 : text + 1;
    if (digits >= end) return false;
    long long value = 0;
    const auto [stop, ec] = std::from_chars(digits, end, value);
    if (stop != end) return false;
    if (ec != std::errc()) value = *digits == '-' ? -Far : Far;
    *exponent = value < -Far ? -Far : value > Far ? Far : value;
    return true;
}

// Reads "[-]mantissa" "e" exponent from scratch[0, len): the nearest
// double, or beyond the double range an infinity or a zero of the sign.
bool ReadScaled(const char *scratch, std::size_t len, const char *mantissa, std::size_t mantissaLen, long long exponent,
                double *out) {
    double value = 0;
    const auto [end, ec] = std::from_chars(scratch, scratch + len, value);
    if (ec == std::errc::result_out_of_range) {
        const bool large = LeadingPower(mantissa, mantissaLen) + exponent > 0;
        value = large ? std::numeric_limits<double>::infinity() : 0.0;
        value = scratch[0] == '-' ? -value : value;
    } else if (ec != std::errc() || end != scratch + len) {
        return false;
    }
    *out = value;
    return true;
}

}  // namespace

bool ScaledFromDecimal(const char *text, std::size_t len, char *scratch, double *out) {
    const bool negative = len > 0 && text[0] == '-';
    const std::size_t signLen = len > 0 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    const char *mantissa = text + signLen;
    const auto *exponentAt = static_cast<const char *>(std::memchr(mantissa, 'e', len - signLen));
    if (exponentAt == nullptr) exponentAt = static_cast<const char *>(std::memchr(mantissa, 'E', len - signLen));
    const char *end = text + len;
    const auto mantissaLen = static_cast<std::size_t>((exponentAt != nullptr ? exponentAt : end) - mantissa);
    if (mantissaLen > 0 && !IsDigit(mantissa[0]) && mantissa[0] != '.')
        return ReadSpecial(mantissa, len - signLen, negative, out);
    if (!IsMantissa(mantissa, mantissaLen)) return false;
    long long exponent = 0;
    if (exponentAt != nullptr && !ReadExponent(exponentAt, static_cast<std::size_t>(end - exponentAt), &exponent))
        return false;
    exponent += 2;  // 100 times the value
    std::size_t n = 0;
    if (negative) scratch[n++] = '-';
    std::memcpy(scratch + n, mantissa, mantissaLen);
    n += mantissaLen;
    scratch[n++] = 'e';
    n = static_cast<std::size_t>(std::to_chars(scratch + n, scratch + n + 24, exponent).ptr - scratch);
    return ReadScaled(scratch, n, mantissa, mantissaLen, exponent, out);
}

double ScaledFromDouble(double value) {
    if (value != value || value - value != 0) return value;  // NaN, infinities
    char text[32] = {};
    char scratch[sizeof text + DecimalScratchExtra] = {};
    auto *const end = std::to_chars(text, text + sizeof text, value).ptr;
    double scaled = value;
    ScaledFromDecimal(text, static_cast<std::size_t>(end - text), scratch, &scaled);
    return scaled;
}

double ScaledFromInteger(std::int64_t value) {
    char text[24] = {};
    char scratch[sizeof text + DecimalScratchExtra] = {};
    auto *const end = std::to_chars(text, text + sizeof text, value).ptr;
    double scaled = 0;
    ScaledFromDecimal(text, static_cast<std::size_t>(end - text), scratch, &scaled);
    return scaled;
}

std::size_t WholeUtf8Length(const char *text, std::size_t len) {
    // Back over at most three continuation bytes to the last lead byte.
    std::size_t lead = len;
    for (std::size_t k = 0; k < 4 && lead > 0; ++k) {
        const auto byte = static_cast<unsigned char>(text[--lead]);
        if ((byte & 0xC0U) != 0x80U) {
            const std::size_t need = byte < 0x80U ? 1 : byte >= 0xF0U ? 4 : byte >= 0xE0U ? 3 : byte >= 0xC0U ? 2 : 1;
            return len - lead >= need ? len : lead;
        }
    }
    return len;
}

}  // namespace qelrpt
