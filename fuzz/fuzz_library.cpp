// Fuzzes qelrpt-host's library-file check: any bytes, read as an ELF shared
// object and as a Windows DLL of either width, must give an answer without
// reading outside them; a truncation it tells must name a byte past the
// end of the file (a wrapped sum would name one inside it); and the file,
// read a window at a time, must give the answer the bytes in memory give.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library_file.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// Whether the decimal text `number` names a value of at least `size`.
bool AtLeast(const std::string &number, std::size_t size) {
    const std::string bound = std::to_string(size);
    return number.size() != bound.size() ? number.size() > bound.size() : number >= bound;
}

// A file in memory holding the input, named through /proc.
int File() {
    static const int file = memfd_create("fuzz_library", 0);
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    for (const bool pe : {false, true}) {
        for (const bool wide : {false, true}) {
            const std::string problem = qhost::LibraryProblem(bytes, {pe, wide, 0});
            if (problem.rfind("is truncated", 0) != 0) continue;
            const std::size_t at = problem.rfind("reach to byte ");
            Check(at != std::string::npos && AtLeast(problem.substr(at + 14), size + 1));
        }
    }
    // The host's own kind, from a file.
    const int file = File();
    Check(file >= 0 && ftruncate(file, 0) == 0 && pwrite(file, data, size, 0) == static_cast<ssize_t>(size));
    const qhost::LibraryKind kind = qhost::HostLibraryKind();
    Check(qhost::LibraryFileProblem("/proc/self/fd/" + std::to_string(file)) == qhost::LibraryProblem(bytes, kind));
    return 0;
}
