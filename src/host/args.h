// Argument access and result writing on the host's call block.
//
// The host owns the block, its argument nodes and its result buffer; all of
// them are valid only during one call, and nothing here keeps a pointer
// into them.  These helpers are the only code that reads or writes the
// host's records, so that each formula entry point reads like its
// definition.
#ifndef QELRPT_HOST_ARGS_H
#define QELRPT_HOST_ARGS_H

#include <cstddef>

#include "qelrpt.h"

namespace qelrpt {

// Argument `n` of the call, counting from 1, or null when the list holds
// fewer than `n` arguments.  Nodes after argument `n` are never visited.
const UFArgNode *NthArgument(const UFCallBlock *block, unsigned n);

// The text of String argument `n`, or null when the argument is missing.
// A node that is present but carries a null string pointer counts as
// missing: the host's data never gets to crash the library.
const char *StringArgument(const UFCallBlock *block, unsigned n);

// Stores Number argument `n` in `*value` and answers true, or answers
// false when the argument is missing.  The value is as the host passes
// it, 100 times the formula value.
bool NumberArgument(const UFCallBlock *block, unsigned n, double *value);

// Copies `text` (of `len` characters, NUL excluded) with its NUL into the
// host's result buffer.  A null buffer pointer is left alone.
void WriteStringResult(UFCallBlock *block, const char *text, std::size_t len);

// Writes the empty text, the result of a String function whose argument
// is missing.
void WriteEmptyResult(UFCallBlock *block);

// Stores a Boolean result, 1 or 0, in the 16-bit form of the result slot.
void WriteBooleanResult(UFCallBlock *block, bool value);

}  // namespace qelrpt

#endif
