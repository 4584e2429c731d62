// Tag-name hierarchy workers: pure functions on NUL-terminated names.
//
// A tag name is a sequence of levels joined by separators, a backslash or
// a dot; the text after the last separator is the leaf.  Each worker writes
// a NUL-terminated result of at most TextBufferSize - 1 characters into
// `out`, which must hold TextBufferSize bytes, and returns its length.
#ifndef QELRPT_FUNCTIONS_TAGNAME_H
#define QELRPT_FUNCTIONS_TAGNAME_H

#include <cstddef>

#include "textout.h"

namespace qelrpt {

// The level separators, and the indentation written per level of depth.
inline constexpr char SeparatorSet[] = "\\.";
inline constexpr char IndentUnit[] = "    ";

// The leaf of `name`, indented by one IndentUnit per separator, with a "."
// in front of it when the name holds a dot anywhere.
//   A\B\C -> "········C"   A.B\C -> "········.C"   Tag -> "Tag"
std::size_t IndentLeafName(const char *name, char *out);

// `name` without its leaf: everything before the last separator.
//   A\B.C -> "A\B"   Tag -> ""   A\ -> "A"
std::size_t StripLeafName(const char *name, char *out);

// The header lines for the levels of `current` that `previous` has not
// shown yet, one per line, each indented by its depth.
//   ("A\B\C", "A\E\F") -> "····E"   ("", "A\B\C") -> "A\n····B"
std::size_t BuildHierarchyLines(const char *previous, const char *current, char *out);

}  // namespace qelrpt

#endif
