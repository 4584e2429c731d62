// Helpers that turn a fuzzer's byte string into the inputs of a function.
#ifndef QELRPT_FUZZ_INPUT_H
#define QELRPT_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace fuzz {

// Splits the input at its first NUL byte into two texts (the second empty
// when there is none); any other NUL ends the second text.
inline std::pair<std::string, std::string> TwoTexts(const std::uint8_t *data, std::size_t size) {
    const std::string all(reinterpret_cast<const char *>(data), size);
    const std::size_t cut = all.find('\0');
    if (cut == std::string::npos) return {all, std::string()};
    std::string second = all.substr(cut + 1);
    second.resize(std::strlen(second.c_str()));
    return {all.substr(0, cut), second};
}

// The double whose bit pattern is the first 8 input bytes (zero-padded).
inline double DoubleAt(const std::uint8_t *data, std::size_t size, std::size_t offset = 0) {
    std::uint8_t bytes[8] = {};
    for (std::size_t i = 0; i < 8 && offset + i < size; ++i) bytes[i] = data[offset + i];
    double v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

}  // namespace fuzz

#endif
