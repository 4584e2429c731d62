// The tag-name workers as the tests call them: the library's own, and the
// same source compiled with its portable block primitives
// (tests/unit/tagname_portable.cpp).
#ifndef QELRPT_TESTS_TAGNAME_WORKERS_H
#define QELRPT_TESTS_TAGNAME_WORKERS_H

#include <cstddef>

#include "functions/tagname.h"

namespace qelrpt_portable {
std::size_t IndentLeafName(const char *name, char *out);
std::size_t StripLeafName(const char *name, char *out);
std::size_t BuildHierarchyLines(const char *previous, const char *current, char *out);
}  // namespace qelrpt_portable

namespace workers {

struct TagNameWorkers {
    const char *what;
    std::size_t (*leaf)(const char *name, char *out);
    std::size_t (*strip)(const char *name, char *out);
    std::size_t (*hier)(const char *previous, const char *current, char *out);
};

inline constexpr TagNameWorkers kTagName[] = {
    {"block primitives of this build", qelrpt::IndentLeafName, qelrpt::StripLeafName, qelrpt::BuildHierarchyLines},
    {"portable block primitives", qelrpt_portable::IndentLeafName, qelrpt_portable::StripLeafName,
     qelrpt_portable::BuildHierarchyLines},
};

}  // namespace workers

#endif
