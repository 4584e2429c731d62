// The function table: the formula functions, one row each, in the order in
// which the engine lists them.  Every surface is built from these rows: the
// host interface (src/host/: the exports, the engine's three tables), the
// SQL functions, and the texts the build writes (the public header's
// prototypes, the PostgreSQL install script, the package texts), which
// cmake/table.cmake makes from print_table.cpp's dump of this table.  To
// add a function, follow docs/adding-a-function.md.
//
//   X(name, entry point, result, (parameters), worker,
//     (parameter names), parameter descriptions, summary, example, answer)
//
//   name         the name a formula author writes, QEL and the rest
//   entry point  QELFormula_ and the same rest: the exported symbol
//   result       String or Boolean
//   parameters   String or Number each, in parentheses; with the result
//                they make the signature, a function type such as
//                String(String, String), which chooses each surface's
//                adapter (signatures.h)
//   worker       the pure function of src/functions/ that computes the
//                answer; its type must be the one the signature calls
//   names        one identifier per parameter, for the surfaces that name
//                parameters (SQL, COM)
//   descriptions the parameters as the engine's example text names them,
//                comma-separated
//   summary      what the function gives, in one line (SQL comments,
//                package texts)
//   example      a call as a formula author writes it: String arguments in
//                double quotes (a quote inside doubled), Number arguments
//                as decimals, the formula values
//   answer       the example's result: the text, or True or False
//
// The example and the answer are raw strings, so a backslash stands for
// itself; each is one line of printable ASCII, as is the summary.  Every surface's tests
// make the example call and compare the answer.
//
// From a row the host interface builds, at compile time:
//   - the definition text "String QELIndentTagHier( String, String )"
//   - the template text   "QELIndentTagHier ( !, )"
//   - the example text    "\tQELIndentTagHier ( previous tag name, tag name )"
//   - the entry point     QELFormula_IndentTagHier, running the adapter of
//                         String(String, String) over BuildHierarchyLines.
#ifndef QELRPT_TABLE_FUNCTION_TABLE_H
#define QELRPT_TABLE_FUNCTION_TABLE_H

#include <cstddef>
#include <iterator>
#include <type_traits>

#include "functions/number.h"
#include "functions/tagname.h"
#include "functions/wildcard.h"
#include "signatures.h"

// clang-format off
#define QELRPT_FUNCTION_TABLE(X)                                                                                   \
    X(QELIndentTagHier, QELFormula_IndentTagHier, String, (String, String), BuildHierarchyLines,                 \
      (previous, name), "previous tag name, tag name",                                                             \
      "the header lines of the levels that a tag name opens below the previous one, indented by depth",           \
      R"(QELIndentTagHier("A\B\C", "A\E\F"))", R"(    E)")                                                         \
    X(QELIndentTagName, QELFormula_IndentTagName, String, (String), IndentLeafName,                               \
      (name), "tag name",                                                                                          \
      "the last level of a tag name, indented by its depth",                                                       \
      R"(QELIndentTagName("A\B\C"))", R"(        C)")                                                              \
    X(QELRemoveTagName, QELFormula_RemoveTagName, String, (String), StripLeafName,                                \
      (name), "tag name",                                                                                          \
      "a tag name without its last level",                                                                         \
      R"(QELRemoveTagName("A\B.C"))", R"(A\B)")                                                                    \
    X(QELNumberFootPrint, QELFormula_NumberFootPrint, String, (Number), FormatFootprint,                          \
      (value), "value",                                                                                            \
      "a number with at most four significant digits, right-aligned in at least 10 characters",                   \
      R"(QELNumberFootPrint(123.45))", R"(     123.5)")                                                            \
    X(QELAlarmFlagSet, QELFormula_AlarmFlagSet, Boolean, (Number), HasAlarmFlag,                                  \
      (flags), "flags",                                                                                            \
      "whether the alarm bit (bit 0) of a flag word is set",                                                       \
      R"(QELAlarmFlagSet(3))", R"(True)")                                                                          \
    X(QELLogFlagSet, QELFormula_LogFlagSet, Boolean, (Number), HasLogFlag,                                        \
      (flags), "flags",                                                                                            \
      "whether the log bit (bit 1) of a flag word is set",                                                         \
      R"(QELLogFlagSet(1))", R"(False)")                                                                           \
    X(QELPatternMatch, QELFormula_PatternMatch, Boolean, (String, String), WildcardMatch,                         \
      (candidate, pattern), "candidate string, pattern string",                                                    \
      "whether a whole text matches a pattern: * any run of characters, % any one character",                     \
      R"(QELPatternMatch("Plant1\Area3\Pump07.Speed", "Plant1\*\Pump%%.*"))", R"(True)")
