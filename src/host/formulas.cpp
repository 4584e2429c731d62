// Formula entry points.
//
// Each entry point is one row of the function table (functions/table.h):
// QELFormula_Name runs the row's answer, an adapter below that fetches the
// arguments from the host's call block, runs its worker from src/functions
// on plain strings or doubles, writes the result back and returns error
// number 0.  A missing argument is answered with the function's default
// result (the empty text or false), never with an error.
//
// The workers are template arguments, so each entry point compiles into one
// straight function with its worker called directly.
#include "args.h"
#include "functions/number.h"
#include "functions/table.h"
#include "functions/tagname.h"
#include "functions/wildcard.h"
#include "qelrpt.h"

using namespace qelrpt;

namespace {

using NameWorker = std::size_t (*)(const char *name, char *out);
using PairWorker = std::size_t (*)(const char *previous, const char *current, char *out);
using MatchWorker = int (*)(const char *candidate, const char *pattern);

// String(String): the worker's text for argument 1.
template <NameWorker worker>
UFError AnswerName(UFCallBlock *block) {
    const char *name = StringArgument(block, 1);
    if (name == nullptr) {
        WriteEmptyResult(block);
        return 0;
    }
    char text[TextBufferSize];
    WriteStringResult(block, text, worker(name, text));
    return 0;
}

// String(String, String), previous name and name: the name alone decides
// whether there is a result; a missing previous name reads as the empty one.
template <PairWorker worker>
UFError AnswerHierarchy(UFCallBlock *block) {
    const char *current = StringArgument(block, 2);
    if (current == nullptr) {
        WriteEmptyResult(block);
        return 0;
    }
    const char *previous = StringArgument(block, 1);
    char text[TextBufferSize];
    WriteStringResult(block, text, worker(previous != nullptr ? previous : "", current, text));
    return 0;
}

// String(Number): the footprint of the formula value.
UFError AnswerFootprint(UFCallBlock *block) {
    double value = 0;
    if (!NumberArgument(block, 1, &value)) {
        WriteEmptyResult(block);
        return 0;
    }
    char text[FootprintBufferSize];
    WriteStringResult(block, text, FormatFootprint(value * NumberScale, text));
    return 0;
}

// Boolean(Number): whether the flag word has `mask` set; false when the
// argument is missing.
template <std::uint32_t mask>
UFError AnswerFlagBit(UFCallBlock *block) {
    double flags = 0;
    const bool present = NumberArgument(block, 1, &flags);
    WriteBooleanResult(block, present && TestFlagBit(FlagWord(flags * NumberScale), mask) != 0);
    return 0;
}

// Boolean(String, String): the worker's answer; false when either argument
// is missing.
template <MatchWorker worker>
UFError AnswerMatch(UFCallBlock *block) {
    const char *candidate = StringArgument(block, 1);
    const char *pattern = StringArgument(block, 2);
    WriteBooleanResult(block, candidate != nullptr && pattern != nullptr && worker(candidate, pattern) != 0);
    return 0;
}

}  // namespace

extern "C" {

#define QELRPT_ENTRY_POINT(result, name, types, holes, descriptions, answer) \
    QELRPT_API UFError QELRPT_CALL QELFormula_##name(UFCallBlock *block) { return answer(block); }
QELRPT_FUNCTION_TABLE(QELRPT_ENTRY_POINT)
#undef QELRPT_ENTRY_POINT

}  // extern "C"
