#include "help_format.h"

#include <algorithm>

namespace qtool {

namespace {

// The characters of a UTF-8 text: its bytes but the continuation bytes.
std::size_t Columns(std::string_view text) {
    std::size_t columns = 0;
    for (const char c : text) columns += (static_cast<unsigned char>(c) & 0xC0U) != 0x80U ? 1 : 0;
    return columns;
}

// Appends one line of the description, its words wrapped at `width`.
void AppendWrapped(std::string &out, std::string_view line, std::size_t &used, std::size_t column, std::size_t width) {
    std::size_t at = 0;
    bool first = true;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(' ', at);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(line.find(' ', start), line.size());
        const std::string_view word = line.substr(start, end - start);
        const std::size_t gap = first ? 0 : 1;
        if (!first && used + gap + Columns(word) > width) {
            out.append("\n").append(column, ' ');
            used = column;
        } else {
            out.append(gap, ' ');
            used += gap;
        }
        out.append(word);
        used += Columns(word);
        first = false;
        at = end;
    }
}

}  // namespace

std::string HelpItem(std::string_view name, std::string_view description, std::size_t column, std::size_t width) {
    std::string out = "  ";
    out.append(name);
    std::size_t used = Columns(out);
    if (description.empty()) return out + "\n";
    if (used >= column) {
        out.append("\n");
        used = 0;
    }
    out.append(column - used, ' ');
    used = column;
    std::size_t at = 0;
    while (at <= description.size()) {
        const std::size_t end = std::min(description.find('\n', at), description.size());
        if (at > 0) {
            out.append("\n").append(column, ' ');
            used = column;
        }
        AppendWrapped(out, description.substr(at, end - at), used, column, width);
        at = end + 1;
    }
    return out + "\n";
}

}  // namespace qtool
