#include "pdf.h"

#include "host_errors.h"

#ifdef QELRPT_PDF

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "common/display.h"
#include "render.h"

#endif

namespace qhost {

#ifndef QELRPT_PDF

void RequirePdf() {
    throw HostError(
        "this qelrpt-host was built without Cairo and cannot write PDF; --format html writes a page to print "
        "instead");
}

void RenderPdf(qtool::Output & /*output*/, const Listing & /*listing*/, Paper /*paper*/) { RequirePdf(); }

#else

void RequirePdf() {}

namespace {

// Lengths in points (1/72 inch).
constexpr double Millimetre = 72.0 / 25.4;
constexpr double SideMargin = 15 * Millimetre, TopMargin = 15 * Millimetre, BottomMargin = 18 * Millimetre;
// The bar left of an alarm or log row's name, and the gap after it.
constexpr double BarWidth = 3.0, BarGap = 3.0;
// The footprint's width in characters, and what the markers after it take
// ("  alarm  log  [cut]").
constexpr int ValueChars = 10, MarkerChars = 19;

constexpr const char *TableFont = "Monospace 8";
constexpr const char *TextFont = "Sans 9";
constexpr const char *TitleFont = "Sans Bold 14";
constexpr const char *FootFont = "Sans 7";

// U+2068 first strong isolate and U+2069 pop directional isolate in UTF-8
// (as bytes: a string literal holding one alone would trouble editors and
// reviewers).
constexpr char FirstStrongIsolate[] = {'\xE2', '\x81', '\xA8'};
constexpr char PopDirectionalIsolate[] = {'\xE2', '\x81', '\xA9'};

// The paper's width and height.
std::pair<double, double> PaperSize(Paper paper) {
    return paper == Paper::Letter ? std::pair{612.0, 792.0} : std::pair{595.2756, 841.8898};
}

struct Colour {
    double red, green, blue;
};
constexpr Colour Black{0, 0, 0}, AlarmRed{0xB0 / 255.0, 0, 0x20 / 255.0},
    LogGrey{0x55 / 255.0, 0x55 / 255.0, 0x55 / 255.0};

struct SurfaceFree {
    void operator()(cairo_surface_t *surface) const { cairo_surface_destroy(surface); }
};
struct CairoFree {
    void operator()(cairo_t *cr) const { cairo_destroy(cr); }
};
struct ObjectFree {
    void operator()(void *object) const { g_object_unref(object); }
};
struct FontFree {
    void operator()(PangoFontDescription *font) const { pango_font_description_free(font); }
};
struct AttributesFree {
    void operator()(PangoAttrList *list) const { pango_attr_list_unref(list); }
};
using Attributes = std::unique_ptr<PangoAttrList, AttributesFree>;
using Surface = std::unique_ptr<cairo_surface_t, SurfaceFree>;
using Cairo = std::unique_ptr<cairo_t, CairoFree>;
using Layout = std::unique_ptr<PangoLayout, ObjectFree>;
using Font = std::unique_ptr<PangoFontDescription, FontFree>;

// Where Cairo's bytes go: the output, whose failure is kept and thrown
// once Cairo has returned (never through Cairo's C frames).
struct Sink {
    qtool::Output *output;
    std::exception_ptr failure;
};

cairo_status_t Write(void *closure, const unsigned char *data, unsigned int length) {
    Sink &sink = *static_cast<Sink *>(closure);
    if (sink.failure) return CAIRO_STATUS_WRITE_ERROR;
    try {
        const std::string_view bytes(reinterpret_cast<const char *>(data), length);  // NOLINT: bytes as chars
        sink.output->Text().append(bytes);
        sink.output->Spill();
    } catch (...) {
        sink.failure = std::current_exception();
        return CAIRO_STATUS_WRITE_ERROR;
    }
    return CAIRO_STATUS_SUCCESS;
}

// Printable ASCII only: the text is shown as it is, one character a cell.
bool PlainAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

bool Separator(char c) { return c == '\\' || c == '.' || c == '/'; }

// Appends `text` with a line feed wherever a line of `columns` characters
// is full: after the line's last separator (a backslash, . or /), as the
// page breaks
// names, else before the character that does not fit.
void AppendWrapped(std::string &out, std::string_view text, std::size_t columns) {
    const std::size_t start = out.size();
    std::size_t line = start, count = 0, breakAt = 0, countAtBreak = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t size = std::max<std::size_t>(1, qtool::Utf8Length(text.substr(at)));
        if (count >= columns) {
            if (breakAt > line) {
                out.insert(breakAt, 1, '\n');
                line = breakAt + 1;
                count -= countAtBreak;
            } else {
                out.push_back('\n');
                line = out.size();
                count = 0;
            }
            breakAt = 0;
        }
        out.append(text.substr(at, size));
        ++count;
        if (Separator(text[at])) {
            breakAt = out.size();
            countAtBreak = count;
        }
        at += size;
    }
}

Font MakeFont(const char *description) { return Font(pango_font_description_from_string(description)); }

// The sizes of the page and of the table's columns.
struct Geometry {
    double width = 0, height = 0;
    double left = 0, right = 0, top = 0, bottom = 0;  // the body
    double cell = 0, line = 0;                        // a table character's advance; a table line's height
    double tagX = 0, valueRight = 0;                  // the tag column's start; where the value column ends

