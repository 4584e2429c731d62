#include "numbers.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "chars.h"

namespace qhost {

namespace {

constexpr const char *NotANumber = "not a number";
constexpr const char *TooLarge = "too large: 100 times it is beyond the range of a double";

std::size_t DigitRun(std::string_view text, std::size_t pos) {
    std::size_t end = pos;
    while (end < text.size() && IsDigit(text[end])) ++end;
    return end - pos;
}

// Exponents beyond this are far outside the range of a double either way;
// clamping keeps the arithmetic below from overflowing.
constexpr long ExponentClamp = 100000;

// A number split into its parts, as written.
struct Decimal {
    bool negative = false;
    std::string_view whole, fraction;
    long exponent = 0;
};

// Reads the optional exponent at `pos`; false when it is malformed.
bool ReadExponent(std::string_view text, std::size_t &pos, long &exponent) {
    if (pos >= text.size() || (text[pos] != 'e' && text[pos] != 'E')) return true;
    ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    const std::size_t digits = DigitRun(text, pos);
    if (digits == 0) return false;
    for (std::size_t i = pos; i < pos + digits; ++i)
        if (exponent < ExponentClamp) exponent = exponent * 10 + (text[i] - '0');
    pos += digits;
    if (negative) exponent = -exponent;
    return true;
}

// Splits `text`; false when it is not a decimal number.
bool Split(std::string_view text, Decimal &number) {
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) number.negative = text[pos++] == '-';
    number.whole = text.substr(pos, DigitRun(text, pos));
    pos += number.whole.size();
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        number.fraction = text.substr(pos, DigitRun(text, pos));
        pos += number.fraction.size();
    }
    if (number.whole.empty() && number.fraction.empty()) return false;
    return ReadExponent(text, pos, number.exponent) && pos == text.size();
}

}  // namespace

HostNumber ParseHostNumber(std::string_view text) {
    Decimal number;
    if (!Split(text, number)) return {0, false, NotANumber};
    // The significant digits without leading zeros, then the exponent that
    // puts the decimal point back and moves it two places to the right:
    // "123.45" becomes "12345e0".  Short numbers, nearly all of them, are
    // built on the stack.
    const long scale = number.exponent - static_cast<long>(number.fraction.size()) + 2;
    std::string_view whole = number.whole, fraction = number.fraction;
    while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
    if (whole.empty())
        while (!fraction.empty() && fraction.front() == '0') fraction.remove_prefix(1);
    const double zero = number.negative ? -0.0 : 0.0;
    if (whole.empty() && fraction.empty()) return {zero, false, {}};
    char local[64];
    std::string large;
    const std::size_t room = whole.size() + fraction.size() + 24;
    char *digits = local;
    if (room > sizeof local) {
        large.resize(room);
        digits = large.data();
    }
    char *end = std::copy(whole.begin(), whole.end(), digits);
    end = std::copy(fraction.begin(), fraction.end(), end);
    const auto significant = static_cast<long>(end - digits);
    *end++ = 'e';
    end = std::to_chars(end, digits + room, scale).ptr;

    double value = 0;
    const auto [stop, ec] = std::from_chars(digits, end, value);
    // Out of range below 1 is too small for even the smallest subnormal:
    // the nearest double is zero.
    if (ec == std::errc::result_out_of_range)
        return significant + scale <= 0 ? HostNumber{zero, false, {}} : HostNumber{0, true, TooLarge};
    if (ec != std::errc() || stop != end) return {0, false, NotANumber};
    return {number.negative ? -value : value, false, {}};
}

FlagWord ParseFlagWord(std::string_view text) {
    constexpr const char *problem = "not a whole number from 0 to 4294967295";
    if (text.empty() || DigitRun(text, 0) != text.size()) return {0, problem};
    std::uint64_t value = 0;
    for (const char c : text) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFFFFFFULL) return {0, problem};
    }
    return {static_cast<std::uint32_t>(value), {}};
}

}  // namespace qhost
