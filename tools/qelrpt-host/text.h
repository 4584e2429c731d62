// Small text helpers shared by the formula reader, the CSV report and the
// output: decimal numbers as the host passes them, flag words, the texts
// that may be shown on a terminal or a page, and HTML escaping.
#ifndef QELRPT_HOST_TEXT_H
#define QELRPT_HOST_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qhost {

// The problems a number can have.
extern const char *const NotANumber;
extern const char *const TooLarge;

struct HostNumber {
    double hundredfold = 0;         // 100 times the value written
    const char *problem = nullptr;  // NotANumber or TooLarge, or null
};

// Reads a decimal number as a formula author or a CSV file writes it: an
// optional sign, digits with an optional decimal point (at least one digit
// on either side), an optional exponent ("e" or "E", an optional sign,
// digits).  No blanks, no thousands separators, no "inf" or "nan".
//
// The result is what the host passes for a Number: 100 times the value,
// as the double nearest to the exact decimal product (the decimal point
// is moved two places before the text is converted, so "123.45" gives
// exactly 12345).  A value too small for a double is that nearest double,
// 0 (with its sign); one whose hundredfold is beyond the largest double is
// TooLarge.
HostNumber ParseHostNumber(std::string_view text);

struct FlagWord {
    std::uint32_t value = 0;
    const char *problem = nullptr;  // set when the text is not a whole number from 0 to 4294967295
};

// Reads a flag word: decimal digits only, 0 to 4294967295.
FlagWord ParseFlagWord(std::string_view text);

// The length of the UTF-8 sequence that starts `text` when it is a valid
// one (shortest form, no surrogate, at most U+10FFFF), else 0.
std::size_t Utf8Length(std::string_view text);

// The control character that `text` holds (C0: 0x00 to 0x1F and 0x7F; C1:
// U+0080 to U+009F written in UTF-8), named as in "0x1B" or "U+009B", or
// an empty text when there is none.
std::string ControlCharacter(std::string_view text);

// Appends `text` to `out` as valid UTF-8 without control characters:
// valid sequences, line feeds and tabs as they are, every byte of an
// invalid sequence and every other control character (C0, 0x7F, C1) as
// U+FFFD.
// With `html`, &, <, >, " and ' become entities.
void AppendShown(std::string &out, std::string_view text, bool html);

// The number of characters AppendShown writes for `text`.
std::size_t ShownWidth(std::string_view text);

// The text with each blank shown as "·" and each line feed as "↵" (UTF-8).
std::string ShowBlanks(std::string_view text);

// `text` in double quotes for a one-line message: cut to `limit` bytes
// with "..." when it is longer, line feeds, carriage returns and tabs shown
// as \n, \r and \t, other control characters and bytes that are not valid
// UTF-8 as \xNN.
std::string Quoted(std::string_view text, std::size_t limit = 40);

}  // namespace qhost

#endif
