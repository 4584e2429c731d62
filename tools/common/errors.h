// What ends a tool's run: thrown, caught once by Main (tool_main.h),
// told on standard error as one message, exit status 2.
#ifndef QELRPT_TOOLS_ERRORS_H
#define QELRPT_TOOLS_ERRORS_H

#include <stdexcept>
#include <string>
#include <utility>

namespace qtool {

// A failure that ends the run: the message is complete and one line.
class ToolError : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
};

// A command line that cannot be run; Main adds a hint to --help, that of
// `command` when one is named ("report": "qelrpt-host report --help").
class UsageError : public ToolError {
   public:
    using ToolError::ToolError;
    UsageError(const std::string &message, std::string command) : ToolError(message), command_(std::move(command)) {}
    const std::string &Command() const { return command_; }

   private:
    std::string command_;
};

}  // namespace qtool

#endif
