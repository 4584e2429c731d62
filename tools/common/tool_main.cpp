#include "tool_main.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

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

int Run(const char *program, CLI::App &app, Messages &messages, int argc, char **argv, const Work &work) {
    const std::string hint = std::string("\nTry '") + program + " --help' for more information.";
    try {
        try {
            return work(app, messages, argc, argv);
        } catch (const CLI::Success &request) {
            return Answer(app, request);
        } catch (const CLI::ParseError &error) {
            throw UsageError(error.what());
        }
    } catch (const UsageError &error) {
        return Complain(messages, error.what() + hint);
    } catch (const std::exception &error) {
        return Complain(messages, error.what());
    }
}

}  // namespace

int Main(const char *program, int argc, char **argv, const Work &work) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
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
