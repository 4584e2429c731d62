// Tag-name hierarchy functions.
//
//   QELIndentTagHier(previous tag name, tag name)
//       the level headers that the tag name opens below the previous one
//   QELIndentTagName(tag name)    the leaf, indented by its depth
//   QELRemoveTagName(tag name)    the name without its leaf
//
// All three walk a name with the same segment scan: the characters up to
// the next separator form a segment, the separator ends it, and the scan
// goes on after it.  The text after the last separator is the leaf and is
// never handled as a segment; a name without separators is all leaf.
#include "tagname.h"

#include <cstring>

namespace qelrpt {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '.'; }

// Length of the segment at `s`: the characters before the next separator
// or, when none is left, before the end of the text.
std::size_t SegmentLength(const char *s) { return std::strcspn(s, SeparatorSet); }

void AppendIndent(TextOut &t, std::size_t depth) {
    for (std::size_t i = 0; i < depth && !TextFull(t); ++i) AppendBytes(t, IndentUnit, sizeof IndentUnit - 1);
}

}  // namespace

std::size_t IndentLeafName(const char *name, char *out) {
    TextOut t{out, 0};
    bool sawDot = false;
    const char *s = name;
    for (;;) {
        const std::size_t n = SegmentLength(s);
        if (s[n] == '\0') break;
        sawDot = sawDot || s[n] == '.';
        AppendBytes(t, IndentUnit, sizeof IndentUnit - 1);
        s += n + 1;
    }
    if (sawDot) AppendChar(t, '.');
    AppendBytes(t, s, std::strlen(s));
    return FinishText(t);
}

std::size_t StripLeafName(const char *name, char *out) {
    TextOut t{out, 0};
    const char *leaf = name;
    for (;;) {
        const std::size_t n = SegmentLength(leaf);
        if (leaf[n] == '\0') break;
        leaf += n + 1;
    }
    // The leaf starts just after the last separator; without one it starts
    // at the beginning and nothing is left.
    if (leaf != name) AppendBytes(t, name, static_cast<std::size_t>(leaf - name) - 1);
    return FinishText(t);
}

std::size_t BuildHierarchyLines(const char *previous, const char *current, char *out) {
    TextOut t{out, 0};

    // Common prefix of the two names.
    std::size_t p = 0;
    while (previous[p] != '\0' && previous[p] == current[p]) ++p;
    if (previous[p] == '\0' && current[p] == '\0') return FinishText(t);

    // Split point: new levels begin after index `split`.  A dot in the
    // current name that meets a blank or the end of the previous name is
    // itself the split; otherwise it is the last separator of the common
    // prefix, or "before the start" when the prefix holds none.
    std::ptrdiff_t split = -1;
    if (current[p] == '.' && (previous[p] == ' ' || previous[p] == '\0')) {
        split = static_cast<std::ptrdiff_t>(p);
    } else {
        for (std::size_t i = p; i-- > 0;) {
            if (IsSeparator(current[i])) {
                split = static_cast<std::ptrdiff_t>(i);
                break;
            }
        }
    }

    // Depth of the first new level: the levels before the split, counted
    // only when the split is not at the very start of the name.
    std::size_t depth = 0;
    if (split > 0) {
        for (std::ptrdiff_t i = 0; i < split; ++i) depth += IsSeparator(current[i]) ? 1U : 0U;
        depth += 1;
    }

    // One line per remaining segment; the leaf is never written.
    const char *s = current + split + 1;
    for (;;) {
        const std::size_t n = SegmentLength(s);
        if (s[n] == '\0' || TextFull(t)) break;
        if (t.len > 0) AppendChar(t, '\n');
        AppendIndent(t, depth);
        if (s[n] == '.') AppendChar(t, '.');
        AppendBytes(t, s, n);
        ++depth;
        s += n + 1;
    }
    return FinishText(t);
}

}  // namespace qelrpt
