// The tag listing as a PDF document, drawn with Cairo and laid out with
// Pango: the page's header, columns, markers and level headers, on A4 or
// Letter paper, with the column headings on every page and the pages
// numbered.  The pages are drawn and written one at a time, so memory does
// not grow with the listing.  Builds without Cairo (QELRPT_PDF undefined)
// refuse PDF with one sentence.
#ifndef QELRPT_HOST_PDF_H
#define QELRPT_HOST_PDF_H

#include "common/output.h"
#include "report.h"

namespace qhost {

// Throws HostError, saying why, when this build cannot write PDF.
void RequirePdf();

// Writes the listing as PDF to `output`.  Throws HostError when Cairo
// fails, and what `output` throws when the document cannot be written.
void RenderPdf(qtool::Output &output, const Listing &listing, Paper paper);

}  // namespace qhost

#endif
