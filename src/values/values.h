// What the SQL surfaces (src/sqlite/, src/postgresql/) share: the Number
// argument as a host passes it, and the end of a text result that stays
// whole characters.
//
// A Number argument is the formula value, whatever SQL type carries it.
// The SQL functions pass on what the engine passes, the double nearest 100
// times the value's decimal form, and the adapter then applies the
// library's own scaling (NumberScale), so that QELNumberFootPrint(853.05)
// gives "     853.1" as in a report.  The decimal form is
//   - the text of an exact decimal (PostgreSQL numeric, an SQLite TEXT),
//   - the shortest decimal that reads back as the same double (double
//     precision, SQLite REAL),
//   - the digits of an integer.
#ifndef QELRPT_VALUES_VALUES_H
#define QELRPT_VALUES_VALUES_H

#include <cstddef>
#include <cstdint>

namespace qelrpt {

// The room a decimal text needs in ScaledFromDecimal's scratch buffer,
// beyond its own length.
inline constexpr std::size_t DecimalScratchExtra = 32;

// Sets `*out` to the double nearest 100 times the decimal number `text`
// (`len` bytes, no NUL needed): an optional sign, digits with an optional
// point, an optional exponent (e or E, optional sign, digits); or
// "nan", "inf", "infinity" in any case, with an optional sign.  Beyond the
// double range the result is an infinity, below it a zero of the sign.
// `scratch` must hold len + DecimalScratchExtra bytes.  Answers false, and
// leaves `*out` alone, when `text` is not such a number.
//   "853.05" -> 85305   "1e-3" -> 0.1   "-2" -> -200
bool ScaledFromDecimal(const char *text, std::size_t len, char *scratch, double *out);

// The same for the shortest decimal form of `value` (which is the value
// itself when not finite).
double ScaledFromDouble(double value);

// The same for an integer: exactly 100 x `value`, rounded once to double.
double ScaledFromInteger(std::int64_t value);

// The length of the longest prefix of the UTF-8 text `text` (`len` bytes)
// that does not end inside a character: a text cut at a byte bound loses
// its last, partial character.  Bytes before the end are not checked.
std::size_t WholeUtf8Length(const char *text, std::size_t len);

}  // namespace qelrpt

#endif
