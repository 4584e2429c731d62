// Loads the qelrpt plug-in at run time, as a report engine does, and shows
// what the tag-name functions give for a short listing, with blanks shown
// as '·' and line feeds as '↵'.
//
//   qelrpt-demo [path of the plug-in]
#include <cstdio>
#include <cstring>

#include "qelrpt.h"

#ifdef _WIN32
#include <windows.h>
#define DEFAULT_LIBRARY "qelrpt.dll"
#else
#include <dlfcn.h>
#define DEFAULT_LIBRARY "libqelrpt.so"
#endif

namespace {

void *Load(const char *path) {
#ifdef _WIN32
    return reinterpret_cast<void *>(LoadLibraryA(path));
#else
    return dlopen(path, RTLD_NOW);
#endif
}

UFFormulaFunction Resolve(void *library, const char *name) {
#ifdef _WIN32
    return reinterpret_cast<UFFormulaFunction>(
        reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library), name)));
#else
    return reinterpret_cast<UFFormulaFunction>(dlsym(library, name));
#endif
}

// Calls a String function with up to two String arguments.
void Call(UFFormulaFunction f, const char *a, const char *b, char *result) {
    UFArgNode nodes[2]{};
    UFCallBlock block{};
    nodes[0].value.string = a;
    nodes[1].value.string = b;
    if (b != nullptr) nodes[0].next = &nodes[1];
    block.firstArg = &nodes[0];
    block.result.string = result;
    result[0] = '\0';
    f(&block);
}

void Show(const char *label, const char *text) {
    std::printf("  %-18s", label);
    for (const char *c = text; *c != '\0'; ++c) {
        if (*c == ' ')
            std::fputs("\xC2\xB7", stdout);
        else if (*c == '\n')
            std::fputs("\xE2\x86\xB5", stdout);
        else
            std::putchar(*c);
    }
    std::putchar('\n');
}

}  // namespace

int main(int argc, char **argv) {
    const char *path = argc > 1 ? argv[1] : DEFAULT_LIBRARY;
    void *library = Load(path);
    if (library == nullptr) {
        std::fprintf(stderr, "qelrpt-demo: cannot load %s\n", path);
        return 2;
    }
    const UFFormulaFunction hier = Resolve(library, "QELFormula_IndentTagHier");
    const UFFormulaFunction leaf = Resolve(library, "QELFormula_IndentTagName");
    const UFFormulaFunction strip = Resolve(library, "QELFormula_RemoveTagName");
    if (hier == nullptr || leaf == nullptr || strip == nullptr) {
        std::fprintf(stderr, "qelrpt-demo: %s lacks the tag-name functions\n", path);
        return 2;
    }
    const char *tags[] = {"Plant1\\Area1\\Pump01.Speed", "Plant1\\Area1\\Pump01.Current", "Plant1\\Area1\\Pump02.Speed",
                          "Plant1\\Area2\\Tank\\Level",  "Plant2\\Boiler.Pressure",       "Site Clock"};
    const char *previous = "";
    char result[4096];
    for (const char *tag : tags) {
        std::printf("%s\n", tag);
        Call(hier, previous, tag, result);
        Show("QELIndentTagHier", result);
        Call(leaf, tag, nullptr, result);
        Show("QELIndentTagName", result);
        Call(strip, tag, nullptr, result);
        Show("QELRemoveTagName", result);
        previous = tag;
    }
    return 0;
}
