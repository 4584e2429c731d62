// Wildcard pattern match: a pure function on two NUL-terminated texts.
#ifndef QELRPT_FUNCTIONS_WILDCARD_H
#define QELRPT_FUNCTIONS_WILDCARD_H

namespace qelrpt {

// 1 when the whole of `candidate` matches the whole of `pattern`, else 0.
// In the pattern "*" stands for any run of characters (none included) and
// "%" for exactly one character; every other byte matches only itself
// (case matters, and there is no escape).
//   ("abc", "a%c") -> 1   ("abcbc", "*bc") -> 1   ("ab", "*%%%") -> 0
// Time linear in len(candidate) + len(pattern) for literal segments, and
// at most len(candidate) x ceil(len(segment) / 64) per segment holding a
// "%" (runs of "%" at either end of a segment included); no recursion, no
// allocation, a stack frame of under 3 KB.
int WildcardMatch(const char *candidate, const char *pattern);

}  // namespace qelrpt

#endif
