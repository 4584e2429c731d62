// The tag-name workers compiled a second time with their portable block
// primitives (the plain loops that builds without SSE2 use), under the
// namespace qelrpt_portable, so that every test run checks them too.
// NOLINTBEGIN
#define QELRPT_PORTABLE_BLOCKS 1
#define qelrpt qelrpt_portable
#include "functions/tagname.cpp"
#undef qelrpt
// NOLINTEND
