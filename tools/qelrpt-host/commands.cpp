#include "commands.h"

#include <cstdio>
#include <vector>

#include "common/display.h"
#include "formula.h"
#include "host_errors.h"

namespace qhost {

namespace {

using qtool::AppendShown;
using qtool::Output;

// The job number of an evaluation.
constexpr std::uint32_t EvalJob = 1;

std::string DefinitionNote(const Function &function) { return "; definition: " + function.definition; }

FormulaCall Read(const Plugin &plugin, const std::string &formula) {
    try {
        return ParseFormula(formula);
    } catch (const FormulaError &error) {
        const Function *function = error.Name().empty() ? nullptr : plugin.Find(error.Name());
        const std::string note = function != nullptr ? DefinitionNote(*function) : std::string();
        const std::string column = std::to_string(error.Column());
        if (error.ErrorKind() == FormulaError::Kind::OutOfRange)
            throw HostError(std::string(error.what()) + " (at character " + column + ")" + note);
        throw HostError("syntax error at character " + column + ": " + error.what() + note);
    }
}

// The function the call names, once the call fits its definition.
const Function &Callee(const Plugin &plugin, const FormulaCall &call) {
    const Function *function = plugin.Find(call.name);
    if (function == nullptr) {
        std::string names;
        for (const Function &known : plugin.Functions())
            if (!known.name.empty()) names += (names.empty() ? "" : ", ") + known.name;
        throw HostError("unknown function " + call.name + "; the library defines " +
                        (names.empty() ? std::string("none") : names));
    }
    if (!function->problem.empty())
        throw HostError("cannot call " + function->name + ": " + function->problem + DefinitionNote(*function));
    const std::vector<ValueType> &parameters = function->signature->parameters;
    if (call.arguments.size() != parameters.size()) {
        const auto count = [](std::size_t n) { return std::to_string(n) + (n == 1 ? " argument" : " arguments"); };
        throw HostError(function->name + " takes " + count(parameters.size()) + ", " +
                        std::to_string(call.arguments.size()) + " given" + DefinitionNote(*function));
    }
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (call.arguments[i].type != parameters[i])
            throw HostError("argument " + std::to_string(i + 1) + " of " + function->name + " is a " +
                            TypeName(call.arguments[i].type) + ", but must be a " + TypeName(parameters[i]) +
                            DefinitionNote(*function));
    }
    return *function;
}

}  // namespace

void List(const Plugin &plugin, Output &output) {
    const std::uint16_t version = plugin.Version();
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(version));
    std::string &out = output.Text();
    out += "UFGetVersion: " + std::to_string(version) + " (0x" + hex + ")\n";
    out += "Functions: " + std::to_string(plugin.Functions().size()) + "\n";
    std::size_t number = 0;
    for (const Function &function : plugin.Functions()) {
        out += "\n" + std::to_string(++number) + ". ";
        AppendShown(out, function.definition, false);
        out += "\n   template: ";
        AppendShown(out, function.templateText.value_or("(none)"), false);
        out += function.exampleText ? "\n   example:\n" : "\n   example: (none)";
        AppendShown(out, function.exampleText.value_or(""), false);
        out += "\n";
        if (!function.problem.empty()) out += "   cannot be called: " + function.problem + "\n";
    }
}

void Eval(const Plugin &plugin, const std::string &formula, bool showBlanks, Output &output,
          qtool::Messages &messages) {
    const FormulaCall call = Read(plugin, formula);
    const Function &function = Callee(plugin, call);
    const std::vector<ValueType> &parameters = function.signature->parameters;
    const Job job(plugin, EvalJob);
    Call entry(plugin, function);
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (parameters[i] == ValueType::String)
            entry.SetString(i, call.arguments[i].text.c_str());
        else
            entry.SetNumber(i, call.arguments[i].hundredfold);
    }
    std::string &out = output.Text();
    if (function.signature->result == ValueType::Boolean) {
        out += entry.InvokeBoolean() ? "True" : "False";
    } else {
        const std::string result(entry.InvokeString());
        AppendShown(out, showBlanks ? qtool::ShowBlanks(result) : result, false);
        if (const std::string note = entry.BoundNote(result); !note.empty()) messages.Say(note);
    }
    out += "\n";
}

}  // namespace qhost
