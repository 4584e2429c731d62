#include "numbers.h"

#include "chars.h"
#include "values/values.h"

namespace qhost {

namespace {

constexpr const char *NotANumber = "not a number";
constexpr const char *TooLarge = "too large: 100 times it is beyond the range of a double";

std::size_t DigitRun(std::string_view text, std::size_t pos) {
    std::size_t end = pos;
    while (end < text.size() && IsDigit(text[end])) ++end;
    return end - pos;
}

}  // namespace

HostNumber ParseHostNumber(std::string_view text) {
    double hundredfold = 0;
    switch (qelrpt::ReadHundredfold(text, qelrpt::Specials::Refused, &hundredfold)) {
        case qelrpt::NumberReading::Read:
            return {hundredfold, false, {}};
        case qelrpt::NumberReading::BeyondRange:
            return {0, true, TooLarge};
        case qelrpt::NumberReading::NotANumber:
            break;
    }
    return {0, false, NotANumber};
}

FlagWord ParseFlagWord(std::string_view text) {
    constexpr const char *problem = "not a whole number from 0 to 4294967295";
    // A whole number may be written with a fraction of zeros: "3.0".
    const std::size_t whole = DigitRun(text, 0);
    if (whole < text.size() && text[whole] == '.' && text.find_first_not_of('0', whole + 1) == std::string_view::npos)
        text = text.substr(0, whole);
    if (text.empty() || DigitRun(text, 0) != text.size()) return {0, problem};
    std::uint64_t value = 0;
    for (const char c : text) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFFFFFFULL) return {0, problem};
    }
    return {static_cast<std::uint32_t>(value), {}};
}

}  // namespace qhost
