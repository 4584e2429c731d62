// A library file checked before the loader sees it: a truncated file, one
// of another kind, or one whose headers send the loader outside the
// library would make the loader fail obscurely or crash the host (a
// segment mapped past the end of the file is a bus error when it is
// touched; a dynamic segment outside the mapped ones is a segmentation
// fault).  Only the headers and the tables they point to are read, never
// the whole file.
#ifndef QELRPT_HOST_LIBRARY_FILE_H
#define QELRPT_HOST_LIBRARY_FILE_H

#include <functional>
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

// Why `bytes` (a whole file) is not a shared object of `kind` that the
// loader can map, as the end of a sentence ("is not an ELF shared
// object"), or an empty text when it is one.  ELF: its headers, every
// loadable segment, and every segment and table that the loader reads in
// memory (the dynamic segment and what its entries point to, the program
// headers, notes, thread-local data, protected relocations) lie within
// the file and within the loadable segments, with the alignment the
// loader needs.  PE: its headers and every section lie within the file.
// The figures in the text are the file's, never wrapped sums.
std::string LibraryProblem(std::string_view bytes, const LibraryKind &kind);

// The same for the file at `path`, reading only the parts checked; an
// empty text too when the file cannot be opened, which the loader reports.
std::string LibraryFileProblem(const std::string &path);

// POSIX systems: runs `load` (loading a library and using it as the host
// will) in a child process first, and tells how that child ended when the
// load ended it ("the library crashed while loading (signal 11, a
// segmentation fault)"); an empty text when `load` returned or threw,
// which the host's own load will report.  The library's initialization
// thus runs twice, once in the child.  Elsewhere `load` is not run and the
// text is always empty.
std::string LoadCrash(const std::function<void()> &load);

}  // namespace qhost

#endif
