// The characters of definition texts and formulas, and a cursor over them.
#ifndef QELRPT_HOST_CHARS_H
#define QELRPT_HOST_CHARS_H

#include <cstddef>
#include <string_view>

namespace qhost {

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A position in a text, read from left to right.
struct Cursor {
    std::string_view text;
    std::size_t pos = 0;

    bool AtEnd() const { return pos >= text.size(); }
    // The character at the position, or NUL at the end.
    char Peek() const { return AtEnd() ? '\0' : text[pos]; }
    void SkipBlanks() {
        while (!AtEnd() && IsBlank(text[pos])) ++pos;
    }
    // A name: a letter or "_", then letters, digits and "_"; empty when
    // none starts here.
    std::string_view Word() {
        const std::size_t start = pos;
        if (!AtEnd() && IsLetter(text[pos])) {
            ++pos;
            while (!AtEnd() && (IsLetter(text[pos]) || IsDigit(text[pos]))) ++pos;
        }
        return text.substr(start, pos - start);
    }
};

}  // namespace qhost

#endif
