// The generated calls of the differential tests, which make the same calls
// through a surface and through the plug-in's exports (tests/sql for SQLite
// and PostgreSQL, tests/com for the COM library): tag names made of pieces,
// names sharing their first pieces, patterns made from names, and decimals.
// One seed, so every run and every surface makes the same calls.
#ifndef QELRPT_TESTS_GENERATED_CALLS_H
#define QELRPT_TESTS_GENERATED_CALLS_H

#include <cstddef>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace support {

// The pieces of the SQL differential's names: ASCII, the separators, a
// blank, and two characters outside ASCII (UTF-8).
inline std::vector<std::string> DefaultPieces() {
    return {"Plant", "A", "B", "Pump", "01", "7", "\\", "\\", ".", " ", "é", "€", "x"};
}

class CallGenerator {
   public:
    explicit CallGenerator(std::vector<std::string> pieces = DefaultPieces()) : pieces_(std::move(pieces)) {}

    std::size_t Below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }

    // A name: usually 1 to 10 pieces, one time in eight 60 to 139.
    std::vector<std::string> NamePieces() {
        const std::size_t count = Below(8) == 0 ? 60 + Below(80) : 1 + Below(10);
        std::vector<std::string> name;
        for (std::size_t i = 0; i < count; ++i) name.push_back(pieces_[Below(pieces_.size())]);
        return name;
    }
    static std::string Join(const std::vector<std::string> &pieces) {
        std::string text;
        for (const std::string &p : pieces) text += p;
        return text;
    }
    // A pattern made from a name: pieces kept, replaced by "*", each of
    // their bytes by "%", or (now and then) by a "Q" that matches nothing.
    std::string PatternFor(const std::vector<std::string> &name) {
        std::string pattern;
        for (const std::string &piece : name) {
            const std::size_t choice = Below(6);
            if (choice == 0)
                pattern += "*";
            else if (choice == 1)
                pattern.append(piece.size(), '%');
            else if (choice == 2 && Below(4) == 0)
                pattern += "Q";
            else
                pattern += piece;
        }
        return pattern;
    }
    // A decimal of up to ten whole digits and up to four after the point.
    std::string Decimal() {
        std::string text = Below(4) == 0 ? "-" : "";
        text += std::to_string(Below(Below(3) == 0 ? 4000000000 : 100000));
        if (Below(3) != 0) {
            text += ".";
            for (std::size_t i = 1 + Below(4); i > 0; --i) text += static_cast<char>('0' + Below(10));
        }
        return text;
    }

   private:
    std::mt19937 random_{20261209};
    std::vector<std::string> pieces_;
};

// `count` calls of the function `name`, whose parameters are `parameters`
// ("String" or "Number" each): one text per parameter, a name, a pattern
// or a decimal.  Of two Strings, the first is a name that shares the
// second's first pieces (the previous name), or for QELPatternMatch the
// name that the second, a pattern made from it, is matched against.
inline std::vector<std::vector<std::string>> GeneratedCalls(const std::string &name,
                                                            const std::vector<std::string> &parameters,
                                                            CallGenerator &g, std::size_t count) {
    std::vector<std::vector<std::string>> calls;
    const bool pattern = name == "QELPatternMatch";
    for (std::size_t i = 0; i < count; ++i) {
        const std::vector<std::string> pieces = g.NamePieces();
        std::vector<std::string> other(pieces.begin(),
                                       pieces.begin() + static_cast<std::ptrdiff_t>(g.Below(pieces.size() + 1)));
        for (const std::string &piece : g.NamePieces()) other.push_back(piece);
        std::vector<std::string> texts;
        for (std::size_t p = 0; p < parameters.size(); ++p) {
            const bool last = p + 1 == parameters.size();
            if (parameters[p] == "Number")
                texts.push_back(g.Decimal());
            else if (last)
                texts.push_back(pattern ? g.PatternFor(pieces) : CallGenerator::Join(pieces));
            else
                texts.push_back(pattern ? CallGenerator::Join(pieces) : CallGenerator::Join(other));
        }
        calls.push_back(texts);
    }
    return calls;
}

}  // namespace support

#endif
