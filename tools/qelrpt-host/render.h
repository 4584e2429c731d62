// The tag listing written out, as text or as an HTML page, or as records
// for other programs (CSV, JSON: records.cpp), from what the library gave
// for each listed tag.
#ifndef QELRPT_HOST_RENDER_H
#define QELRPT_HOST_RENDER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/output.h"
#include "report.h"

namespace qhost {

// The marker of a row whose text the library may have cut short.
constexpr const char *CutMarker = "[cut]";

void RenderText(qtool::Output &output, const Listing &listing);
void RenderHtml(qtool::Output &output, const Listing &listing);
// Header row "name,value,flags,alarm,log,depth,parent,headers_text,
// leaf_text,value_text,cut", then one record per listed tag: its texts
// quoted (a text a spreadsheet would run as a formula after an apostrophe,
// unless listing.csvRaw), the value as read, the flags as a whole number,
// alarm, log and cut as true or false; a blank value or blank flags leave
// their cells empty.
void RenderCsv(qtool::Output &output, const Listing &listing);
// An array of objects with the same keys, one per listed tag and line: the
// value a number, the flags a whole number, null where blank.
void RenderJson(qtool::Output &output, const Listing &listing);
// The same objects as JSON Lines: one a line, no array around them.
void RenderJsonLines(qtool::Output &output, const Listing &listing);

// The facts the page's header lists (term, text: "Source", the file), and
// the line under the listing, for the other renderers (pdf.h).
std::vector<std::pair<std::string, std::string>> PageFacts(const Listing &listing);
std::string SummaryLine(const Listing &listing);

// The blanks that indent a level header or a leaf of the listing.
std::size_t LeadingBlanks(std::string_view text);

// The level headers open above a line of the listing, as the indentation
// tells: a header opens its level and closes every level at or below its
// own; a row's leaf closes the levels at or below its depth, which belong
// to an earlier, deeper row.  The texts are views of the listing's headers,
// without their blanks.
struct OpenLevels {
    std::vector<std::pair<std::size_t, std::string_view>> levels;  // indentation, header

    void Close(std::size_t blanks);
    void Enter(std::string_view header);
};

}  // namespace qhost

#endif
