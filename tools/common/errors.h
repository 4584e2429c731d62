// What ends a tool's run: thrown, caught once by Main (tool_main.h),
// told on standard error as one message, exit status 2.
#ifndef QELRPT_TOOLS_ERRORS_H
#define QELRPT_TOOLS_ERRORS_H

#include <stdexcept>

namespace qtool {

// A failure that ends the run: the message is complete and one line.
class ToolError : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
};

// A command line that cannot be run; Main adds a hint to --help.
class UsageError : public ToolError {
   public:
    using ToolError::ToolError;
};

}  // namespace qtool

#endif
