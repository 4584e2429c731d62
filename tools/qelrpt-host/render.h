// The tag listing written out, as text or as an HTML page, from what the
// library gave for each listed tag.
#ifndef QELRPT_HOST_RENDER_H
#define QELRPT_HOST_RENDER_H

#include "common/output.h"
#include "report.h"

namespace qhost {

// The marker of a row whose text the library may have cut short.
constexpr const char *CutMarker = "[cut]";

void RenderText(qtool::Output &output, const Listing &listing);
void RenderHtml(qtool::Output &output, const Listing &listing);

}  // namespace qhost

#endif
