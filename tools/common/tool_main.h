// What both tools' main() does around their work:
//   - the same bytes on every system (line feeds, not CR LF);
//   - --help and --version answered on standard output, the help wrapped to
//     80 columns (help_format.h);
//   - a usage error (CLI11's or a UsageError) told with a hint to --help,
//     any other failure told as one message, both with exit status 2.
#ifndef QELRPT_TOOLS_TOOL_MAIN_H
#define QELRPT_TOOLS_TOOL_MAIN_H

#include <CLI/CLI.hpp>
#include <functional>

#include "messages.h"

namespace qtool {

// The exit status of a run that could not do its work.
constexpr int ExitError = 2;

// A tool's work: describes its command line on `app`, parses `argv` with
// it, does what it asks and returns the exit status.
using Work = std::function<int(CLI::App &app, Messages &messages, int argc, char **argv)>;

// Runs `work` as above.
// `program` names the tool in messages and in the hint.
int Main(const char *program, int argc, char **argv, const Work &work);

}  // namespace qtool

#endif
