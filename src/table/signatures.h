// The formula types, and the worker each signature calls.
//
// A row of the function table (function_table.h) writes its signature as a
// function type over the three formula types, `String(String, String)`,
// and names its worker.  WorkerFor gives the one worker type that such a
// signature calls, so a row whose worker does not fit its types fails to
// compile.  Each surface (the host interface in src/host/, the SQL
// functions) maps the same signatures to adapters of its own: the adapter
// reads the surface's arguments, runs the worker on plain strings or
// doubles and writes the surface's result.
//
// What every surface does the same way:
//   - a String argument is a NUL-terminated text; a String result is
//     written by the worker into a buffer of TextBufferSize bytes
//     (FootprintBufferSize for a Number argument) and is at most 255 bytes;
//   - a Number argument arrives as the host passes it, 100 times the formula
//     value, and is multiplied by NumberScale before the worker sees it;
//   - a Boolean result is the worker's 1 or 0;
//   - String(String, String) reads a missing first argument (the previous
//     name) as the empty text; any other missing argument gives the empty
//     text or false.
#ifndef QELRPT_TABLE_SIGNATURES_H
#define QELRPT_TABLE_SIGNATURES_H

#include <cstddef>
#include <type_traits>

namespace qelrpt {

// The formula types, as the engine's definition texts spell them.  They
// are names only: a signature is a function type over them.
struct String;
struct Number;
struct Boolean;

// The worker type that signature S calls; only these five exist.
template <class S>
struct WorkerFor;

template <>
struct WorkerFor<String(String)> {
    using type = std::size_t (*)(const char *text, char *out);
};
template <>
struct WorkerFor<String(String, String)> {
    using type = std::size_t (*)(const char *previous, const char *current, char *out);
};
template <>
struct WorkerFor<String(Number)> {
    using type = std::size_t (*)(double value, char *out);
};
template <>
struct WorkerFor<Boolean(Number)> {
    using type = int (*)(double value);
};
template <>
struct WorkerFor<Boolean(String, String)> {
    using type = int (*)(const char *first, const char *second);
};

// The parts of signature S: its result, its number of parameters, and
// whether one of them is a Number.
template <class S>
struct SignatureParts;
template <class R, class... P>
struct SignatureParts<R(P...)> {
    using Result = R;
    static constexpr std::size_t arity = sizeof...(P);
    static constexpr bool takesNumber = (std::is_same_v<P, Number> || ...);
};

// The number of times `c` occurs in `text`.
constexpr std::size_t CountChar(const char *text, char c) {
    std::size_t n = 0;
    for (; *text != '\0'; ++text) n += *text == c ? 1U : 0U;
    return n;
}

// Whether `a` is `aPrefix` and `b` is `bPrefix`, each followed by the
// same rest: ("QELFormula_Name", "QELFormula_", "QELName", "QEL") is true.
constexpr bool SameRest(const char *a, const char *aPrefix, const char *b, const char *bPrefix) {
    for (; *aPrefix != '\0'; ++aPrefix, ++a)
        if (*a != *aPrefix) return false;
    for (; *bPrefix != '\0'; ++bPrefix, ++b)
        if (*b != *bPrefix) return false;
    for (; *a != '\0' && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

}  // namespace qelrpt

#endif
