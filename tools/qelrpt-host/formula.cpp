#include "formula.h"

#include "text.h"

namespace qhost {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNumberChar(char c) { return IsDigit(c) || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E'; }

class Reader {
   public:
    explicit Reader(std::string_view text) : text_(text) {}

    FormulaCall Read() {
        FormulaCall call;
        SkipBlanks();
        if (AtEnd() || !IsLetter(Peek())) Fail("expected a function name");
        const std::size_t start = pos_;
        while (!AtEnd() && (IsLetter(Peek()) || IsDigit(Peek()))) ++pos_;
        call.name = std::string(text_.substr(start, pos_ - start));
        name_ = call.name;
        SkipBlanks();
        if (Peek() != '(') Fail("expected \"(\" after the function name");
        ++pos_;
        SkipBlanks();
        if (Peek() != ')') {
            for (;;) {
                call.arguments.push_back(ReadArgument());
                SkipBlanks();
                if (Peek() == ',') {
                    ++pos_;
                    SkipBlanks();
                    continue;
                }
                if (Peek() == ')') break;
                Fail("expected \",\" or \")\" after argument " + std::to_string(call.arguments.size()));
            }
        }
        ++pos_;
        SkipBlanks();
        if (!AtEnd()) Fail("unexpected text after the closing \")\"");
        return call;
    }

   private:
    Argument ReadArgument() {
        const char c = Peek();
        if (c == '"' || c == '\'') return ReadString(c);
        if (IsDigit(c) || c == '.' || c == '+' || c == '-') return ReadNumber();
        Fail("expected an argument: a string in quotes or a number");
    }

    Argument ReadString(char quote) {
        const std::size_t open = pos_;
        ++pos_;
        Argument arg;
        for (;;) {
            if (AtEnd()) {
                pos_ = open;
                Fail(std::string("the string that starts here has no closing ") + quote);
            }
            const char c = text_[pos_++];
            if (c == quote) {
                if (Peek() != quote) break;
                ++pos_;
            }
            arg.text += c;
        }
        // What the library gives back reaches the terminal.
        if (const std::string control = ControlCharacter(arg.text); !control.empty()) {
            pos_ = open;
            Fail("the string that starts here holds the control character " + control);
        }
        return arg;
    }

    Argument ReadNumber() {
        const std::size_t start = pos_;
        while (!AtEnd() && IsNumberChar(Peek())) ++pos_;
        Argument arg;
        arg.type = ValueType::Number;
        arg.text = std::string(text_.substr(start, pos_ - start));
        const HostNumber number = ParseHostNumber(arg.text);
        if (number.problem == TooLarge)
            throw FormulaError(start + 1, arg.text + ": 100 times this number is beyond the range of a double", name_,
                               FormulaError::Kind::OutOfRange);
        if (number.problem != nullptr) {
            pos_ = start;
            Fail(Quoted(arg.text) + " is not a number");
        }
        arg.hundredfold = number.hundredfold;
        return arg;
    }

    [[noreturn]] void Fail(const std::string &message) const { throw FormulaError(pos_ + 1, message, name_); }

    void SkipBlanks() {
        while (!AtEnd() && IsBlank(Peek())) ++pos_;
    }
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string name_;
};

}  // namespace

FormulaCall ParseFormula(std::string_view text) { return Reader(text).Read(); }

}  // namespace qhost
