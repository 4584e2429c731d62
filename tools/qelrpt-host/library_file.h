// A library file checked before the loader sees it: a truncated file or
// one of another kind would make the loader fail obscurely or crash the
// host (a segment mapped past the end of the file is a bus error when it
// is touched).
#ifndef QELRPT_HOST_LIBRARY_FILE_H
#define QELRPT_HOST_LIBRARY_FILE_H

#include <string>
#include <string_view>

namespace qhost {

// The kind of shared object this host can load.
struct LibraryKind {
    bool pe;           // a Windows DLL (PE), else an ELF shared object
    bool wide;         // 64-bit
    unsigned machine;  // the processor's number in the headers; 0: any
};

// The kind this build of the host loads.
LibraryKind HostLibraryKind();

// Why `bytes` (a whole file) is not a complete shared object of `kind`,
// as the end of a sentence ("is not an ELF shared object"), or an empty
// text when it is one.  "Complete": its headers, and every loadable
// segment (ELF) or section (PE), lie within the file.
std::string LibraryProblem(std::string_view bytes, const LibraryKind &kind);

// The same for the file at `path`; an empty text too when the file cannot
// be opened, which the loader reports.
std::string LibraryFileProblem(const std::string &path);

}  // namespace qhost

#endif
