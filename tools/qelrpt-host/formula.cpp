#include "formula.h"

#include "chars.h"
#include "common/display.h"
#include "numbers.h"

namespace qhost {

namespace {

bool IsNumberChar(char c) { return IsDigit(c) || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E'; }

class Reader {
   public:
    explicit Reader(std::string_view text) : at_{text} {}

    FormulaCall Read() {
        FormulaCall call;
        at_.SkipBlanks();
        call.name = std::string(at_.Word());
        if (call.name.empty()) Fail("expected a function name");
        name_ = call.name;
        at_.SkipBlanks();
        if (at_.Peek() != '(') Fail("expected \"(\" after the function name");
        ++at_.pos;
        at_.SkipBlanks();
        if (at_.Peek() != ')') {
            for (;;) {
                call.arguments.push_back(ReadArgument());
                at_.SkipBlanks();
                if (at_.Peek() == ',') {
                    ++at_.pos;
                    at_.SkipBlanks();
                    continue;
                }
                if (at_.Peek() == ')') break;
                Fail("expected \",\" or \")\" after argument " + std::to_string(call.arguments.size()));
            }
        }
        ++at_.pos;
        at_.SkipBlanks();
        if (!at_.AtEnd()) Fail("unexpected text after the closing \")\"");
        return call;
    }

   private:
    Argument ReadArgument() {
        const char c = at_.Peek();
        if (c == '"' || c == '\'') return ReadString(c);
        if (IsDigit(c) || c == '.' || c == '+' || c == '-') return ReadNumber();
        Fail("expected an argument: a string in quotes or a number");
    }

    Argument ReadString(char quote) {
        const std::size_t open = at_.pos;
        ++at_.pos;
        Argument arg;
        for (;;) {
            if (at_.AtEnd()) {
                at_.pos = open;
                Fail(std::string("the string that starts here has no closing ") + quote);
            }
            const char c = at_.text[at_.pos++];
            if (c == quote) {
                if (at_.Peek() != quote) break;
                ++at_.pos;
            }
            arg.text += c;
        }
        // What the library gives back reaches the terminal.
        if (const std::string control = qtool::ControlCharacter(arg.text); !control.empty()) {
            at_.pos = open;
            Fail("the string that starts here holds the control character " + control);
        }
        return arg;
    }

    Argument ReadNumber() {
        const std::size_t start = at_.pos;
        while (!at_.AtEnd() && IsNumberChar(at_.Peek())) ++at_.pos;
        Argument arg;
        arg.type = ValueType::Number;
        arg.text = std::string(at_.text.substr(start, at_.pos - start));
        const HostNumber number = ParseHostNumber(arg.text);
        if (number.tooLarge)
            throw FormulaError(Column(start), arg.text + ": 100 times this number is beyond the range of a double",
                               name_, FormulaError::Kind::OutOfRange);
        if (!number.problem.empty()) {
            at_.pos = start;
            Fail(qtool::Quoted(arg.text) + " is not a number");
        }
        arg.hundredfold = number.hundredfold;
        return arg;
    }

    // The column of byte `pos`, counted in characters from 1.
    std::size_t Column(std::size_t pos) const {
        std::size_t column = 1;
        for (std::size_t i = 0; i < pos && i < at_.text.size(); ++i)
            column += (static_cast<unsigned char>(at_.text[i]) & 0xC0U) != 0x80U ? 1U : 0U;
        return column;
    }

    [[noreturn]] void Fail(const std::string &message) const { throw FormulaError(Column(at_.pos), message, name_); }

    Cursor at_;
    std::string name_;
};

}  // namespace

FormulaCall ParseFormula(std::string_view text) { return Reader(text).Read(); }

}  // namespace qhost
