// The matcher compiled a second time with its portable block primitive
// (the plain loop that builds without SSE2 use), under the namespace
// qelrpt_portable, so that every test run checks it too.
// NOLINTBEGIN
#define QELRPT_PORTABLE_BLOCKS 1
#define qelrpt qelrpt_portable
#include "functions/wildcard.cpp"
#undef qelrpt
// NOLINTEND
