#include "sql_values.h"

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
        return i < whole ? static_cast<long long>(whole - i) - 1 : static_cast<long long>(whole) - static_cast<long long>(i);
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

}  // namespace

bool ScaledFromDecimal(const char *text, std::size_t len, char *scratch, double *out) {
    const bool negative = len > 0 && text[0] == '-';
    const std::size_t signLen = len > 0 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    const char *mantissa = text + signLen;
    const char *e = mantissa;
    while (e < text + len && *e != 'e' && *e != 'E') ++e;
    const auto mantissaLen = static_cast<std::size_t>(e - mantissa);
    if (mantissaLen > 0 && !IsDigit(mantissa[0]) && mantissa[0] != '.')
        return ReadSpecial(mantissa, len - signLen, negative, out);
    if (!IsMantissa(mantissa, mantissaLen)) return false;
    long long exponent = 0;
    if (e < text + len) {
        const char *digits = e + 1 < text + len && e[1] == '+' ? e + 2 : e + 1;
        const auto [end, ec] = std::from_chars(digits, text + len, exponent);
        if (digits == text + len || end != text + len) return false;
        if (ec != std::errc()) exponent = *digits == '-' ? -1000000 : 1000000;  // far beyond either end
    }
    exponent = exponent < -1000000 ? -1000000 : exponent > 1000000 ? 1000000 : exponent;
    exponent += 2;  // 100 times the value
    std::size_t n = 0;
    if (negative) scratch[n++] = '-';
    std::memcpy(scratch + n, mantissa, mantissaLen);
    n += mantissaLen;
    scratch[n++] = 'e';
    n = static_cast<std::size_t>(std::to_chars(scratch + n, scratch + n + 24, exponent).ptr - scratch);
    double value = 0;
    const auto [end, ec] = std::from_chars(scratch, scratch + n, value);
    if (ec == std::errc::result_out_of_range) {
        const bool large = LeadingPower(mantissa, mantissaLen) + exponent > 0;
        value = large ? std::numeric_limits<double>::infinity() : 0.0;
        value = negative ? -value : value;
    } else if (ec != std::errc() || end != scratch + n) {
        return false;
    }
    *out = value;
    return true;
}

double ScaledFromDouble(double value) {
    if (value != value || value - value != 0) return value;  // NaN, infinities
    char text[32];
    char scratch[sizeof text + DecimalScratchExtra];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double scaled = value;
    ScaledFromDecimal(text, static_cast<std::size_t>(end - text), scratch, &scaled);
    return scaled;
}

double ScaledFromInteger(std::int64_t value) {
    char text[24];
    char scratch[sizeof text + DecimalScratchExtra];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
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
