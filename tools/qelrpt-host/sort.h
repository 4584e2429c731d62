// Sorting tag names byte for byte.
#ifndef QELRPT_HOST_SORT_H
#define QELRPT_HOST_SORT_H

#include <cstdint>
#include <string_view>
#include <vector>

namespace qhost {

// The positions of `names` in the order of their bytes (compared as
// unsigned, a name before every longer name it begins), equal names in
// their original order: the order std::stable_sort gives, found faster
// for the many names of a listing that share long prefixes.  At most
// 2^32 - 1 names.
std::vector<std::uint32_t> SortedOrder(const std::vector<std::string_view> &names);

}  // namespace qhost

#endif
