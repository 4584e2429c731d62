// Argument access and result writing on the host's call block, for the
// host interface's adapters (formulas.cpp): inline, so that each entry
// point compiles into one straight function.
//
// The host owns the block, its argument nodes and its result buffer; all of
// them are valid only during one call, and nothing here keeps a pointer
// into them.  These helpers are the only code that reads or writes the
// host's records, so that each formula entry point reads like its
// definition.
#ifndef QELRPT_HOST_ARGS_H
#define QELRPT_HOST_ARGS_H

#include <cstddef>
#include <cstring>

#include "qelrpt.h"

namespace qelrpt {

// Argument `n` of the call, counting from 1, or null when the list holds
// fewer than `n` arguments.  Nodes after argument `n` are never visited.
inline const UFArgNode *NthArgument(const UFCallBlock *block, unsigned n) {
    if (block == nullptr || n == 0) return nullptr;
    const UFArgNode *node = block->firstArg;
    while (node != nullptr && --n > 0) node = node->next;
    return node;
}

// The text of String argument `n`, or null when the argument is missing.
// A node that is present but carries a null string pointer counts as
// missing: the host's data never gets to crash the library.
inline const char *StringArgument(const UFCallBlock *block, unsigned n) {
    const UFArgNode *node = NthArgument(block, n);
    return node != nullptr ? node->value.string : nullptr;
}

// Stores Number argument `n` in `*value` and answers true, or answers
// false when the argument is missing.  The value is as the host passes
// it, 100 times the formula value.
inline bool NumberArgument(const UFCallBlock *block, unsigned n, double *value) {
    const UFArgNode *node = NthArgument(block, n);
    if (node == nullptr) return false;
    std::memcpy(value, reinterpret_cast<const unsigned char *>(node) + offsetof(UFArgNode, value), sizeof *value);
    return true;
}

// Copies `text` (of `len` characters, NUL excluded) with its NUL into the
// host's result buffer.  A null buffer pointer is left alone.
inline void WriteStringResult(UFCallBlock *block, const char *text, std::size_t len) {
    if (block == nullptr) return;
    char *buffer = block->result.string;
    if (buffer != nullptr) std::memcpy(buffer, text, len + 1);
}

// Writes the empty text, the result of a String function whose argument
// is missing.
inline void WriteEmptyResult(UFCallBlock *block) { WriteStringResult(block, "", 0); }

// Stores a Boolean result, 1 or 0, in the 16-bit form of the result slot.
inline void WriteBooleanResult(UFCallBlock *block, bool value) {
    if (block != nullptr) block->result.boolean = value ? 1U : 0U;
}

}  // namespace qelrpt

#endif
