#include "values.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

namespace qelrpt {

namespace {

// Digits beyond this many significant ones cannot change the double nearest
// a decimal (767 decide the halfway cases of the smallest subnormals); the
// rest is kept as one sticky digit, so the reading stays exact on a buffer
// of fixed size, whatever the text's length.
constexpr std::size_t KeptDigits = 780;
// Exponents beyond this are far outside the range of a double either way;
// clamping keeps the arithmetic from overflowing.
constexpr long long ExponentClamp = 10000000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

long long Clamp(long long value) {
    return value < -ExponentClamp ? -ExponentClamp : value > ExponentClamp ? ExponentClamp : value;
}

// A decimal number, split: the value is 0.digits x 10^power, with no
// leading zero in digits (empty for zero).
struct Decimal {
    bool negative = false;
    bool sticky = false;  // a non-zero digit beyond the kept ones
    std::size_t count = 0;
    long long power = 0;
    char digits[KeptDigits];  // the first `count` are set
};

// Adds the mantissa digit `c` to `d`; `whole` tells whether it stands
// before the point.
void AddDigit(Decimal &d, char c, bool whole) {
    if (d.count == 0 && c == '0') {
        if (!whole) --d.power;  // a leading zero after the point
        return;
    }
    if (whole) ++d.power;
    if (d.count < KeptDigits) {
        d.digits[d.count++] = c;
    } else if (c != '0') {
        d.sticky = true;
    }
}

// Reads "[digits][.digits]" from text[pos, ...); false when there is no
// digit at all or a second point.
bool ReadMantissa(std::string_view text, std::size_t &pos, Decimal &d) {
    bool whole = true, any = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '.' && whole) {
            whole = false;
        } else if (IsDigit(c)) {
            AddDigit(d, c, whole);
            any = true;
        } else {
            break;
        }
    }
    return any;
}

// Reads an optional exponent from text[pos, ...) to the end; false when
// it is malformed or something else follows.
bool ReadExponent(std::string_view text, std::size_t pos, long long &exponent) {
    if (pos == text.size()) return true;
    if (text[pos] != 'e' && text[pos] != 'E') return false;
    bool negative = false;
    if (++pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    if (pos == text.size()) return false;
    for (; pos < text.size(); ++pos) {
        if (!IsDigit(text[pos])) return false;
        exponent = Clamp(exponent * 10 + (text[pos] - '0'));
    }
    if (negative) exponent = -exponent;
    return true;
}

// "nan", "inf", "infinity" in any case.
bool ReadSpecial(std::string_view text, bool negative, double *out) {
    char lower[9] = {};
    if (text.size() >= sizeof lower) return false;
    for (std::size_t i = 0; i < text.size(); ++i) lower[i] = static_cast<char>(text[i] | 0x20);
    const std::string_view word(lower, text.size());
    if (word == "nan") {
        *out = std::numeric_limits<double>::quiet_NaN();
    } else if (word == "inf" || word == "infinity") {
        *out = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    } else {
        return false;
    }
    return true;
}

// The double nearest 0.digits x 10^power, or BeyondRange.
NumberReading Nearest(const Decimal &d, long long power, double *out) {
    const double zero = d.negative ? -0.0 : 0.0;
    if (d.count == 0) {
        *out = zero;
        return NumberReading::Read;
    }
    char text[KeptDigits + 40];
    std::size_t n = 0;
    if (d.negative) text[n++] = '-';
    text[n++] = '0';
    text[n++] = '.';
    std::memcpy(text + n, d.digits, d.count);
    n += d.count;
    if (d.sticky) text[n++] = '1';
    text[n++] = 'e';
    n = static_cast<std::size_t>(std::to_chars(text + n, text + sizeof text, power).ptr - text);
    double value = 0;
    const auto [end, ec] = std::from_chars(text, text + n, value);
    if (ec == std::errc::result_out_of_range) {
        // 0.digits is at least 0.1: a positive power means too large.
        if (power > 0) return NumberReading::BeyondRange;
        value = zero;
    } else if (ec != std::errc() || end != text + n) {
        return NumberReading::NotANumber;
    }
    *out = value;
    return NumberReading::Read;
}

}  // namespace

NumberReading ReadHundredfold(std::string_view text, Specials specials, double *out) {
    Decimal d;
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) d.negative = text[pos++] == '-';
    if (pos < text.size() && !IsDigit(text[pos]) && text[pos] != '.') {
        const bool read = specials == Specials::Accepted && ReadSpecial(text.substr(pos), d.negative, out);
        return read ? NumberReading::Read : NumberReading::NotANumber;
    }
    long long exponent = 0;
    if (!ReadMantissa(text, pos, d) || !ReadExponent(text, pos, exponent)) return NumberReading::NotANumber;
    return Nearest(d, Clamp(d.power) + exponent + 2, out);
}

NumberReading HundredfoldOfDouble(double value, double *out) {
    if (value != value || value - value != 0) {  // NaN, infinities
        *out = value;
        return NumberReading::Read;
    }
    // The shortest decimal, "-d.ddde-XX".
    char text[40];
    const char *end = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific).ptr;
    const char *e = static_cast<const char *>(std::memchr(text, 'e', static_cast<std::size_t>(end - text)));
    // The usual case at once: at most 15 digits D, so that D and a power of
    // ten up to 10^22 are exact doubles and one multiplication or division
    // rounds D x 10^k correctly.
    std::uint64_t digits = 0;
    int count = 0;
    for (const char *p = text; p < e; ++p) {
        if (!IsDigit(*p)) continue;
        digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
        ++count;
    }
    int exponent = 0;
    std::from_chars(e[1] == '+' ? e + 2 : e + 1, end, exponent);
    const int k = exponent - (count - 1) + 2;
    constexpr double Powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (count <= 15 && k >= -22 && k <= 22) {
        const auto d = static_cast<double>(digits);
        const double scaled = k >= 0 ? d * Powers[k] : d / Powers[-k];
        *out = text[0] == '-' ? -scaled : scaled;
        return NumberReading::Read;
    }
    return ReadHundredfold(std::string_view(text, static_cast<std::size_t>(end - text)), Specials::Refused, out);
}

double HundredfoldOfInteger(std::int64_t value) {
    // Below 2^53 / 100 the product is exact in a double.
    constexpr std::int64_t Exact = (std::int64_t{1} << 53) / 100;
    if (value > -Exact && value < Exact) return static_cast<double>(value) * 100.0;
    char text[24];
    const char *end = std::to_chars(text, text + sizeof text, value).ptr;
    double scaled = 0;
    ReadHundredfold(std::string_view(text, static_cast<std::size_t>(end - text)), Specials::Refused, &scaled);
    return scaled;
}

std::size_t ResultLength(const char *text, std::size_t len, std::size_t bound) {
    return len + 1 >= bound ? WholeUtf8Length(text, len) : len;
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
