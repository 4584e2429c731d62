// One formula call as a report designer writes it in a formula:
//
//   QELIndentTagHier("A\B\C", "A\E\F")
//   QELNumberFootPrint(-0.05)
//
// a function name, then in parentheses the arguments separated by commas
// (or none at all).  An argument is a string or a number:
//   - a string stands in double quotes or in single quotes; the quote that
//     encloses it is written twice to stand for itself ("say ""hi""" or
//     'it''s'); a backslash is an ordinary character;
//   - a number is written as ParseHostNumber reads it (-12.5, 3, 1e-3).
// Blanks and tabs may stand between the parts.
#ifndef QELRPT_HOST_FORMULA_H
#define QELRPT_HOST_FORMULA_H

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "signature.h"

namespace qhost {

struct Argument {
    ValueType type = ValueType::String;
    std::string text;        // a string's characters, or a number as written
    double hundredfold = 0;  // a number as the host passes it
};

struct FormulaCall {
    std::string name;
    std::vector<Argument> arguments;
};

// A formula that cannot be read, or (`OutOfRange`) one that is well
// written but holds a number the host cannot pass: 100 times it is beyond
// the range of a double.  `column` counts characters from 1; `name` is the
// function name when the error comes after it.
class FormulaError : public std::runtime_error {
   public:
    enum class Kind { Syntax, OutOfRange };

    FormulaError(std::size_t column, const std::string &message, std::string name, Kind kind = Kind::Syntax)
        : std::runtime_error(message), column_(column), name_(std::move(name)), kind_(kind) {}
    std::size_t Column() const { return column_; }
    const std::string &Name() const { return name_; }
    Kind ErrorKind() const { return kind_; }

   private:
    std::size_t column_;
    std::string name_;
    Kind kind_;
};

// Reads one formula call; throws FormulaError.
FormulaCall ParseFormula(std::string_view text);

}  // namespace qhost

#endif
