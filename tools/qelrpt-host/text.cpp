#include "text.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace qhost {

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

}  // namespace

HostNumber ParseHostNumber(std::string_view text) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::string_view whole = text.substr(pos, DigitRun(text, pos));
    pos += whole.size();
    std::string_view fraction;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        fraction = text.substr(pos, DigitRun(text, pos));
        pos += fraction.size();
    }
    if (whole.empty() && fraction.empty()) return {};
    long exponent = 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            negativeExponent = text[pos] == '-';
            ++pos;
        }
        const std::size_t digits = DigitRun(text, pos);
        if (digits == 0) return {};
        for (std::size_t i = pos; i < pos + digits; ++i)
            if (exponent < ExponentClamp) exponent = exponent * 10 + (text[i] - '0');
        pos += digits;
        if (negativeExponent) exponent = -exponent;
    }
    if (pos != text.size()) return {};

    // The significant digits without leading zeros, then the exponent that
    // puts the decimal point back and moves it two places to the right:
    // "123.45" becomes "12345e0".  Short numbers, nearly all of them, are
    // built on the stack.
    const long scale = exponent - static_cast<long>(fraction.size()) + 2;
    while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
    if (whole.empty())
        while (!fraction.empty() && fraction.front() == '0') fraction.remove_prefix(1);
    if (whole.empty() && fraction.empty()) return {NumberStatus::Ok, negative ? -0.0 : 0.0};
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
    *end++ = 'e';
    end = std::to_chars(end, digits + room, scale).ptr;

    double value = 0;
    const auto [stop, ec] = std::from_chars(digits, end, value);
    if (ec == std::errc::result_out_of_range) return {NumberStatus::OutOfRange, 0};
    if (ec != std::errc() || stop != end) return {};
    return {NumberStatus::Ok, negative ? -value : value};
}

std::optional<std::uint32_t> ParseFlagWord(std::string_view text) {
    if (text.empty() || DigitRun(text, 0) != text.size()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFFFFFFULL) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
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

void AppendHtmlEscaped(std::string &out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
}

std::string Quoted(std::string_view text, std::size_t limit) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == limit) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += hex[c >> 4U];
            out += hex[c & 0xFU];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace qhost