    double TagWidth() const { return valueRight - ValueChars * cell - 2 * cell - tagX; }
};

// A name or header placed in its column.
struct Cell {
    std::string_view text;  // after the blanks that indent it
    double indent, width;
};

class Printer {
   public:
    Printer(cairo_t *cr, const Listing &listing, Paper paper) : cr_(cr), listing_(listing) {
        std::tie(geometry_.width, geometry_.height) = PaperSize(paper);
        // Font sizes in points of the page (Pango's default is 96 to the inch).
        for (Layout *layout : {&table_, &text_, &foot_}) {
            layout->reset(pango_cairo_create_layout(cr));
            pango_cairo_context_set_resolution(pango_layout_get_context(layout->get()), 72);
            pango_layout_context_changed(layout->get());
        }
        pango_layout_set_auto_dir(table_.get(), FALSE);
        pango_layout_set_wrap(table_.get(), PANGO_WRAP_WORD_CHAR);
        pango_layout_set_wrap(text_.get(), PANGO_WRAP_WORD_CHAR);
        pango_layout_set_font_description(foot_.get(), footFont_.get());
        // A name wrapped inside a word gets no hyphen, which would read as
        // part of it.
        pango_attr_list_insert(plainAttributes_.get(), pango_attr_insert_hyphens_new(FALSE));
        pango_layout_set_attributes(table_.get(), plainAttributes_.get());
        pango_layout_set_attributes(text_.get(), plainAttributes_.get());
        Measure();
    }

    // Lays the listing out; draws it when `drawing`, else only counts its
    // pages.  Returns the number of pages.
    int Run(bool drawing, int pages);

   private:
    void Measure();
    void NewPage();
    void EndPage();
    double Room() const { return geometry_.bottom - y_; }
    void Need(double height) {
        if (height > Room()) NewPage();
    }
    void Head();
    void Headings();
    double SetText(const PangoFontDescription *font, std::string_view shown, double width);
    void Paragraph(const PangoFontDescription *font, std::string_view text, double x, double width);
    void Facts();
    std::size_t Columns(double width) const {
        return static_cast<std::size_t>(std::max(1.0, std::floor(width / geometry_.cell)));
    }
    Cell Place(std::string_view raw, double column) const;
    void TableText(const Cell &cell, bool isolate);
    void SetCell(const PangoFontDescription *font, const Cell &cell, bool isolate);
    int TableLines(const PangoFontDescription *font, const Cell &cell, bool isolate);
    void Group(const Line &line);
    void Header(std::string_view header, int lines);
    void Continued();
    void Row(const Line &line, int lines);
    void Bar(const Line &line, double height);
    void Markers(const Line &line);
    void Show(PangoLayout *layout, double x, double y, Colour colour);

