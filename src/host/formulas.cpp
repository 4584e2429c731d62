// Formula entry points.
//
// Each entry point fetches its arguments from the host's call block, runs
// its worker from src/functions on plain strings or doubles, writes the
// result back and returns error number 0.  A missing argument is answered
// with the function's default result (the empty text or false), never with
// an error.
#include "args.h"
#include "functions/number.h"
#include "functions/tagname.h"
#include "functions/wildcard.h"
#include "qelrpt.h"

using namespace qelrpt;

namespace {

// Runs a one-name worker on String argument 1 and writes its text.
UFError AnswerFromName(UFCallBlock *block, std::size_t (*worker)(const char *name, char *out)) {
    const char *name = StringArgument(block, 1);
    if (name == nullptr) {
        WriteEmptyResult(block);
        return 0;
    }
    char text[TextBufferSize];
    WriteStringResult(block, text, worker(name, text));
    return 0;
}

// Answers whether Number argument 1, read as a flag word, has `mask` set;
// a missing argument gives false.
UFError AnswerFlagBit(UFCallBlock *block, std::uint32_t mask) {
    double flags = 0;
    const bool present = NumberArgument(block, 1, &flags);
    WriteBooleanResult(block, present && TestFlagBit(FlagWord(flags * NumberScale), mask) != 0);
    return 0;
}

}  // namespace

extern "C" {

// QELIndentTagHier(previous tag name, tag name): the tag name alone decides
// whether there is a result; a missing previous name reads as the empty one.
QELRPT_API UFError QELRPT_CALL QELFormula_IndentTagHier(UFCallBlock *block) {
    const char *current = StringArgument(block, 2);
    if (current == nullptr) {
        WriteEmptyResult(block);
        return 0;
    }
    const char *previous = StringArgument(block, 1);
    char text[TextBufferSize];
    const std::size_t len = BuildHierarchyLines(previous != nullptr ? previous : "", current, text);
    WriteStringResult(block, text, len);
    return 0;
}

// QELIndentTagName(tag name)
QELRPT_API UFError QELRPT_CALL QELFormula_IndentTagName(UFCallBlock *block) {
    return AnswerFromName(block, IndentLeafName);
}

// QELRemoveTagName(tag name)
QELRPT_API UFError QELRPT_CALL QELFormula_RemoveTagName(UFCallBlock *block) {
    return AnswerFromName(block, StripLeafName);
}

// QELNumberFootPrint(value)
QELRPT_API UFError QELRPT_CALL QELFormula_NumberFootPrint(UFCallBlock *block) {
    double value = 0;
    if (!NumberArgument(block, 1, &value)) {
        WriteEmptyResult(block);
        return 0;
    }
    char text[FootprintBufferSize];
    WriteStringResult(block, text, FormatFootprint(value * NumberScale, text));
    return 0;
}

// QELAlarmFlagSet(flags)
QELRPT_API UFError QELRPT_CALL QELFormula_AlarmFlagSet(UFCallBlock *block) {
    return AnswerFlagBit(block, AlarmFlagMask);
}

// QELLogFlagSet(flags)
QELRPT_API UFError QELRPT_CALL QELFormula_LogFlagSet(UFCallBlock *block) { return AnswerFlagBit(block, LogFlagMask); }

// QELPatternMatch(candidate string, pattern string): false when either is
// missing.
QELRPT_API UFError QELRPT_CALL QELFormula_PatternMatch(UFCallBlock *block) {
    const char *candidate = StringArgument(block, 1);
    const char *pattern = StringArgument(block, 2);
    WriteBooleanResult(block, candidate != nullptr && pattern != nullptr && WildcardMatch(candidate, pattern) != 0);
    return 0;
}

}  // extern "C"
