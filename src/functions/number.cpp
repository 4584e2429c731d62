// Number and flag functions.
//
//   QELNumberFootPrint(value)   the value as printf("%10.4g") prints it
//   QELAlarmFlagSet(flags)      is bit 0 of the flag word set?
//   QELLogFlagSet(flags)        is bit 1 of the flag word set?
#include "number.h"

#include <bit>
#include <charconv>
#include <cstring>

namespace qelrpt {

namespace {

constexpr std::size_t FieldWidth = 10;

// 10^0 to 10^22: every one of them is a double exactly.
constexpr double Pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                            1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Magnitudes that the short road below formats: from 2^-50 (about 8.9e-16)
// up to, not including, 2^66 (about 7.4e19).  Their decimal exponents
// stay between -16 and 19, so every power of ten the road scales by is
// exact.  Everything else (zero aside) takes the general road.
constexpr int ShortRoadMinExponent = -50;
constexpr int ShortRoadMaxExponent = 65;

// x * y as the unevaluated sum hi + lo, exactly (Dekker's product with
// Veltkamp's split; needs every operation rounded to double, which the
// build guarantees on 32-bit x86 with SSE2 arithmetic and no contraction).
struct ExactProduct {
    double hi, lo;
};

void Split(double x, double &hi, double &lo) {
    constexpr double splitter = 134217729.0;  // 2^27 + 1
    const double c = splitter * x;
    hi = c - (c - x);
    lo = x - hi;
}

ExactProduct Multiply(double x, double y) {
    const double p = x * y;
    double xh = 0, xl = 0, yh = 0, yl = 0;
    Split(x, xh, xl);
    Split(y, yh, yl);
    return {p, (((xh * yh - p) + xh * yl) + xl * yh) + xl * yl};
}

// `magnitude` (positive) times 10^scale, for -22 <= scale <= 22, rounded
// once to double.
double Scaled(double magnitude, int scale) { return scale >= 0 ? magnitude * Pow10[scale] : magnitude / Pow10[-scale]; }

// Whether magnitude * 10^scale, taken exactly, lies above (1), at (0) or
// below (-1) the halfway point `half` (an integer plus one half).  The
// caller has found that the exact product rounds to `half`, so the two
// subtractions below are exact.
int CompareWithHalf(double magnitude, int scale, double half) {
    if (scale >= 0) {
        const ExactProduct p = Multiply(magnitude, Pow10[scale]);
        const double d = p.hi - half;  // exact product - half == d + p.lo
        return d > -p.lo ? 1 : (d < -p.lo ? -1 : 0);
    }
    const ExactProduct b = Multiply(half, Pow10[-scale]);
    const double d = magnitude - b.hi;  // magnitude - exact boundary == d - b.lo
    return d > b.lo ? 1 : (d < b.lo ? -1 : 0);
}

char Digit(unsigned d) { return static_cast<char>('0' + d); }

// The four significant digits of a magnitude in the short road's range, as
// a whole number from 1000 to 9999, and its decimal exponent in
// `*exponent`: magnitude ~ whole * 10^(exponent - 3).
unsigned RoundToFourDigits(double magnitude, int binaryExponent, int *exponent) {
    // floor(binaryExponent * log10(2)) is the decimal exponent or one less.
    int e = (binaryExponent * 78913) >> 18;
    int scale = 3 - e;
    double q = Scaled(magnitude, scale);
    if (q >= 10000.0) {
        ++e;
        --scale;
        q = Scaled(magnitude, scale);
    }
    // q is the scaled value rounded once, between about 1000 and 10000 (a
    // value whose exact scaled form lies just across 1000 or 10000 gives
    // the same four digits and exponent either way).  Round it to four
    // digits, half to even.  Rounding keeps order and every halfway point
    // whole + 0.5 is a double, so q lies on the same side of the halfway
    // point as the exact value unless it falls on it; only then is the
    // exact value compared.
    auto whole = static_cast<unsigned>(q);
    const double fraction = q - static_cast<double>(whole);
    int side = 0;
    if (fraction > 0.5) {
        side = 1;
    } else if (fraction < 0.5) {
        side = -1;
    } else {
        side = CompareWithHalf(magnitude, scale, static_cast<double>(whole) + 0.5);
    }
    if (side > 0 || (side == 0 && whole % 2 == 1)) ++whole;
    if (whole == 10000) {
        whole = 1000;
        ++e;
    }
    *exponent = e;
    return whole;
}

// The digits of a "%.4g" text: four of them, of which `significant` are
// written (trailing zeros are dropped, and the point with them when none is
// left), and the decimal exponent of the first.
struct FourDigits {
    char digit[4];
    int significant;
    int exponent;
};

FourDigits SplitDigits(unsigned whole, int exponent) {
    FourDigits d = {
        {Digit(whole / 1000), Digit(whole / 100 % 10), Digit(whole / 10 % 10), Digit(whole % 10)}, 4, exponent};
    while (d.significant > 1 && d.digit[d.significant - 1] == '0') --d.significant;
    return d;
}

// Plain notation for exponents 0 to 3: "1234", "123.4", "1.5".
std::size_t WritePlain(const FourDigits &d, char *text) {
    std::size_t len = 0;
    for (int i = 0; i <= d.exponent; ++i) text[len++] = d.digit[i];
    if (d.significant > d.exponent + 1) {
        text[len++] = '.';
        for (int i = d.exponent + 1; i < d.significant; ++i) text[len++] = d.digit[i];
    }
    return len;
}

// Plain notation for exponents -1 to -4: "0.1234", "0.0001".
std::size_t WriteFraction(const FourDigits &d, char *text) {
    std::size_t len = 0;
    text[len++] = '0';
    text[len++] = '.';
    for (int i = d.exponent; i < -1; ++i) text[len++] = '0';
    for (int i = 0; i < d.significant; ++i) text[len++] = d.digit[i];
    return len;
}

// Exponent notation for the rest: "1.235e+04", "1e-05".
std::size_t WriteScientific(const FourDigits &d, char *text) {
    std::size_t len = 0;
    text[len++] = d.digit[0];
    if (d.significant > 1) {
        text[len++] = '.';
        for (int i = 1; i < d.significant; ++i) text[len++] = d.digit[i];
    }
    text[len++] = 'e';
    text[len++] = d.exponent < 0 ? '-' : '+';
    const auto e = static_cast<unsigned>(d.exponent < 0 ? -d.exponent : d.exponent);  // below 100 here
    text[len++] = Digit(e / 10);
    text[len++] = Digit(e % 10);
    return len;
}

// "%.4g" of a magnitude in the short road's range, without its sign, into
// `text`; returns the length (at most 10).
std::size_t ShortRoad(double magnitude, int binaryExponent, char *text) {
    int exponent = 0;
    const unsigned whole = RoundToFourDigits(magnitude, binaryExponent, &exponent);
    const FourDigits d = SplitDigits(whole, exponent);
    if (exponent >= 0 && exponent < 4) return WritePlain(d, text);
    if (exponent < 0 && exponent >= -4) return WriteFraction(d, text);
    return WriteScientific(d, text);
}

}  // namespace

std::size_t FormatFootprint(double value, char *out) {
    char text[FootprintBufferSize];
    std::size_t len = 0;
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const bool negative = (bits >> 63) != 0;
    const int binaryExponent = static_cast<int>((bits >> 52) & 0x7FF) - 1023;
    const double magnitude = negative ? -value : value;
    if (binaryExponent >= ShortRoadMinExponent && binaryExponent <= ShortRoadMaxExponent) {
        if (negative) text[len++] = '-';
        len += ShortRoad(magnitude, binaryExponent, text + len);
    } else if (magnitude == 0) {
        if (negative) text[len++] = '-';
        text[len++] = '0';
    } else {
        // The general road: std::to_chars in general form with a precision
        // is printf's "%.4g" in the C locale (infinities and NaNs included),
        // computed without the locale or the C run-time.
        // The longest such text is 11 characters; the end leaves room for
        // the NUL in any case.
        const std::to_chars_result r =
            std::to_chars(text, text + sizeof text - 1, value, std::chars_format::general, 4);
        len = r.ec == std::errc{} ? static_cast<std::size_t>(r.ptr - text) : 0;
    }
    const std::size_t pad = len < FieldWidth ? FieldWidth - len : 0;
    std::memset(out, ' ', pad);
    std::memcpy(out + pad, text, len);
    out[pad + len] = '\0';
    return pad + len;
}

std::uint32_t FlagWord(double value) {
    // Adding 0.5 rounds halves up before the truncation toward zero, so 1.5
    // reads as 2, -1 as 0 (-0.5 truncates to 0) and -2 as -1, 0xFFFFFFFF.
    // The sum is itself rounded to double, so 0.49999999999999994 gives 1.
    const double sum = value + 0.5;
    constexpr double two63 = 9223372036854775808.0;
    // Beyond the signed 64-bit range, and for NaN, the run-time's
    // conversion gives its "indefinite" integer 0x8000000000000000, whose
    // low 32 bits are 0.
    if (!(sum >= -two63 && sum < two63)) return 0;
    const auto whole = static_cast<std::int64_t>(sum);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole) & 0xFFFFFFFFU);
}

int TestFlagBit(std::uint32_t word, std::uint32_t mask) { return (word & mask) != 0 ? 1 : 0; }

}  // namespace qelrpt
