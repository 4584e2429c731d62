// Small text helpers shared by the formula reader, the CSV report and the
// output: decimal numbers as the host passes them, flag words, visible
// blanks and HTML escaping.
#ifndef QELRPT_HOST_TEXT_H
#define QELRPT_HOST_TEXT_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qhost {

enum class NumberStatus { Ok, NotANumber, OutOfRange };

struct HostNumber {
    NumberStatus status = NumberStatus::NotANumber;
    double hundredfold = 0;  // 100 times the value written, when status is Ok
};

// Reads a decimal number as a formula author or a CSV file writes it: an
// optional sign, digits with an optional decimal point (at least one digit
// on either side), an optional exponent ("e" or "E", an optional sign,
// digits).  No blanks, no thousands separators, no "inf" or "nan".
//
// The result is what the host passes for a Number: 100 times the value,
// as the double nearest to the exact decimal product (the decimal point
// is moved two places before the text is converted, so "123.45" gives
// exactly 12345).  A value whose hundredfold overflows or underflows a
// double is OutOfRange.
HostNumber ParseHostNumber(std::string_view text);

// Reads a flag word: decimal digits only, 0 to 4294967295.
std::optional<std::uint32_t> ParseFlagWord(std::string_view text);

// The text with each blank shown as "·" and each line feed as "↵" (UTF-8).
std::string ShowBlanks(std::string_view text);

// Appends `text` to `out` with &, <, >, " and ' replaced by entities.
void AppendHtmlEscaped(std::string &out, std::string_view text);

// `text` in double quotes for a one-line message: cut to `limit` bytes
// with "..." when it is longer, line feeds, carriage returns and tabs shown
// as \n, \r and \t, other control characters as \xNN.
std::string Quoted(std::string_view text, std::size_t limit = 40);

}  // namespace qhost

#endif
