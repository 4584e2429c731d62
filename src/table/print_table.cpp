// Prints the function table as a CMake script, for the build's generators
// (cmake/table.cmake): the build compiles this file with the build
// machine's compiler when it configures, runs it, and includes what it
// printed.  So the texts the build writes from the table (the public
// header's prototypes, the export lists, the PostgreSQL install script, the
// package texts, the tests' expected lists) come from the rows as the
// compiler reads them, not from a second reading of this table's syntax.
//
// For each row, in the table's order, QELRPT_FUNCTIONS lists the name, and
// QELRPT_<name>_<FIELD> holds a field:
//   ENTRY, RESULT, PARAMETERS ("String, String"), NAMES ("previous, name"),
//   DESCRIPTIONS, SUMMARY, EXAMPLE, ANSWER, and the engine's texts
//   DEFINITION, TEMPLATE and EXAMPLE_TEXT (whose first character is a tab).
#include <cstdio>

#include "function_table.h"

namespace {

// Writes `text` as a quoted CMake argument.
void Quoted(const char *text) {
    std::putchar('"');
    for (; *text != '\0'; ++text) {
        if (*text == '\\' || *text == '"' || *text == '$') std::putchar('\\');
        if (*text == '\t') {
            std::fputs("\\t", stdout);
            continue;
        }
        std::putchar(*text);
    }
    std::putchar('"');
}

void Field(const char *name, const char *field, const char *value) {
    std::printf("set(QELRPT_%s_%s ", name, field);
    Quoted(value);
    std::puts(")");
}

}  // namespace

int main() {
    std::fputs("# Written by src/table/print_table.cpp from src/table/function_table.h.\nset(QELRPT_FUNCTIONS", stdout);
    for (const char *name : qelrpt::FunctionNames) std::printf(" %s", name);
    std::puts(")");
#define QELRPT_PRINT_ROW(name, entry, result, params, worker, names, descriptions, summary, example, answer) \
    Field(#name, "ENTRY", #entry);                                                                           \
    Field(#name, "RESULT", #result);                                                                         \
    Field(#name, "PARAMETERS", QELRPT_SPELL params);                                                         \
    Field(#name, "NAMES", QELRPT_SPELL names);                                                               \
    Field(#name, "DESCRIPTIONS", descriptions);                                                              \
    Field(#name, "SUMMARY", summary);                                                                        \
    Field(#name, "EXAMPLE", example);                                                                        \
    Field(#name, "ANSWER", answer);                                                                          \
    Field(#name, "DEFINITION", QELRPT_DEFINITION_TEXT(name, result, params));                                \
    Field(#name, "TEMPLATE", QELRPT_TEMPLATE_TEXT(name, params));                                            \
    Field(#name, "EXAMPLE_TEXT", QELRPT_EXAMPLE_TEXT(name, descriptions));
    QELRPT_FUNCTION_TABLE(QELRPT_PRINT_ROW)
#undef QELRPT_PRINT_ROW
    return std::fflush(stdout) == 0 ? 0 : 1;
}
