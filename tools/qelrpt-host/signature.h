// Definition texts: what a user function library says about one of its
// functions, e.g. "String QELIndentTagHier( String, String )": the result
// type, the name the formula author writes, and the parameter types.
#ifndef QELRPT_HOST_SIGNATURE_H
#define QELRPT_HOST_SIGNATURE_H

#include <string>
#include <string_view>
#include <vector>

namespace qhost {

// The value types of the formula language that a call block can carry:
// String and Number arguments, String and Boolean results.
enum class ValueType { String, Number, Boolean };

const char *TypeName(ValueType type);

struct Signature {
    ValueType result = ValueType::String;
    std::string name;
    std::vector<ValueType> parameters;
};

struct Definition {
    Signature signature;
    std::string problem;  // what is wrong with the text; empty when it could be read
};

// Reads a definition text: a type word, the name, "(", the parameter type
// words separated by commas, ")".  Blanks around the parts are free.
Definition ParseDefinition(std::string_view text);

// The name a definition text declares, found even when the rest of the
// text cannot be read: the second word, when it stands before the first
// "(".  Empty when there is no such word.
std::string DeclaredName(std::string_view text);

// Why this host cannot call a function with this signature, or an empty
// text when it can: a call block carries only String and Number arguments
// and only String and Boolean results.
std::string CallProblem(const Signature &signature);

// ASCII case-insensitive comparison, as the formula language compares
// function names.
bool SameName(std::string_view a, std::string_view b);

}  // namespace qhost

#endif
