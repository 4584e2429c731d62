// Bounded text building for the formula workers.
//
// Every worker writes its result into a caller-supplied working buffer of
// TextBufferSize bytes.  TextOut appends into such a buffer and silently
// drops whatever would not fit, so a result is at most TextBufferSize - 1
// characters followed by its NUL, however long or deep the input is.
#ifndef QELRPT_FUNCTIONS_TEXTOUT_H
#define QELRPT_FUNCTIONS_TEXTOUT_H

#include <cstddef>
#include <cstring>

namespace qelrpt {

// Room for 255 characters and the terminating NUL.
inline constexpr std::size_t TextBufferSize = 256;

struct TextOut {
    char *data;
    std::size_t len;  // characters written so far, never more than TextBufferSize - 1
};

inline bool TextFull(const TextOut &t) { return t.len >= TextBufferSize - 1; }

inline void AppendBytes(TextOut &t, const char *s, std::size_t n) {
    const std::size_t room = TextBufferSize - 1 - t.len;
    if (n > room) n = room;
    std::memcpy(t.data + t.len, s, n);
    t.len += n;
}

inline void AppendChar(TextOut &t, char c) {
    if (!TextFull(t)) t.data[t.len++] = c;
}

// Terminates the text and returns its length.
inline std::size_t FinishText(TextOut &t) {
    t.data[t.len] = '\0';
    return t.len;
}

}  // namespace qelrpt

#endif
