// Numbers in the data and in formulas: decimal numbers as the host passes
// them, and flag words.
#ifndef QELRPT_HOST_NUMBERS_H
#define QELRPT_HOST_NUMBERS_H

#include <cstdint>
#include <string>
#include <string_view>

namespace qhost {

struct HostNumber {
    double hundredfold = 0;  // 100 times the value written
    bool tooLarge = false;   // the text is a number, but its hundredfold is beyond the range of a double
    std::string problem;     // why the text gives no Number; empty when it gives one
};

// Reads a decimal number as a formula author or a CSV file writes it: an
// optional sign, digits with an optional decimal point (at least one digit
// on either side), an optional exponent ("e" or "E", an optional sign,
// digits).  No blanks, no thousands separators, no "inf" or "nan".
//
// The result is what the host passes for a Number: 100 times the value,
// as the double nearest to the exact decimal product, so "123.45" gives
// exactly 12345 (the library's one rule for Numbers, values/values.h).  A
// value too small for a double is that nearest double, 0 (with its sign);
// one whose hundredfold is beyond the largest double is `tooLarge`.
HostNumber ParseHostNumber(std::string_view text);

struct FlagWord {
    std::uint32_t value = 0;
    std::string problem;  // set when the text is not a whole number from 0 to 4294967295
};

// Reads a flag word: decimal digits, 0 to 4294967295, optionally followed
// by a point and zeros ("3.0", a whole number as some exports write it).
FlagWord ParseFlagWord(std::string_view text);

}  // namespace qhost

#endif