// clang-format on

// The parameter list of a row as text: QELRPT_SPELL (String, String) gives
// "String, String".
#define QELRPT_SPELL(...) #__VA_ARGS__

// The number of entries in a parenthesised list of one or two: the
// template's holes exist for these.
#define QELRPT_COUNT(...) QELRPT_COUNT_(__VA_ARGS__, 2, 1, 0)
#define QELRPT_COUNT_(a, b, n, ...) n
#define QELRPT_CAT(a, b) QELRPT_CAT_(a, b)
#define QELRPT_CAT_(a, b) a##b
#define QELRPT_HOLES_1 "! "
#define QELRPT_HOLES_2 "!, "

// A row's three texts, as the engine's tables hold them.
#define QELRPT_DEFINITION_TEXT(name, result, params) #result " " #name "( " QELRPT_SPELL params " )"
#define QELRPT_TEMPLATE_TEXT(name, params) #name " ( " QELRPT_CAT(QELRPT_HOLES_, QELRPT_COUNT params) ")"
#define QELRPT_EXAMPLE_TEXT(name, descriptions) "\t" #name " ( " descriptions " )"

namespace qelrpt {

// Whether `text` starts with `start` followed by an opening parenthesis.
constexpr bool CallsFunction(const char *text, const char *start) {
    for (; *start != '\0'; ++start, ++text)
        if (*text != *start) return false;
    return *text == '(';
}

// Whether `text` is one line of printable ASCII: every host, a Windows
// command line included, passes it unchanged.
constexpr bool PlainText(const char *text) {
    for (; *text != '\0'; ++text)
        if (*text < ' ' || *text > '~') return false;
    return true;
}

// Checks one row: the names agree, the worker has the type its signature
// calls, there is one name and one description per parameter, and the
// example calls the row's function on one line.
#define QELRPT_CHECK_ROW(name, entry, result, params, worker, names, descriptions, summary, example, answer)     \
    static_assert(SameRest(#entry, "QELFormula_", #name, "QEL"),                                                 \
                  #name ": the entry point must be QELFormula_ and the name without QEL");                       \
    static_assert(std::is_same_v<decltype(&(worker)), WorkerFor<result params>::type>,                           \
                  #name ": the worker's type does not fit the row's signature");                                 \
    static_assert(QELRPT_COUNT names == SignatureParts<result params>::arity, #name ": one name per parameter"); \
    static_assert(CountChar(descriptions, ',') + 1 == SignatureParts<result params>::arity,                      \
                  #name ": one description per parameter");                                                      \
    static_assert(CallsFunction(example, #name), #name ": the example must call " #name);                        \
    static_assert(PlainText(example) && PlainText(answer) && PlainText(summary),                                 \
                  #name ": the summary, the example and the answer are one line of printable ASCII each");
QELRPT_FUNCTION_TABLE(QELRPT_CHECK_ROW)
#undef QELRPT_CHECK_ROW

// The names, in the table's order, and their number.
#define QELRPT_ROW_NAME(name, ...) #name,
inline constexpr const char *FunctionNames[] = {QELRPT_FUNCTION_TABLE(QELRPT_ROW_NAME)};
#undef QELRPT_ROW_NAME
inline constexpr std::size_t FunctionCount = std::size(FunctionNames);

}  // namespace qelrpt

#endif
