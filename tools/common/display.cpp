#include "display.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace qtool {

namespace {

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
    const bool bidi = (c == 0xE2 || c == 0xD8) && IsBidiControl(CodePoint(text.substr(0, length)));
    return {length, !c1 && !bidi};
}

// Characters that show nothing, or nothing that tells them apart: a
// message names them.
bool IsInvisible(char32_t c) {
    return IsBidiControl(c) || c == 0xAD || (c >= 0x200B && c <= 0x200D) || (c >= 0x2060 && c <= 0x2064) ||
           c == 0xFEFF || c == 0x034F || c == 0x180E;
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

char32_t CodePoint(std::string_view sequence) {
    const auto lead = static_cast<unsigned char>(sequence[0]);
    if (sequence.size() == 1) return lead;
    char32_t c = lead & (0x7FU >> sequence.size());
    for (std::size_t i = 1; i < sequence.size(); ++i) c = (c << 6U) | (static_cast<unsigned char>(sequence[i]) & 0x3FU);
    return c;
}

bool IsBidiControl(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F || c == 0x061C;
}

bool IsRightToLeft(char32_t c) {
    return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFE) ||
           (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF);
}

bool HoldsRightToLeft(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) < 0xD6) continue;  // below the lead byte of U+0590
        const std::size_t length = Utf8Length(text.substr(i));
        if (length > 1 && IsRightToLeft(CodePoint(text.substr(i, length)))) return true;
    }
    return false;
}

std::string BidiControl(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c != 0xE2 && c != 0xD8) continue;
        const std::size_t length = Utf8Length(text.substr(i));
        if (length < 2) continue;
        const char32_t code = CodePoint(text.substr(i, length));
        if (IsBidiControl(code)) return CodePointName(code);
    }
    return {};
}

std::string CodePointName(char32_t c) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
    return name;
}

void AppendHex(std::string &out, unsigned char byte) {
    static constexpr char digits[] = "0123456789ABCDEF";
    out.append(1, digits[byte >> 4U]).append(1, digits[byte & 0xFU]);
}

std::string ControlCharacter(std::string_view text) {
    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            AppendHex(name.append("0x"), c);
            return name;
        }
        if (c == 0xC2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                AppendHex(name.append("U+00"), next);
                return name;
            }
        }
    }
    return name;
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
                AppendHex(out.append("\\x"), static_cast<unsigned char>(text[i + j]));
            }
        } else if (length > 1 && IsInvisible(CodePoint(text.substr(i, length)))) {
            out.append("<").append(CodePointName(CodePoint(text.substr(i, length)))).append(">");
        } else {
            out.append(text, i, length);
        }
        i += std::max<std::size_t>(length, 1);
    }
    return out + "\"";
}

}  // namespace qtool
