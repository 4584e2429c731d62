// Help texts that fit 80 columns.  CLI11 writes each option and command
// with its description beside it, but runs a long description on past any
// width; tool_main.cpp gives CLI11 a formatter that lays each item out with
// HelpItem, which wraps the description in the right-hand column.  (This
// file does without CLI11, whose headers take long to compile.)
#ifndef QELRPT_TOOLS_HELP_FORMAT_H
#define QELRPT_TOOLS_HELP_FORMAT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace qtool {

// The width of a help line, and the column where descriptions start.
constexpr std::size_t HelpWidth = 80;
constexpr std::size_t HelpColumn = 30;

// One item of a help text: "  NAME", the description from `column` on,
// its words wrapped so that no line passes `width` columns (counted in
// UTF-8 characters) unless one word alone does, each further line indented
// to `column`.  A name that reaches the column puts the description on the
// next line; a line feed in the description starts a new line.
std::string HelpItem(std::string_view name, std::string_view description, std::size_t column = HelpColumn,
                     std::size_t width = HelpWidth);

}  // namespace qtool

#endif
