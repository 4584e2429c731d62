// Texts as the tools show them on a terminal or a page: valid UTF-8
// without control characters, HTML escaping, and quoting for messages.
#ifndef QELRPT_TOOLS_DISPLAY_H
#define QELRPT_TOOLS_DISPLAY_H

#include <cstddef>
#include <string>
#include <string_view>

namespace qtool {

// The length of the UTF-8 sequence that starts `text` when it is a valid
// one (shortest form, no surrogate, at most U+10FFFF), else 0.
std::size_t Utf8Length(std::string_view text);

// The code point of one valid UTF-8 sequence.
char32_t CodePoint(std::string_view sequence);

// "U+202E": a code point as Unicode names it.
std::string CodePointName(char32_t c);

// The explicit bidirectional formatting characters: embeddings and
// overrides (U+202A to U+202E), isolates (U+2066 to U+2069) and the marks
// U+200E, U+200F and U+061C.  In a name they would reorder the rest of its
// line in any viewer that follows the Unicode bidirectional algorithm.
bool IsBidiControl(char32_t c);

// The first bidirectional formatting character in `text`, named as in
// "U+202E", or an empty text when there is none.
std::string BidiControl(std::string_view text);

// A letter of a right-to-left script (Hebrew, Arabic, Syriac, Thaana, NKo
// and the others of their blocks).
bool IsRightToLeft(char32_t c);

// `text` holds a right-to-left letter: shown beside other columns, it
// needs isolating (U+2068 ... U+2069, or <bdi> in HTML).
bool HoldsRightToLeft(std::string_view text);

// The control character that `text` holds (C0: 0x00 to 0x1F and 0x7F; C1:
// U+0080 to U+009F written in UTF-8), named as in "0x1B" or "U+009B", or
// an empty text when there is none.
std::string ControlCharacter(std::string_view text);

// Appends `text` to `out` as valid UTF-8 without control characters:
// valid sequences, line feeds and tabs as they are, every byte of an
// invalid sequence, every other control character (C0, 0x7F, C1) and every
// bidirectional formatting character as U+FFFD.
// With `html`, &, <, >, " and ' become entities.
void AppendShown(std::string &out, std::string_view text, bool html);

// The number of characters AppendShown writes for `text`.
std::size_t ShownWidth(std::string_view text);

// The text with each blank shown as "·" and each line feed as "↵" (UTF-8).
std::string ShowBlanks(std::string_view text);

// Appends `byte` as two upper-case hexadecimal digits.
void AppendHex(std::string &out, unsigned char byte);

// `text` in double quotes for a one-line message: cut to `limit` bytes
// with "..." when it is longer, line feeds, carriage returns and tabs shown
// as \n, \r and \t, other control characters and bytes that are not valid
// UTF-8 as \xNN, and characters that show nothing (a byte order mark, a
// zero-width space, a bidirectional control) named as <U+FEFF>.
std::string Quoted(std::string_view text, std::size_t limit = 40);

}  // namespace qtool

#endif
