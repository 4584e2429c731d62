// How qelrpt-host reports what goes wrong, one way per layer:
//   - what ends the run (the command line, a file or library that cannot
//     be used, a call that fails, output that cannot be written) is thrown
//     as a HostError, or a UsageError for the command line, caught once in
//     main(), printed as one line, exit status 2;
//   - what is wrong with one record or one value of the data (a malformed
//     CSV record, a value that is not a number) is returned with it as a
//     `problem` text, empty when there is none; the report names the
//     record, skips it and goes on.
#ifndef QELRPT_HOST_ERRORS_H
#define QELRPT_HOST_ERRORS_H

#include <stdexcept>

namespace qhost {

// A failure that ends the run: the message is complete and one line.
class HostError : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
};

// A command line that cannot be run; main() adds a hint to --help.
class UsageError : public HostError {
   public:
    using HostError::HostError;
};

}  // namespace qhost

#endif
