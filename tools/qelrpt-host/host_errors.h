// How qelrpt-host reports what goes wrong, one way per layer:
//   - what ends the run (the command line, a file or library that cannot
//     be used, a call that fails, output that cannot be written) is thrown
//     as a HostError, or a UsageError for the command line, caught once by
//     qtool::Main (tool_main.h), told as one message, exit status 2;
//   - what is wrong with one record or one value of the data (a malformed
//     CSV record, a value that is not a number) is returned with it as a
//     `problem` text, empty when there is none; the report names the
//     record, skips it and goes on.
#ifndef QELRPT_HOST_HOST_ERRORS_H
#define QELRPT_HOST_HOST_ERRORS_H

#include "common/errors.h"

namespace qhost {

using HostError = qtool::ToolError;
using qtool::UsageError;

}  // namespace qhost

#endif
