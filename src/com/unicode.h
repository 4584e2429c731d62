// UTF-16 text to UTF-8 and back, for the COM library's texts (BSTRs are
// UTF-16; the workers read 8-bit text).
//
// Every sequence of UTF-16 code units goes to UTF-8 and comes back the
// same: a surrogate pair is the four bytes of its character, and a
// surrogate without its partner the three bytes of its own code point (the
// generalised UTF-8 known as WTF-8), so that no unit is lost or replaced,
// whatever a client passes.  Header-only, so that the COM library (units
// of wchar_t) and the unit tests on any platform (char16_t) share it.
#ifndef QELRPT_COM_UNICODE_H
#define QELRPT_COM_UNICODE_H

#include <cstddef>
#include <cstdint>

namespace qelrpt {

// The most bytes that Utf8FromUtf16 writes for `units` code units, its NUL
// not counted.
constexpr std::size_t Utf8Bound(std::size_t units) { return 3 * units; }

inline bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800U && unit <= 0xDBFFU; }
inline bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00U && unit <= 0xDFFFU; }

// Writes the code point `c` (at most 0x10FFFF) as UTF-8 at `out`; returns
// the bytes written.
inline std::size_t PutUtf8(std::uint32_t c, char *out) {
    auto put = [out](std::size_t at, std::uint32_t byte) { out[at] = static_cast<char>(byte); };
    if (c < 0x80U) {
        put(0, c);
        return 1;
    }
    if (c < 0x800U) {
        put(0, 0xC0U | (c >> 6));
        put(1, 0x80U | (c & 0x3FU));
        return 2;
    }
    if (c < 0x10000U) {
        put(0, 0xE0U | (c >> 12));
        put(1, 0x80U | ((c >> 6) & 0x3FU));
        put(2, 0x80U | (c & 0x3FU));
        return 3;
    }
    put(0, 0xF0U | (c >> 18));
    put(1, 0x80U | ((c >> 12) & 0x3FU));
    put(2, 0x80U | ((c >> 6) & 0x3FU));
    put(3, 0x80U | (c & 0x3FU));
    return 4;
}

// Writes the `units` code units at `text` as UTF-8 into `out`, which holds
// Utf8Bound(units) + 1 bytes, and a NUL; returns the bytes before the NUL.
template <class Unit>
std::size_t Utf8FromUtf16(const Unit *text, std::size_t units, char *out) {
    std::size_t len = 0;
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t c = static_cast<std::uint16_t>(text[i]);
        if (IsHighSurrogate(c) && i + 1 < units && IsLowSurrogate(static_cast<std::uint16_t>(text[i + 1]))) {
            c = 0x10000U + ((c - 0xD800U) << 10) + (static_cast<std::uint16_t>(text[i + 1]) - 0xDC00U);
            ++i;
        }
        len += PutUtf8(c, out + len);
    }
    out[len] = '\0';
    return len;
}

// The length of the UTF-8 sequence that starts at `text` (`left` bytes
// remain), and its code point in `*c`; 0 when no whole, shortest sequence
// starts there.  A three-byte surrogate is taken, as Utf8FromUtf16 writes
// one.
inline std::size_t ReadUtf8(const char *text, std::size_t left, std::uint32_t *c) {
    auto byte = [text](std::size_t at) { return static_cast<std::uint32_t>(static_cast<unsigned char>(text[at])); };
    auto tail = [&](std::size_t at) { return at < left && (byte(at) & 0xC0U) == 0x80U; };
    const std::uint32_t lead = byte(0);
    if (lead < 0x80U) {
        *c = lead;
        return 1;
    }
    if (lead >= 0xC2U && lead <= 0xDFU && tail(1)) {
        *c = ((lead & 0x1FU) << 6) | (byte(1) & 0x3FU);
        return 2;
    }
    if (lead >= 0xE0U && lead <= 0xEFU && tail(1) && tail(2)) {
        *c = ((lead & 0x0FU) << 12) | ((byte(1) & 0x3FU) << 6) | (byte(2) & 0x3FU);
        return *c >= 0x800U ? 3 : 0;
    }
    if (lead >= 0xF0U && lead <= 0xF4U && tail(1) && tail(2) && tail(3)) {
        *c = ((lead & 0x07U) << 18) | ((byte(1) & 0x3FU) << 12) | ((byte(2) & 0x3FU) << 6) | (byte(3) & 0x3FU);
        return *c >= 0x10000U && *c <= 0x10FFFFU ? 4 : 0;
    }
    return 0;
}

// Writes the UTF-8 text of `len` bytes at `text` as UTF-16 code units into
// `out`, which holds `len` units (never more are written); returns the
// units written.  A byte that starts no whole sequence gives U+FFFD.
template <class Unit>
std::size_t Utf16FromUtf8(const char *text, std::size_t len, Unit *out) {
    std::size_t units = 0;
    for (std::size_t at = 0; at < len;) {
        std::uint32_t c = 0;
        const std::size_t n = ReadUtf8(text + at, len - at, &c);
        at += n != 0 ? n : 1;
        if (n == 0) c = 0xFFFDU;
        if (c >= 0x10000U) {
            out[units++] = static_cast<Unit>(0xD800U + ((c - 0x10000U) >> 10));
            c = 0xDC00U + ((c - 0x10000U) & 0x3FFU);
        }
        out[units++] = static_cast<Unit>(c);
    }
    return units;
}

}  // namespace qelrpt

#endif
