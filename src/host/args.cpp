// Argument access and result writing on the host's call block.
#include "args.h"

#include <cstring>

namespace qelrpt {

const UFArgNode *NthArgument(const UFCallBlock *block, unsigned n) {
    if (block == nullptr || n == 0) return nullptr;
    const UFArgNode *node = block->firstArg;
    while (node != nullptr && --n > 0) node = node->next;
    return node;
}

const char *StringArgument(const UFCallBlock *block, unsigned n) {
    const UFArgNode *node = NthArgument(block, n);
    return node != nullptr ? node->value.string : nullptr;
}

bool NumberArgument(const UFCallBlock *block, unsigned n, double *value) {
    const UFArgNode *node = NthArgument(block, n);
    if (node == nullptr) return false;
    std::memcpy(value, reinterpret_cast<const unsigned char *>(node) + offsetof(UFArgNode, value), sizeof *value);
    return true;
}

void WriteStringResult(UFCallBlock *block, const char *text, std::size_t len) {
    if (block == nullptr) return;
    char *buffer = block->result.string;
    if (buffer != nullptr) std::memcpy(buffer, text, len + 1);
}

void WriteEmptyResult(UFCallBlock *block) { WriteStringResult(block, "", 0); }

void WriteBooleanResult(UFCallBlock *block, bool value) {
    if (block != nullptr) block->result.boolean = value ? 1U : 0U;
}

}  // namespace qelrpt
