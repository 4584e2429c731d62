// The COM library's UTF-16 to UTF-8 conversion and back (src/com/unicode.h):
// known encodings from the Unicode standard's tables, every single code
// unit and every surrogate pair round-tripped with the written lengths
// within their bounds, and malformed UTF-8 decoded to U+FFFD one byte at a
// time.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "com/unicode.h"

namespace {

std::string Encode(const std::u16string &text) {
    std::vector<char> out(qelrpt::Utf8Bound(text.size()) + 1, 'x');
    const std::size_t len = qelrpt::Utf8FromUtf16(text.data(), text.size(), out.data());
    EXPECT_LE(len, qelrpt::Utf8Bound(text.size()));
    EXPECT_EQ(out[len], '\0');
    return std::string(out.data(), len);
}

std::u16string Decode(const std::string &bytes) {
    std::u16string out(bytes.size() + 1, u'x');
    const std::size_t units = qelrpt::Utf16FromUtf8(bytes.data(), bytes.size(), out.data());
    EXPECT_LE(units, bytes.size());
    EXPECT_EQ(out[bytes.size()], u'x') << "wrote past the bound";
    out.resize(units);
    return out;
}

struct Known {
    std::u16string text;
    std::string bytes;
};

TEST(Unicode, KnownEncodings) {
    const Known cases[] = {
        {u"", ""},
        {u"A\\B.C", "A\\B.C"},
        {u"\u007F", "\x7F"},
        {u"\u0080", "\xC2\x80"},
        {u"\u00E9", "\xC3\xA9"},
        {u"\u07FF", "\xDF\xBF"},
        {u"\u0800", "\xE0\xA0\x80"},
        {u"\u20AC", "\xE2\x82\xAC"},
        {u"\u4E01", "\xE4\xB8\x81"},
        {u"\uFFFF", "\xEF\xBF\xBF"},
        {u"\U00010000", "\xF0\x90\x80\x80"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        // Surrogates without their partner: the three bytes of the code point.
        {std::u16string(1, char16_t{0xD800}), "\xED\xA0\x80"},
        {std::u16string(1, char16_t{0xDFFF}), "\xED\xBF\xBF"},
        {std::u16string{char16_t{0xDC00}, char16_t{0xD800}}, "\xED\xB0\x80\xED\xA0\x80"},
        {std::u16string{u'A', char16_t{0xD83D}, u'B'},
         "A\xED\xA0\xBD"
         "B"},
    };
    for (const Known &k : cases) {
        EXPECT_EQ(Encode(k.text), k.bytes);
        EXPECT_EQ(Decode(k.bytes), k.text);
    }
}

TEST(Unicode, EveryUnitAndEveryPairComesBack) {
    for (std::uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
        const std::u16string text{u'<', static_cast<char16_t>(unit), u'>'};
        ASSERT_EQ(Decode(Encode(text)), text) << "unit " << unit;
    }
    std::size_t pairs = 0;
    for (std::uint32_t high = 0xD800; high <= 0xDBFF; ++high) {
        for (std::uint32_t low = 0xDC00; low <= 0xDFFF; ++low) {
            const std::u16string text{static_cast<char16_t>(high), static_cast<char16_t>(low)};
            const std::string bytes = Encode(text);
            ASSERT_EQ(bytes.size(), 4U);
            ASSERT_EQ(Decode(bytes), text);
            ++pairs;
        }
    }
    EXPECT_EQ(pairs, 1024U * 1024U);
}

TEST(Unicode, MalformedBytesGiveReplacementCharacters) {
    const char16_t r = 0xFFFD;
    const Known cases[] = {
        {{r}, "\x80"},         // a continuation byte alone
        {{r, r}, "\xC0\x80"},  // overlong NUL
        {{r, u'A'},
         "\xC3"
         "A"},                               // a lead byte without its continuation
        {{r, r, r}, "\xE0\x80\x80"},         // overlong three-byte form
        {{r, r}, "\xE2\x82"},                // cut at the end
        {{r, r, r, r}, "\xF4\x90\x80\x80"},  // beyond U+10FFFF
        {{r, r, r, r}, "\xF0\x80\x80\x80"},  // overlong four-byte form
        {{r, u'x'}, "\xF5x"},                // never a lead byte
        {{r, u'x'}, "\xFFx"},
    };
    for (const Known &k : cases) EXPECT_EQ(Decode(k.bytes), k.text) << k.bytes;
}

}  // namespace
