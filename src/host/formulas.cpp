// The host interface's formula entry points: what a host (the report
// engine, qelrpt-host, the tests) calls to evaluate a formula function.
//
// Each entry point is one row of the function table
// (table/function_table.h): QELFormula_Name runs the adapter that the row's
// signature chooses over the row's worker.  The adapter fetches the
// arguments from the host's call block, runs the worker from src/functions
// on plain strings or doubles, writes the result back and returns error
// number 0.  A missing argument is answered with the function's default
// result (the empty text or false), never with an error.
//
// The workers are template arguments, so each entry point compiles into one
// straight function with its worker called directly.
#include "args.h"
#include "qelrpt.h"
#include "table/function_table.h"

namespace qelrpt {
namespace {

// The adapter of signature S over `worker`; a signature without one does
// not compile.
template <class S, typename WorkerFor<S>::type worker>
struct HostAdapter;

// String(String): the worker's text for argument 1.
template <typename WorkerFor<String(String)>::type worker>
struct HostAdapter<String(String), worker> {
    static UFError Answer(UFCallBlock *block) {
        const char *name = StringArgument(block, 1);
        if (name == nullptr) {
            WriteEmptyResult(block);
            return 0;
        }
        char text[TextBufferSize];
        WriteStringResult(block, text, worker(name, text));
        return 0;
    }
};

// String(String, String), previous name and name: the name alone decides
// whether there is a result; a missing previous name reads as the empty one.
template <typename WorkerFor<String(String, String)>::type worker>
struct HostAdapter<String(String, String), worker> {
    static UFError Answer(UFCallBlock *block) {
        const auto [previous, current] = FirstTwoStringArguments(block);
        if (current == nullptr) {
            WriteEmptyResult(block);
            return 0;
        }
        char text[TextBufferSize];
        WriteStringResult(block, text, worker(previous != nullptr ? previous : "", current, text));
        return 0;
    }
};

// String(Number): the worker's text for the formula value.
template <typename WorkerFor<String(Number)>::type worker>
struct HostAdapter<String(Number), worker> {
    static UFError Answer(UFCallBlock *block) {
        double value = 0;
        if (!NumberArgument(block, 1, &value)) {
            WriteEmptyResult(block);
            return 0;
        }
        char text[FootprintBufferSize];
        WriteStringResult(block, text, worker(value * NumberScale, text));
        return 0;
    }
};

// Boolean(Number): the worker's answer for the formula value; false when
// the argument is missing.
template <typename WorkerFor<Boolean(Number)>::type worker>
struct HostAdapter<Boolean(Number), worker> {
    static UFError Answer(UFCallBlock *block) {
        double value = 0;
        const bool present = NumberArgument(block, 1, &value);
        WriteBooleanResult(block, present && worker(value * NumberScale) != 0);
        return 0;
    }
};

// Boolean(String, String): the worker's answer; false when either argument
// is missing.
template <typename WorkerFor<Boolean(String, String)>::type worker>
struct HostAdapter<Boolean(String, String), worker> {
    static UFError Answer(UFCallBlock *block) {
        const auto [first, second] = FirstTwoStringArguments(block);
        WriteBooleanResult(block, first != nullptr && second != nullptr && worker(first, second) != 0);
        return 0;
    }
};

}  // namespace
}  // namespace qelrpt

extern "C" {

#define QELRPT_ENTRY_POINT(name, entry, result, params, worker, ...) \
    QELRPT_API UFError QELRPT_CALL entry(UFCallBlock *block) {       \
        using namespace qelrpt;                                      \
        return HostAdapter<result params, worker>::Answer(block);    \
    }
QELRPT_FUNCTION_TABLE(QELRPT_ENTRY_POINT)
#undef QELRPT_ENTRY_POINT

}  // extern "C"
