// The function table's rows as data, for the tests that walk every row
// through a surface: its name, entry point and signature, the engine's
// three texts, and its example call with the answer.
//
// Tests find a row by its name, never by its place: a row inserted
// anywhere in the table is walked like the others.
#ifndef QELRPT_TESTS_TABLE_ROWS_H
#define QELRPT_TESTS_TABLE_ROWS_H

#include <cstddef>
#include <string>
#include <vector>

#include "table/function_table.h"

namespace support {

struct TableRow {
    const char *name;          // QELIndentTagHier
    const char *entry;         // QELFormula_IndentTagHier
    const char *result;        // String or Boolean
    const char *parameters;    // "String, String"
    const char *names;         // "previous, name"
    const char *descriptions;  // "previous tag name, tag name"
    const char *summary;       // what the function gives
    const char *definition;    // the engine's three texts
    const char *templateText;  //
    const char *exampleText;   //
    const char *example;       // a call as a formula author writes it
    const char *answer;        // its result: the text, or True or False

    std::string Signature() const { return std::string(result) + "(" + parameters + ")"; }
    bool Boolean() const { return std::string(result) == "Boolean"; }
    // "String" or "Number", one per parameter.
    std::vector<std::string> ParameterTypes() const {
        std::vector<std::string> types;
        const std::string list = parameters;
        for (std::size_t at = 0; at <= list.size();) {
            std::size_t comma = list.find(", ", at);
            if (comma == std::string::npos) comma = list.size();
            types.push_back(list.substr(at, comma - at));
            at = comma + 2;
        }
        return types;
    }
};

#define QELRPT_TEST_ROW(name, entry, result, params, worker, names, descriptions, summary, example, answer) \
    {#name,                                                                                                 \
     #entry,                                                                                                \
     #result,                                                                                               \
     QELRPT_SPELL params,                                                                                   \
     QELRPT_SPELL names,                                                                                    \
     descriptions,                                                                                          \
     summary,                                                                                               \
     QELRPT_DEFINITION_TEXT(name, result, params),                                                          \
     QELRPT_TEMPLATE_TEXT(name, params),                                                                    \
     QELRPT_EXAMPLE_TEXT(name, descriptions),                                                               \
     example,                                                                                               \
     answer},
inline const TableRow kTableRows[] = {QELRPT_FUNCTION_TABLE(QELRPT_TEST_ROW)};
#undef QELRPT_TEST_ROW

// One argument of an example call: a String's text, or a Number's decimal
// as written (the formula value).
struct ExampleArgument {
    bool number;
    std::string text;
};

// The arguments of an example call, `Name("A\B", 12.5)`: String
// arguments in double quotes (a doubled quote stands for one), Number
// arguments as decimals.
inline std::vector<ExampleArgument> ExampleArguments(const std::string &call) {
    std::vector<ExampleArgument> arguments;
    std::size_t at = call.find('(') + 1;
    while (at < call.size() && call[at] != ')') {
        while (call[at] == ' ' || call[at] == ',') ++at;
        ExampleArgument argument{call[at] != '"', {}};
        if (argument.number) {
            while (at < call.size() && call[at] != ',' && call[at] != ')' && call[at] != ' ')
                argument.text += call[at++];
        } else {
            for (++at; at < call.size(); ++at) {
                if (call[at] == '"' && (at + 1 >= call.size() || call[at + 1] != '"')) break;
                if (call[at] == '"') ++at;
                argument.text += call[at];
            }
            ++at;
        }
        arguments.push_back(argument);
        while (at < call.size() && call[at] == ' ') ++at;
    }
    return arguments;
}

}  // namespace support

#endif
