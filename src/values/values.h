// How a surface hands values to the workers and takes their texts back:
// the one rule for a Number that arrives as a decimal or a double, and the
// one rule for cutting a text result.  The SQL functions (src/sqlite/,
// src/postgresql/), the COM library, qelrpt-host and the tests use these,
// so a value reads the same wherever it is given.
//
// A Number is the formula value.  The report engine passes the double
// nearest 100 times it, and the adapters then apply the library's own
// scaling (NumberScale), so that QELNumberFootPrint(853.05) gives
// "     853.1" as in a report.  A surface that gets the value in another form
// passes what the engine would: the double nearest 100 times the value's
// decimal form, which is
//   - the text of an exact decimal (PostgreSQL numeric, an SQLite TEXT, a
//     CSV field, a formula's literal),
//   - the shortest decimal that reads back as the same double (double
//     precision, SQLite REAL, a COM Double),
//   - the digits of an integer.
// A finite value whose hundredfold is beyond the range of a double is
// reported (BeyondRange), and each surface says what it gives: the SQL
// functions and qelrpt-host refuse it (an SQL error, qelrpt-host's
// message); the COM library, whose every call must answer, passes the
// infinity of its sign, which is what the engine passes the C plug-in for
// it.  Infinities and NaN given as such pass through, and get the workers'
// defined answers.
#ifndef QELRPT_VALUES_VALUES_H
#define QELRPT_VALUES_VALUES_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qelrpt {

// What reading a Number gave.
enum class NumberReading {
    Read,         // *out holds the hundredfold
    NotANumber,   // the text is no decimal number; *out is unchanged
    BeyondRange,  // a finite number whose hundredfold no double holds; *out is unchanged
};

// Which texts besides decimals ReadHundredfold takes.
enum class Specials {
    Refused,   // decimals only (qelrpt-host's data and formulas)
    Accepted,  // also "nan", "inf", "infinity" in any case, with an optional sign (SQL)
};

// Sets `*out` to the double nearest 100 times the decimal number `text`:
// an optional sign, digits with at most one point (a digit on at least one
// side of it), an optional exponent ("e" or "E", an optional sign, digits).
// No blanks.  Any number of digits is read exactly; a value too small for
// a double gives a zero of its sign.
//   "853.05" -> 85305   "1e-3" -> 0.1   "-2" -> -200   "1e307" -> BeyondRange
NumberReading ReadHundredfold(std::string_view text, Specials specials, double *out);

// The same for the shortest decimal form of `value`; an infinity or a NaN
// is passed on as it is.
NumberReading HundredfoldOfDouble(double value, double *out);

// The same for an integer: exactly 100 times `value`, rounded once.  Every
// 64-bit integer's hundredfold is in range.
double HundredfoldOfInteger(std::int64_t value);

// The length at which a surface returns a worker's text result of `len`
// bytes.  A worker stops at its bound of `bound` bytes; a result that
// reached it loses a last UTF-8 character that the bound cut into.  Any
// shorter result is returned whole, byte for byte, valid UTF-8 or not.
std::size_t ResultLength(const char *text, std::size_t len, std::size_t bound);

// The length of the longest prefix of the UTF-8 text `text` (`len` bytes)
// that does not end inside a character.  Bytes before the end are not
// checked.
std::size_t WholeUtf8Length(const char *text, std::size_t len);

}  // namespace qelrpt

#endif
