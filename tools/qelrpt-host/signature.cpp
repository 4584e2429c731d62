#include "signature.h"

#include <cstddef>

#include "chars.h"

namespace qhost {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Reads a type word; returns an empty text on success, else the problem.
std::string ReadType(Cursor &scan, const char *what, ValueType &type) {
    scan.SkipBlanks();
    const std::string_view word = scan.Word();
    if (word.empty()) return std::string("expected ") + what;
    if (word == "String") {
        type = ValueType::String;
    } else if (word == "Number") {
        type = ValueType::Number;
    } else if (word == "Boolean") {
        type = ValueType::Boolean;
    } else {
        return "unknown type \"" + std::string(word) + "\" (known: String, Number, Boolean)";
    }
    return {};
}

}  // namespace

const char *TypeName(ValueType type) {
    switch (type) {
        case ValueType::String:
            return "String";
        case ValueType::Number:
            return "Number";
        case ValueType::Boolean:
            return "Boolean";
    }
    return "?";
}

Definition ParseDefinition(std::string_view text) {
    Cursor scan{text};
    Definition read;
    Signature &result = read.signature;
    const auto fail = [&read](std::string problem) {
        read.problem = std::move(problem);
        return read;
    };
    if (std::string problem = ReadType(scan, "a result type", result.result); !problem.empty()) return fail(problem);
    if (!IsBlank(scan.Peek())) return fail("expected a blank after the result type");
    scan.SkipBlanks();
    result.name = std::string(scan.Word());
    if (result.name.empty()) return fail("expected the function name after the result type");
    scan.SkipBlanks();
    if (scan.Peek() != '(') return fail("expected \"(\" after the function name");
    ++scan.pos;
    scan.SkipBlanks();
    if (scan.Peek() != ')') {
        for (;;) {
            ValueType type{};
            if (std::string problem = ReadType(scan, "a parameter type", type); !problem.empty()) return fail(problem);
            result.parameters.push_back(type);
            scan.SkipBlanks();
            if (scan.Peek() == ',') {
                ++scan.pos;
                continue;
            }
            if (scan.Peek() == ')') break;
            return fail("expected \",\" or \")\" after a parameter type");
        }
    }
    ++scan.pos;
    scan.SkipBlanks();
    if (!scan.AtEnd()) return fail("unexpected text after \")\"");
    return read;
}

std::string DeclaredName(std::string_view text) {
    Cursor scan{text.substr(0, text.find('('))};
    scan.SkipBlanks();
    if (scan.Word().empty() || !IsBlank(scan.Peek())) return {};
    scan.SkipBlanks();
    return std::string(scan.Word());
}

std::string CallProblem(const Signature &signature) {
    if (signature.result == ValueType::Number)
        return "it returns a Number, and a call block has room only for a String or a Boolean result";
    for (std::size_t i = 0; i < signature.parameters.size(); ++i) {
        if (signature.parameters[i] == ValueType::Boolean)
            return "parameter " + std::to_string(i + 1) +
                   " is a Boolean, and a call block carries only String and Number arguments";
    }
    return {};
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

}  // namespace qhost
