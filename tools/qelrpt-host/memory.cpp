#include "memory.h"

#include <algorithm>
#include <new>

namespace qhost {

void GrowStream(std::vector<char> &buffer, std::size_t needed, std::size_t most) {
    if (buffer.capacity() == 0) {
        try {
            buffer.reserve(most);
        } catch (const std::bad_alloc &) {  // NOLINT(bugprone-empty-catch): the buffer doubles instead
        }
    }
    const std::size_t size = std::min(std::max(needed, buffer.capacity() >= most ? needed : buffer.size() * 2), most);
    // resize() alone may give twice the room it needs, past `most`.
    if (size > buffer.capacity()) buffer.reserve(size);
    buffer.resize(size);
}

}  // namespace qhost
