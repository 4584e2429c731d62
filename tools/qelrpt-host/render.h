// The tag listing written out, as text or as an HTML page, from what the
// library gave for each listed tag.
#ifndef QELRPT_HOST_RENDER_H
#define QELRPT_HOST_RENDER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output.h"

namespace qhost {

// What the library gave for one listed tag: three texts one after the
// other in the listing's arena (valid UTF-8 already), and the two flags.
struct Line {
    std::size_t at;  // where the headers start
    std::uint32_t headersSize, leafSize, valueSize;
    std::uint32_t leafWidth;  // in characters
    bool alarm, log;
    bool cut;  // a text reached the library's bound and may be cut short

    std::string_view Headers(const std::string &arena) const { return {arena.data() + at, headersSize}; }
    std::string_view Leaf(const std::string &arena) const { return {arena.data() + at + headersSize, leafSize}; }
    std::string_view Value(const std::string &arena) const {
        return {arena.data() + at + headersSize + leafSize, valueSize};
    }
};

struct Listing {
    std::string source;                 // the CSV file's path
    std::vector<std::string> patterns;  // --match; a tag is listed when any matches
    std::size_t tagsRead = 0;
    std::string arena;
    std::vector<Line> lines;
};

// The marker of a row whose text the library may have cut short.
constexpr const char *CutMarker = "[cut]";

void RenderText(Output &output, const Listing &listing);
void RenderHtml(Output &output, const Listing &listing);

}  // namespace qhost

#endif
