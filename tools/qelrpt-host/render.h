// The tag listing written out, as text or as an HTML page, from what the
// library gave for each listed tag.
#ifndef QELRPT_HOST_RENDER_H
#define QELRPT_HOST_RENDER_H

#include <cstddef>
#include <string>
#include <vector>

#include "output.h"

namespace qhost {

// What the library gave for one listed tag: three texts in the listing's
// arena (valid UTF-8 already) and the two flags.
struct Line {
    std::size_t headers, headersSize;
    std::size_t leaf, leafSize, leafWidth;  // the width in characters
    std::size_t value, valueSize;
    bool alarm, log;
    bool cut;  // a text reached the library's bound and may be cut short
};

struct Listing {
    std::string source;                // the CSV file's path
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
