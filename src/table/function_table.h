// The function table: the seven formula functions, one row each, in the
// order in which the engine lists them.  Every surface is built from these
// rows: the host interface (src/host/: the exports, the engine's three
// tables) and the SQL functions.  To add a function, follow
// docs/adding-a-function.md.
//
//   X(name, entry point, result, (parameters), template holes,
//     parameter descriptions, worker)
//
//   name        the name a formula author writes, QEL and the rest
//   entry point QELFormula_ and the same rest: the exported symbol
//   result      String or Boolean
//   parameters  String or Number each, in parentheses; with the result they
//               make the signature, a function type such as
//               String(String, String), which chooses each surface's
//               adapter (signatures.h)
//   holes       the template's text between the parentheses: "! " for one
//               parameter, "!, " for two (! is where the cursor goes)
//   descriptions the example's parameter names, comma-separated
//   worker      the pure function of src/functions/ that computes the
//               answer; its type must be the one the signature calls
//
// From a row the host interface builds, at compile time:
//   - the definition text "String QELIndentTagHier( String, String )"
//   - the template text   "QELIndentTagHier ( !, )"
//   - the example text    "\tQELIndentTagHier ( previous tag name, tag name )"
//   - the entry point     QELFormula_IndentTagHier, running the adapter of
//                         String(String, String) over BuildHierarchyLines.
//
// The build reads the entry points from this file (cmake/exports.cmake
// takes every line that starts, after blanks, with "X(QEL") to export
// them, and the plug-in fails to compile when it read another number of
// rows than the table has.
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
#define QELRPT_FUNCTION_TABLE(X)                                                                          \
    X(QELIndentTagHier,   QELFormula_IndentTagHier,   String,  (String, String), "!, ",                   \
      "previous tag name, tag name",      BuildHierarchyLines)                                            \
    X(QELIndentTagName,   QELFormula_IndentTagName,   String,  (String),         "! ",  "tag name",       \
      IndentLeafName)                                                                                     \
    X(QELRemoveTagName,   QELFormula_RemoveTagName,   String,  (String),         "! ",  "tag name",       \
      StripLeafName)                                                                                      \
    X(QELNumberFootPrint, QELFormula_NumberFootPrint, String,  (Number),         "! ",  "value",          \
      FormatFootprint)                                                                                    \
    X(QELAlarmFlagSet,    QELFormula_AlarmFlagSet,    Boolean, (Number),         "! ",  "flags",          \
      HasAlarmFlag)                                                                                       \
    X(QELLogFlagSet,      QELFormula_LogFlagSet,      Boolean, (Number),         "! ",  "flags",          \
      HasLogFlag)                                                                                         \
    X(QELPatternMatch,    QELFormula_PatternMatch,    Boolean, (String, String), "!, ",                   \
      "candidate string, pattern string", WildcardMatch)
// clang-format on

// The parameter list of a row as text: QELRPT_SPELL (String, String) gives
// "String, String".
#define QELRPT_SPELL(...) #__VA_ARGS__

// A row's three texts, as the engine's tables hold them.
#define QELRPT_DEFINITION_TEXT(name, result, params) #result " " #name "( " QELRPT_SPELL params " )"
#define QELRPT_TEMPLATE_TEXT(name, holes) #name " ( " holes ")"
#define QELRPT_EXAMPLE_TEXT(name, descriptions) "\t" #name " ( " descriptions " )"

namespace qelrpt {

// Checks one row: the names agree, the worker has the type its signature
// calls, and the template and the example have one entry per parameter.
#define QELRPT_CHECK_ROW(name, entry, result, params, holes, descriptions, worker)                                 \
    static_assert(SameRest(#entry, "QELFormula_", #name, "QEL"),                                                   \
                  #name ": the entry point must be QELFormula_ and the name without QEL");                         \
    static_assert(std::is_same_v<decltype(&(worker)), WorkerFor<result params>::type>,                             \
                  #name ": the worker's type does not fit the row's signature");                                   \
    static_assert(CountChar(holes, '!') == 1 && CountChar(holes, ',') + 1 == SignatureParts<result params>::arity, \
                  #name ": one template hole per parameter");                                                      \
    static_assert(CountChar(descriptions, ',') + 1 == SignatureParts<result params>::arity,                        \
                  #name ": one description per parameter");
QELRPT_FUNCTION_TABLE(QELRPT_CHECK_ROW)
#undef QELRPT_CHECK_ROW

// The names, in the table's order, and their number.
#define QELRPT_ROW_NAME(name, ...) #name,
inline constexpr const char *FunctionNames[] = {QELRPT_FUNCTION_TABLE(QELRPT_ROW_NAME)};
#undef QELRPT_ROW_NAME
inline constexpr std::size_t FunctionCount = std::size(FunctionNames);

}  // namespace qelrpt

#endif
