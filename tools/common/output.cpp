#include "output.h"

#include <cerrno>
#include <cstring>

#include "errors.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace qtool {

namespace {

// "standard output", with the file it goes to where the system tells.
std::string Destination(std::FILE *file) {
    std::string name = file == stdout ? "standard output" : file == stderr ? "standard error" : "the output";
#ifndef _WIN32
    const int descriptor = fileno(file);
    if (descriptor >= 0) {
        char target[4096];
        const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
        const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
        if (length > 0) name += " (" + std::string(target, static_cast<std::size_t>(length)) + ")";
    }
#endif
    return name;
}

}  // namespace

Output::Output(std::FILE *file) : file_(file) { text_.reserve(Chunk + Chunk / 4); }

void Output::Fail(int error) const {
    throw ToolError("cannot write to " + Destination(file_) + ": " +
                    (error != 0 ? std::strerror(error) : "write error"));
}

void Output::Flush() {
    errno = 0;
    if (!text_.empty() && std::fwrite(text_.data(), 1, text_.size(), file_) != text_.size()) Fail(errno);
    text_.clear();
}

void Output::Finish() {
    Flush();
    errno = 0;
    if (std::fflush(file_) != 0 || std::ferror(file_) != 0) Fail(errno);
}

}  // namespace qtool
