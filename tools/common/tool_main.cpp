#include "tool_main.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "errors.h"
#include "help_format.h"
#include "output.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace qtool {

namespace {

// CLI11's layout with each option and command wrapped by HelpItem.
class HelpFormatter final : public CLI::Formatter {
   public:
    std::string make_option(const CLI::Option *opt, bool is_positional) const override {
        return HelpItem(make_option_name(opt, is_positional) + make_option_opts(opt), make_option_desc(opt));
    }
    std::string make_subcommand(const CLI::App *sub) const override {
        return HelpItem(sub->get_display_name(true), sub->get_description());
    }
};

// --help and --version: the text on standard output (the help of the
// command given, if any).
int Answer(const CLI::App &app, const CLI::Success &request) {
    Output output(stdout);
    output.Text() = request.get_name() == "CallForVersion" ? std::string(request.what()) + "\n" : app.help();
    output.Finish();
    return 0;
}

// Tells why the run ends; what was written to standard output goes first.
int Complain(Messages &messages, const std::string &message) {
    std::fflush(stdout);
    try {
        messages.Say(message);
    } catch (const ToolError &) {  // standard error cannot be written either
    }
    return ExitError;
}

// The arguments with each "--name=" (an option given an empty value) as
// "--name" followed by an empty argument: CLI11 would take the argument
// after it as the value.  Nothing after "--" is changed.
std::vector<std::string> SplitEmptyValues(int argc, char **argv) {
    std::vector<std::string> arguments;
    bool options = true;
    for (int i = 0; i < argc; ++i) {
        std::string argument = argv[i];
        if (i > 0 && options && argument == "--") options = false;
        const bool empty = i > 0 && options && argument.size() > 3 && argument.compare(0, 2, "--") == 0 &&
                           argument.find('=') == argument.size() - 1;
        if (!empty) {
            arguments.push_back(std::move(argument));
            continue;
        }
        argument.pop_back();
        arguments.push_back(std::move(argument));
        arguments.emplace_back();
    }
    return arguments;
}

int Run(const char *program, CLI::App &app, Messages &messages, int argc, char **argv, const Work &work) {
    const auto hint = [program](const UsageError &error) {
        const std::string command = error.Command().empty() ? "" : " " + error.Command();
        return std::string("\nTry '") + program + command + " --help' for more information.";
    };
    try {
        try {
            std::vector<std::string> arguments = SplitEmptyValues(argc, argv);
            std::vector<char *> pointers;
            pointers.reserve(arguments.size() + 1);
            for (std::string &argument : arguments) pointers.push_back(argument.data());
            pointers.push_back(nullptr);
            return work(app, messages, static_cast<int>(arguments.size()), pointers.data());
        } catch (const CLI::Success &request) {
            return Answer(app, request);
        } catch (const CLI::ParseError &error) {
            throw UsageError(error.what());
        }
    } catch (const UsageError &error) {
        return Complain(messages, error.what() + hint(error));
    } catch (const std::bad_alloc &) {
        return Complain(messages, "not enough memory");
    } catch (const std::exception &error) {
        return Complain(messages, error.what());
    }
}

}  // namespace

int Main(const char *program, int argc, char **argv, const Work &work) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    try {
        Messages messages(program, stderr);
        CLI::App app{"", program};
        app.formatter(std::make_shared<HelpFormatter>());
        try {
            return Run(program, app, messages, argc, argv, work);
        } catch (...) {
            return Complain(messages, "unexpected failure");
        }
    } catch (...) {
        return ExitError;
    }
}

}  // namespace qtool
