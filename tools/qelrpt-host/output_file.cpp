#include "output_file.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "host_errors.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qhost {

namespace {

// The temporary file's path for the signal handler, which may only read
// memory that does not move (POSIX).
#ifndef _WIN32
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): what an interrupt removes
char interruptedFile[4096];

extern "C" void RemoveAndStop(int signal) {
    if (interruptedFile[0] != '\0') unlink(interruptedFile);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

std::string Reason(int error) { return error != 0 ? std::strerror(error) : "write error"; }

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
    const std::filesystem::path target(path_);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    temporary_ = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
#ifdef _WIN32
    if (_mktemp_s(temporary_.data(), temporary_.size() + 1) != 0)
        throw HostError("cannot write " + path_ + ": no name for a temporary file beside it");
    stream_ = std::fopen(temporary_.c_str(), "wb");
#else
    const int descriptor = mkstemp(temporary_.data());
    if (descriptor >= 0) {
        // As a new file would be: the mode that the umask leaves.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(descriptor, 0666 & ~mask);
        stream_ = fdopen(descriptor, "wb");
        if (stream_ == nullptr) close(descriptor);
    }
    if (stream_ != nullptr && temporary_.size() < sizeof interruptedFile) {
        std::memcpy(interruptedFile, temporary_.c_str(), temporary_.size() + 1);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(signal, RemoveAndStop);
    }
#endif
    if (stream_ == nullptr)
        throw HostError("cannot write " + path_ + ": cannot create a file in " + folder.string() + ": " +
                        Reason(errno));
}

OutputFile::~OutputFile() {
    if (stream_ != nullptr) std::fclose(stream_);
    if (!temporary_.empty()) std::remove(temporary_.c_str());
#ifndef _WIN32
    interruptedFile[0] = '\0';
#endif
}

void OutputFile::Commit() {
    errno = 0;
    const bool written = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
    const int error = errno;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!written || !closed) throw HostError("cannot write " + path_ + ": " + Reason(written ? errno : error));
#ifdef _WIN32
    // Over an existing file too, as rename() does on POSIX systems.
    if (MoveFileExA(temporary_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING) == 0)
        throw HostError("cannot write " + path_ + ": the finished listing could not replace it (Windows error " +
                        std::to_string(GetLastError()) + ")");
#else
    std::error_code failure;
    std::filesystem::rename(temporary_, path_, failure);
    if (failure) throw HostError("cannot write " + path_ + ": " + failure.message());
#endif
    temporary_.clear();
#ifndef _WIN32
    interruptedFile[0] = '\0';
#endif
}

}  // namespace qhost
