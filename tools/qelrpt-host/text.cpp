#include "text.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace qhost {

const char *const NotANumber = "not a number";
const char *const TooLarge = "too large: 100 times it is beyond the range of a double";

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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

// The UTF-8 sequence at the start of `text` is valid and of `length`.
bool ValidSequence(std::string_view text, std::size_t length) {
    if (text.size() < length) return false;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0U) != 0x80U) return false;
    const auto lead = static_cast<unsigned char>(text[0]), second = static_cast<unsigned char>(text[1]);
    if (lead == 0xE0 && second < 0xA0) return false;   // overlong
    if (lead == 0xED && second >= 0xA0) return false;  // surrogate
    if (lead == 0xF0 && second < 0x90) return false;   // overlong
    if (lead == 0xF4 && second >= 0x90) return false;  // beyond U+10FFFF
    return true;
}

// The eight bytes at `text` are printable ASCII: none of 0x80 and above,
// none below 0x20, no 0x7F.
bool Printable8(const char *text) {
    constexpr std::uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
    std::uint64_t word = 0;
    std::memcpy(&word, text, sizeof word);
    const std::uint64_t high = word & highs;
    const std::uint64_t low = (word - 0x20 * ones) & ~word & highs;
    const std::uint64_t del = ((word ^ (0x7F * ones)) - ones) & ~(word ^ (0x7F * ones)) & highs;
    return (high | low | del) == 0;
}

bool Printable(unsigned char c) { return c >= 0x20 && c < 0x7F; }

// The length of the run of printable ASCII at the start of `text`.
std::size_t PrintableRun(std::string_view text) {
    std::size_t i = 0;
    while (i + 8 <= text.size() && Printable8(text.data() + i)) i += 8;
    while (i < text.size() && Printable(static_cast<unsigned char>(text[i]))) ++i;
    return i;
}

// How the character at the start of `text` (not printable ASCII) is shown:
// the bytes it takes up, and whether it is kept (else shown as U+FFFD).
struct Character {
    std::size_t size;
    bool kept;
};

Character Classify(std::string_view text) {
    const auto c = static_cast<unsigned char>(text[0]);
    if (c == '\n' || c == '\t') return {1, true};  // layout, not control sequences
    if (c < 0x80) return {1, false};               // a C0 control or 0x7F
    const std::size_t length = Utf8Length(text);
    if (length == 0) return {1, false};
    const bool c1 = c == 0xC2 && static_cast<unsigned char>(text[1]) <= 0x9F;
    return {length, !c1};
}

void AppendEscaped(std::string &out, std::string_view text) {
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char *entity = nullptr;
        switch (text[i]) {
            case '&':
                entity = "&amp;";
                break;
            case '<':
                entity = "&lt;";
                break;
            case '>':
                entity = "&gt;";
                break;
            case '"':
                entity = "&quot;";
                break;
            case '\'':
                entity = "&#39;";
                break;
            default:
                continue;
        }
        out.append(text, from, i - from).append(entity);
        from = i + 1;
    }
    out.append(text, from);
}

}  // namespace

HostNumber ParseHostNumber(std::string_view text) {
    Decimal number;
    if (!Split(text, number)) return {0, NotANumber};
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
    if (whole.empty() && fraction.empty()) return {zero};
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
        return significant + scale <= 0 ? HostNumber{zero} : HostNumber{0, TooLarge};
    if (ec != std::errc() || stop != end) return {0, NotANumber};
    return {number.negative ? -value : value};
}

FlagWord ParseFlagWord(std::string_view text) {
    constexpr const char *problem = "not a whole number from 0 to 4294967295";
    if (text.empty() || DigitRun(text, 0) != text.size()) return {0, problem};
    std::uint64_t value = 0;
    for (const char c : text) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFFFFFFULL) return {0, problem};
    }
    return {static_cast<std::uint32_t>(value)};
}

std::size_t Utf8Length(std::string_view text) {
    if (text.empty()) return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    if (lead < 0x80)
        return 1;
    else if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    return length != 0 && ValidSequence(text, length) ? length : 0;
}

std::string ControlCharacter(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) return std::string("0x") + hex[c >> 4U] + hex[c & 0xFU];
        if (c == 0xC2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) return std::string("U+00") + hex[next >> 4U] + hex[next & 0xFU];
        }
    }
    return {};
}

void AppendShown(std::string &out, std::string_view text, bool html) {
    while (!text.empty()) {
        const std::size_t plain = PrintableRun(text);
        if (html)
            AppendEscaped(out, text.substr(0, plain));
        else
            out.append(text.data(), plain);
        text.remove_prefix(plain);
        if (text.empty()) break;
        const Character character = Classify(text);
        if (character.kept)
            out.append(text.data(), character.size);
        else
            out.append("\xEF\xBF\xBD");
        text.remove_prefix(character.size);
    }
}

std::size_t ShownWidth(std::string_view text) {
    std::size_t width = 0;
    while (!text.empty()) {
        const std::size_t plain = PrintableRun(text);
        width += plain;
        text.remove_prefix(plain);
        if (text.empty()) break;
        text.remove_prefix(Classify(text).size);
        ++width;
    }
    return width;
}

std::string ShowBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == ' ')
            out += "\xC2\xB7";
        else if (c == '\n')
            out += "\xE2\x86\xB5";
        else
            out += c;
    }
    return out;
}

std::string Quoted(std::string_view text, std::size_t limit) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        if (i >= limit) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8Length(text.substr(i));
        const bool control = c < 0x20 || c == 0x7F || !ControlCharacter(text.substr(i, length)).empty();
        if (c == '\n' || c == '\r' || c == '\t') {
            out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else if (length == 0 || control) {
            for (std::size_t j = 0; j < std::max<std::size_t>(length, 1); ++j) {
                const auto byte = static_cast<unsigned char>(text[i + j]);
                out.append("\\x").append(1, hex[byte >> 4U]).append(1, hex[byte & 0xFU]);
            }
        } else {
            out.append(text, i, length);
        }
        i += std::max<std::size_t>(length, 1);
    }
    return out + "\"";
}

}  // namespace qhost
