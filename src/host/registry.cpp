// The host interface's library entry points, what a host (the report
// engine, qelrpt-host, the tests) calls to learn the formula functions.
//
// The definition, template and example tables are built from the function
// table (table/function_table.h), so they list the functions in the same order;
// a formula editor shows the three texts of a function side by side, and
// the definition row carries the address of its entry point.  All of it is
// constant data that lives as long as the library is loaded.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "qelrpt.h"
#include "table/function_table.h"

namespace {

constexpr std::uint16_t TableHeaderSize = 6;
constexpr std::uint16_t InterfaceVersion = 0x0100;

// The three tables, each row built from one row of the function table.
#define QELRPT_DEFINITION_ROW(name, entry, result, params, ...) \
    {QELRPT_DEFINITION_TEXT(name, result, params), entry, 0},
#define QELRPT_TEMPLATE_ROW(name, entry, result, params, ...) QELRPT_TEMPLATE_TEXT(name, params),
#define QELRPT_EXAMPLE_ROW(name, entry, result, params, worker, names, descriptions, ...) \
    QELRPT_EXAMPLE_TEXT(name, descriptions),

const UFFunctionRow FunctionDefinitions[] = {
    QELRPT_FUNCTION_TABLE(QELRPT_DEFINITION_ROW){nullptr, nullptr, 0},
};
const char *const FunctionTemplates[] = {QELRPT_FUNCTION_TABLE(QELRPT_TEMPLATE_ROW) nullptr};
const char *const FunctionExamples[] = {QELRPT_FUNCTION_TABLE(QELRPT_EXAMPLE_ROW) nullptr};

#undef QELRPT_DEFINITION_ROW
#undef QELRPT_TEMPLATE_ROW
#undef QELRPT_EXAMPLE_ROW

const UFTableHeader DefinitionTable = {TableHeaderSize, FunctionDefinitions};
const UFTableHeader TemplateTable = {TableHeaderSize, FunctionTemplates};
const UFTableHeader ExampleTable = {TableHeaderSize, FunctionExamples};

// Error texts by error number.  The library never reports an error, so 0
// is the only number with a text of its own.
const char *const ErrorTextTable[] = {"no error"};
const char UnknownErrorText[] = "unknown error";

}  // namespace

extern "C" {

QELRPT_API std::int32_t QELRPT_CALL UFInitialize(void) { return 0; }

// UFTerminate shares UFInitialize's body: the module-definition file maps
// it there on Windows, an alias does elsewhere.
#ifndef _WIN32
QELRPT_API std::int32_t QELRPT_CALL UFTerminate(void) __attribute__((alias("UFInitialize")));
#endif

QELRPT_API std::uint16_t QELRPT_CALL UFGetVersion(void) { return InterfaceVersion; }

QELRPT_API const UFTableHeader *QELRPT_CALL UFGetFunctionDefStrings(void) { return &DefinitionTable; }

QELRPT_API const UFTableHeader *QELRPT_CALL UFGetFunctionTemplates(void) { return &TemplateTable; }

QELRPT_API const UFTableHeader *QELRPT_CALL UFGetFunctionExamples(void) { return &ExampleTable; }

// The host's record holds the error number as 16 bits at offset 2.  A
// number without a text, or no record at all, gets a fixed text instead of
// a read past the table.
QELRPT_API const char *QELRPT_CALL UFErrorRecovery(const void *record, std::uint32_t /*unused*/) {
    if (record == nullptr) return UnknownErrorText;
    const auto *bytes = static_cast<const unsigned char *>(record);
    const auto number = static_cast<std::size_t>(bytes[2] | (bytes[3] << 8));
    return number < std::size(ErrorTextTable) ? ErrorTextTable[number] : UnknownErrorText;
}

QELRPT_API void QELRPT_CALL UFStartJob(std::uint32_t /*job*/) {}

// UFEndJob shares UFStartJob's body, as UFTerminate shares UFInitialize's.
#ifndef _WIN32
QELRPT_API void QELRPT_CALL UFEndJob(std::uint32_t job) __attribute__((alias("UFStartJob")));
#endif

}  // extern "C"
