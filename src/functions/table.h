// The seven formula functions, one row each, in the order in which the
// report engine lists them.  Everything the engine learns about a function
// is written here once:
//
//   X(result, Name, parameter types, template holes, parameter descriptions, answer)
//
// From a row the library builds, at compile time:
//   - the definition text   result " QEL" Name "( " parameter types " )"
//                           "String QELIndentTagHier( String, String )"
//   - the template text     "QEL" Name " ( " template holes ")"
//                           "QELIndentTagHier ( !, )"   ("! " for one parameter)
//   - the example text      "\tQEL" Name " ( " parameter descriptions " )"
//                           "\tQELIndentTagHier ( previous tag name, tag name )"
//   - the exported entry point QELFormula_Name, whose body is `answer`: one
//     of the adapters of src/host/formulas.cpp, which fetches the arguments
//     from the call block, runs the worker named in it on plain strings or
//     doubles, and writes the result back.
//
// The build also reads this table (cmake/exports.cmake) to export the entry
// points, so a row must keep this shape: X( at the start of its line, the
// name second.
#ifndef QELRPT_FUNCTIONS_TABLE_H
#define QELRPT_FUNCTIONS_TABLE_H

// clang-format off
#define QELRPT_FUNCTION_TABLE(X)                                                                         \
    X(String,  IndentTagHier,   "String, String", "!, ", "previous tag name, tag name",                  \
      AnswerHierarchy<BuildHierarchyLines>)                                                              \
    X(String,  IndentTagName,   "String",         "! ",  "tag name",         AnswerName<IndentLeafName>) \
    X(String,  RemoveTagName,   "String",         "! ",  "tag name",         AnswerName<StripLeafName>)  \
    X(String,  NumberFootPrint, "Number",         "! ",  "value",            AnswerFootprint)            \
    X(Boolean, AlarmFlagSet,    "Number",         "! ",  "flags",            AnswerFlagBit<AlarmFlagMask>) \
    X(Boolean, LogFlagSet,      "Number",         "! ",  "flags",            AnswerFlagBit<LogFlagMask>) \
    X(Boolean, PatternMatch,    "String, String", "!, ", "candidate string, pattern string",             \
      AnswerMatch<WildcardMatch>)
// clang-format on

#endif
