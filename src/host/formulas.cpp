// Formula entry points.
//
// Each entry point fetches its arguments from the host's call block, runs
// its worker from src/functions on plain strings or doubles, writes the
// result back and returns error number 0.  A missing argument is answered
// with the function's default result (the empty text or false), never with
// an error.
#include "args.h"
#include "functions/tagname.h"
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

}  // extern "C"