    cairo_t *cr_;
    const Listing &listing_;
    Geometry geometry_;
    Layout table_, text_, foot_;
    Attributes plainAttributes_{pango_attr_list_new()};
    Font tableFont_ = MakeFont(TableFont), tableBold_ = MakeFont(TableFont), textFont_ = MakeFont(TextFont);
    Font textBold_ = MakeFont(TextFont), titleFont_ = MakeFont(TitleFont), footFont_ = MakeFont(FootFont);
    const PangoFontDescription *tableSet_ = nullptr;  // the table layout's font as last set
    bool drawing_ = false;
    int page_ = 0, pages_ = 0;
    double y_ = 0;
    double termWidth_ = 0;        // the facts' terms
    std::string plain_, shown_;   // a text as shown (AppendShown), and as laid out; reused
    std::vector<int> headers_;    // the lines of each level header of a group, reused
    OpenLevels levels_;           // the levels open above the line drawn next
    std::size_t nextIndent_ = 0;  // of the header or name drawn next
    std::string path_;            // the levels above it, reused
};

void Printer::Measure() {
    pango_font_description_set_weight(tableBold_.get(), PANGO_WEIGHT_BOLD);
    pango_font_description_set_weight(textBold_.get(), PANGO_WEIGHT_BOLD);
    Geometry &g = geometry_;
    g.left = SideMargin;
    g.right = g.width - SideMargin;
    g.top = TopMargin;
    g.bottom = g.height - BottomMargin;
    const std::string sample(100, '0');
    SetText(tableFont_.get(), sample, -1);
    PangoRectangle extent{};
    pango_layout_get_extents(table_.get(), nullptr, &extent);
    g.cell = pango_units_to_double(extent.width) / static_cast<double>(sample.size());
    g.line = pango_units_to_double(extent.height) + 1.0;  // a point of leading
    g.tagX = g.left + BarWidth + BarGap;
    g.valueRight = g.right - MarkerChars * g.cell;
    for (const char *term : {"Source", "Date", "Pattern", "Tags", "Skipped", "Alarms", "Logs", "Cut"})
        termWidth_ = std::max(termWidth_, SetText(textBold_.get(), term, -1));
    termWidth_ += g.cell * 2;
}

// Sets the text and font of the table layout (the text layout for the
// other fonts) and returns the width it takes.
double Printer::SetText(const PangoFontDescription *font, std::string_view shown, double width) {
    const bool table = font == tableFont_.get() || font == tableBold_.get();
    PangoLayout *layout = table ? table_.get() : text_.get();
    if (table && font != tableSet_) {
        pango_layout_set_font_description(layout, font);
        tableSet_ = font;
    } else if (!table) {
        pango_layout_set_font_description(layout, font);
    }
    pango_layout_set_width(layout, width < 0 ? -1 : pango_units_from_double(width));
    pango_layout_set_text(layout, shown.data(), static_cast<int>(shown.size()));
    PangoRectangle extent{};
    pango_layout_get_extents(layout, nullptr, &extent);
    return pango_units_to_double(extent.width);
}

void Printer::Show(PangoLayout *layout, double x, double y, Colour colour) {
    if (!drawing_) return;
    cairo_set_source_rgb(cr_, colour.red, colour.green, colour.blue);
    cairo_move_to(cr_, x, y);
    pango_cairo_show_layout(cr_, layout);
}

void Printer::EndPage() {
    if (page_ == 0) return;
    if (drawing_) {
        const std::string number = "page " + std::to_string(page_) + " of " + std::to_string(pages_);
        const double footY = geometry_.height - BottomMargin + geometry_.line;
        shown_.clear();
        qtool::AppendShown(shown_, listing_.title, false);
        shown_.append(", ").append(listing_.date);
        pango_layout_set_width(foot_.get(), pango_units_from_double(geometry_.right - geometry_.left - 80));
        pango_layout_set_ellipsize(foot_.get(), PANGO_ELLIPSIZE_MIDDLE);
        pango_layout_set_text(foot_.get(), shown_.data(), static_cast<int>(shown_.size()));
        Show(foot_.get(), geometry_.left, footY, LogGrey);
        pango_layout_set_width(foot_.get(), -1);
        pango_layout_set_text(foot_.get(), number.data(), static_cast<int>(number.size()));
        PangoRectangle extent{};
        pango_layout_get_extents(foot_.get(), nullptr, &extent);
        Show(foot_.get(), geometry_.right - pango_units_to_double(extent.width), footY, LogGrey);
        cairo_show_page(cr_);
    }
}

void Printer::NewPage() {
    EndPage();
    ++page_;
    y_ = geometry_.top;
    if (page_ > 1) Headings();
    if (page_ > 1) Continued();
}

// Under the headings of a page that goes on with a group: the levels open
// above what comes first on it, in grey, so that the page tells its group.
void Printer::Continued() {
    path_.clear();
    for (const auto &[indent, text] : levels_.levels) {
        if (indent >= nextIndent_) break;
        if (!path_.empty()) path_.append(" \xE2\x80\xBA ");
        const bool isolate = qtool::HoldsRightToLeft(text);
        if (isolate) path_.append(FirstStrongIsolate, sizeof FirstStrongIsolate);
        qtool::AppendShown(path_, text, false);
        if (isolate) path_.append(PopDirectionalIsolate, sizeof PopDirectionalIsolate);
    }
    if (path_.empty()) return;
    if (drawing_) {
        path_.append(" (continued)");
        pango_layout_set_width(foot_.get(), pango_units_from_double(geometry_.right - geometry_.tagX));
        pango_layout_set_ellipsize(foot_.get(), PANGO_ELLIPSIZE_START);
        pango_layout_set_text(foot_.get(), path_.data(), static_cast<int>(path_.size()));
        Show(foot_.get(), geometry_.tagX, y_, LogGrey);
    }
    y_ += geometry_.line;
}

// The column headings, as the table's head on every page.
void Printer::Headings() {
    const Geometry &g = geometry_;
    SetText(tableBold_.get(), "Tag", -1);
    Show(table_.get(), g.tagX, y_, Black);
    SetText(tableBold_.get(), "Value  Alarm  Log", -1);
    Show(table_.get(), g.valueRight - ValueChars * g.cell + (ValueChars - 5) * g.cell, y_, Black);
    y_ += g.line;
    if (drawing_) {
        cairo_set_source_rgb(cr_, 0, 0, 0);
        cairo_rectangle(cr_, g.left, y_ + 0.5, g.right - g.left, 1.2);
        cairo_fill(cr_);
    }
    y_ += g.line / 2;
}

// A text of the sans-serif fonts, wrapped to `width`, from the current
// line on (on the next page when it does not fit).
void Printer::Paragraph(const PangoFontDescription *font, std::string_view text, double x, double width) {
    shown_.clear();
    qtool::AppendShown(shown_, text, false);
    SetText(font, shown_, width);
    PangoRectangle extent{};
    pango_layout_get_extents(text_.get(), nullptr, &extent);
    Need(pango_units_to_double(extent.height));
    Show(text_.get(), x, y_, Black);
}

void Printer::Facts() {
    const Geometry &g = geometry_;
    for (const auto &[term, text] : PageFacts(listing_)) {
        Paragraph(textFont_.get(), text, g.left + termWidth_, g.right - g.left - termWidth_);
        PangoRectangle extent{};
        pango_layout_get_extents(text_.get(), nullptr, &extent);
        const double height = pango_units_to_double(extent.height);
        SetText(textBold_.get(), term, -1);
        Show(text_.get(), g.left, y_, Black);
        y_ += height;
    }
}

// The title and the facts of the listing, on the first page.
void Printer::Head() {
    Paragraph(titleFont_.get(), listing_.title, geometry_.left, geometry_.right - geometry_.left);
    PangoRectangle extent{};
    pango_layout_get_extents(text_.get(), nullptr, &extent);
    y_ += pango_units_to_double(extent.height) + geometry_.line / 2;
    Facts();
    y_ += geometry_.line;
    Need(3 * geometry_.line);
    Headings();
}

// A name or header in its column: its leading blanks as indentation (at
// most half the column, so that the deepest names keep room), its text
// after them.
Cell Printer::Place(std::string_view raw, double column) const {
    const std::size_t blanks = LeadingBlanks(raw);
    const double indent = std::min(static_cast<double>(blanks) * geometry_.cell, column / 2);
    return {raw.substr(blanks), indent, column - indent};
}

// Sets shown_ to the cell's text as the table shows it: cleaned, wrapped
// to the characters its width holds, isolated when asked.
void Printer::TableText(const Cell &cell, bool isolate) {
    plain_.clear();
    qtool::AppendShown(plain_, cell.text, false);
    shown_.clear();
    if (isolate) shown_.append(FirstStrongIsolate, sizeof FirstStrongIsolate);
    AppendWrapped(shown_, plain_, Columns(cell.width));
    if (isolate) shown_.append(PopDirectionalIsolate, sizeof PopDirectionalIsolate);
}

// Sets the table layout to the cell's text in `font` (Pango still wraps
// what is wider than the characters counted, such as wide letters).
void Printer::SetCell(const PangoFontDescription *font, const Cell &cell, bool isolate) {
    TableText(cell, isolate);
    SetText(font, shown_, cell.width + geometry_.cell / 2);
}

// The lines a cell takes: one when it is plain ASCII that fits, else as
// laid out.
int Printer::TableLines(const PangoFontDescription *font, const Cell &cell, bool isolate) {
    if (PlainAscii(cell.text) && cell.text.size() < Columns(cell.width)) return 1;
    SetCell(font, cell, isolate);
    return std::max(1, pango_layout_get_line_count(table_.get()));
}

void Printer::Header(std::string_view header, int lines) {
    const Geometry &g = geometry_;
    Need(lines * g.line);
    if (drawing_) {
        const Cell cell = Place(header, g.right - g.tagX);
        SetCell(tableBold_.get(), cell, false);
        Show(table_.get(), g.tagX + cell.indent, y_, Black);
    }
    y_ += lines * g.line;
}

// The bar left of the name: solid for an alarm, double for a log.
void Printer::Bar(const Line &line, double height) {
    if (!drawing_ || (!line.alarm && !line.log)) return;
    const Colour colour = line.alarm ? AlarmRed : LogGrey;
    cairo_set_source_rgb(cr_, colour.red, colour.green, colour.blue);
    const double x = geometry_.left;
    if (line.log) {
        cairo_rectangle(cr_, x, y_, BarWidth / 3, height);
        cairo_rectangle(cr_, x + 2 * BarWidth / 3, y_, BarWidth / 3, height);
    } else {
        cairo_rectangle(cr_, x, y_, BarWidth, height);
    }
    cairo_fill(cr_);
}

// The value, right-aligned in its column, and the markers after it in
// theirs, as in the text listing; the markers (an alarm row whole) bold.
void Printer::Markers(const Line &line) {
    const Geometry &g = geometry_;
    shown_.clear();
    qtool::AppendShown(shown_, line.Value(listing_.arena), false);
    const std::size_t valueBytes = shown_.size();
    const double valueWidth = static_cast<double>(qtool::ShownWidth(line.Value(listing_.arena))) * g.cell;
    if (line.alarm || line.log || line.cut) shown_.append(line.alarm ? "  alarm" : "       ");
    if (line.log || line.cut) shown_.append(line.log ? "  log" : "     ");
    if (line.cut) shown_.append("  ").append(CutMarker);
    SetText(line.alarm ? tableBold_.get() : tableFont_.get(), shown_, -1);
    const bool marked = !line.alarm && shown_.size() > valueBytes;
    if (marked) {
        const Attributes bold(pango_attr_list_copy(plainAttributes_.get()));
        PangoAttribute *weight = pango_attr_weight_new(PANGO_WEIGHT_BOLD);
        weight->start_index = static_cast<guint>(valueBytes);
        pango_attr_list_insert(bold.get(), weight);
        pango_layout_set_attributes(table_.get(), bold.get());
    }
    Show(table_.get(), g.valueRight - valueWidth, y_, Black);
    if (marked) pango_layout_set_attributes(table_.get(), plainAttributes_.get());
}

void Printer::Row(const Line &line, int lines) {
    const Geometry &g = geometry_;
    const double height = lines * g.line;
    Need(height);
    if (drawing_) {
        Bar(line, height);
        const Cell cell = Place(line.Leaf(listing_.arena), g.TagWidth());
        SetCell(line.alarm ? tableBold_.get() : tableFont_.get(), cell, line.isolate);
        Show(table_.get(), g.tagX + cell.indent, y_, Black);
        Markers(line);
    }
    y_ += height;
}

// A listed tag: its level headers and its row, kept on one page when
// they fit on one.
void Printer::Group(const Line &line) {
    const Geometry &g = geometry_;
    headers_.clear();
    double height = 0;
    std::string_view headers = line.Headers(listing_.arena);
    for (std::string_view rest = headers; !rest.empty();) {
        const std::string_view header = rest.substr(0, std::min(rest.find('\n'), rest.size()));
        headers_.push_back(TableLines(tableBold_.get(), Place(header, g.right - g.tagX), false));
        height += headers_.back() * g.line;
        rest.remove_prefix(std::min(header.size() + 1, rest.size()));
    }
    const PangoFontDescription *font = line.alarm ? tableBold_.get() : tableFont_.get();
    const int rowLines = TableLines(font, Place(line.Leaf(listing_.arena), g.TagWidth()), line.isolate);
    height += rowLines * g.line;
    nextIndent_ = LeadingBlanks(headers.empty() ? line.Leaf(listing_.arena) : headers);
    if (height > Room() && height <= g.bottom - g.top - 4 * g.line) NewPage();
    std::size_t at = 0;
    for (std::string_view rest = headers; !rest.empty(); ++at) {
        const std::string_view header = rest.substr(0, std::min(rest.find('\n'), rest.size()));
        nextIndent_ = LeadingBlanks(header);
        Header(header, headers_[at]);
        levels_.Enter(header);
        rest.remove_prefix(std::min(header.size() + 1, rest.size()));
    }
    nextIndent_ = LeadingBlanks(line.Leaf(listing_.arena));
    Row(line, rowLines);
}

int Printer::Run(bool drawing, int pages) {
    drawing_ = drawing;
    pages_ = pages;
    page_ = 0;
    levels_.levels.clear();
    NewPage();
    Head();
    for (const Line &line : listing_.lines) {
        Group(line);
        if (drawing_ && cairo_status(cr_) != CAIRO_STATUS_SUCCESS) break;
    }
    y_ += geometry_.line / 2;
    Paragraph(textFont_.get(), SummaryLine(listing_), geometry_.left, geometry_.right - geometry_.left);
    EndPage();
    return page_;
}

// "2026-12-09" as the PDF's creation date, the day of the report.
void SetMetadata(cairo_surface_t *surface, const Listing &listing) {
    std::string title;
    qtool::AppendShown(title, listing.title, false);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, title.c_str());
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "qelrpt-host");
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE, listing.date.c_str());
}

void Check(cairo_status_t status, const Sink &sink) {
    if (sink.failure) std::rethrow_exception(sink.failure);
    if (status == CAIRO_STATUS_NO_MEMORY) throw std::bad_alloc();
    if (status != CAIRO_STATUS_SUCCESS)
        throw HostError(std::string("cannot write the PDF: ") + cairo_status_to_string(status));
}

}  // namespace

void RenderPdf(qtool::Output &output, const Listing &listing, Paper paper) {
    Sink sink{&output, nullptr};
    const auto [width, height] = PaperSize(paper);
    const Surface surface(cairo_pdf_surface_create_for_stream(Write, &sink, width, height));
    Check(cairo_surface_status(surface.get()), sink);
    SetMetadata(surface.get(), listing);
    {
        const Cairo cr(cairo_create(surface.get()));
        Check(cairo_status(cr.get()), sink);
        Printer printer(cr.get(), listing, paper);
        const int pages = printer.Run(false, 0);
        printer.Run(true, pages);
        Check(cairo_status(cr.get()), sink);
    }
    cairo_surface_finish(surface.get());
    Check(cairo_surface_status(surface.get()), sink);
}

#endif

}  // namespace qhost
