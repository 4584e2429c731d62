// Long texts for the tests: a unit written n times over.
#ifndef QELRPT_TESTS_REPEAT_H
#define QELRPT_TESTS_REPEAT_H

#include <cstddef>
#include <string>

namespace support {

inline std::string Repeat(const std::string &unit, std::size_t n) {
    std::string s;
    s.reserve(unit.size() * n);
    for (std::size_t i = 0; i < n; ++i) s += unit;
    return s;
}

}  // namespace support

#endif
