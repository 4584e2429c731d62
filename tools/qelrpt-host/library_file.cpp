#include "library_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace qhost {

namespace {

// How much of the file one read brings in.
constexpr std::size_t Window = 4096;

bool Seek(std::FILE *file, std::uint64_t at) {
#ifdef _WIN32
    return at <= static_cast<std::uint64_t>(std::numeric_limits<long long>::max()) &&
           _fseeki64(file, static_cast<long long>(at), SEEK_SET) == 0;
#else
    return at <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) &&
           fseeko(file, static_cast<off_t>(at), SEEK_SET) == 0;
#endif
}

// The bytes of a library file, read where the checks ask: from memory, or
// from the open file one window at a time, so that only the parts checked
// are read.
class Bytes {
   public:
    explicit Bytes(std::string_view memory) : memory_(memory), size_(memory.size()) {}
    Bytes(std::FILE *file, std::uint64_t size) : file_(file), size_(size) {}

    std::uint64_t Size() const { return size_; }

    // Whether [at, at + size) lies within the file (no sum that can wrap).
    bool Within(std::uint64_t at, std::uint64_t size) const { return at <= size_ && size <= size_ - at; }

    // A little-endian field, as both formats store them on the processors
    // the host runs on; 0 past the end (the callers check the extent first).
    std::uint64_t Field(std::uint64_t at, unsigned size) {
        std::uint64_t value = 0;
        for (unsigned i = size; i-- > 0;) value = (value << 8U) | Byte(at + i);
        return value;
    }

    // Whether the file holds `text` at `at`.
    bool Holds(std::uint64_t at, std::string_view text) {
        if (!Within(at, text.size())) return false;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (Byte(at + i) != static_cast<unsigned char>(text[i])) return false;
        return true;
    }

   private:
    unsigned Byte(std::uint64_t at) {
        if (at >= size_) return 0;
        if (file_ == nullptr) return static_cast<unsigned char>(memory_[static_cast<std::size_t>(at)]);
        if (at < windowAt_ || at - windowAt_ >= window_.size()) {
            windowAt_ = at - at % Window;
            window_.resize(Window);
            const std::size_t got = Seek(file_, windowAt_) ? std::fread(window_.data(), 1, Window, file_) : 0;
            window_.resize(got);
            if (at - windowAt_ >= got) return 0;  // the file ended early or could not be read
        }
        return window_[static_cast<std::size_t>(at - windowAt_)];
    }

    std::string_view memory_;
    std::FILE *file_ = nullptr;
    std::uint64_t size_;
    std::vector<unsigned char> window_;
    std::uint64_t windowAt_ = 0;
};

// The decimal text of a + b, which may pass 2^64: the figure the file's
// numbers give, not a wrapped one.
std::string Sum(std::uint64_t a, std::uint64_t b) {
    const std::string x = std::to_string(a), y = std::to_string(b);
    std::string sum;
    unsigned carry = 0;
    for (std::size_t i = 0; i < x.size() || i < y.size() || carry != 0; ++i) {
        unsigned digit = carry;
        if (i < x.size()) digit += static_cast<unsigned>(x[x.size() - 1 - i] - '0');
        if (i < y.size()) digit += static_cast<unsigned>(y[y.size() - 1 - i] - '0');
        sum.insert(sum.begin(), static_cast<char>('0' + digit % 10));
        carry = digit / 10;
    }
    return sum;
}

std::string Truncated(const Bytes &bytes, const std::string &needed, const char *what) {
    return "is truncated: it holds " + std::to_string(bytes.Size()) + " bytes, and its " + what + " reach to byte " +
           needed;
}

std::string Bits(bool wide) { return wide ? "64-bit" : "32-bit"; }

// ELF's file header: the class, byte order, type and processor.
std::string ElfHeaderProblem(Bytes &bytes, const LibraryKind &kind) {
    if (bytes.Size() < 16 || !bytes.Holds(0,
                                          "\x7F"
                                          "ELF"))
        return "is not an ELF shared object";
    const std::uint64_t elfClass = bytes.Field(4, 1);
    if (elfClass != 1 && elfClass != 2) return "is not an ELF shared object (unknown class)";
    const bool wide = elfClass == 2;
    if (wide != kind.wide) return "is a " + Bits(wide) + " library; this host is " + Bits(kind.wide);
    if (bytes.Field(5, 1) != 1) return "is a big-endian library; this host is little-endian";
    const std::uint64_t headerSize = wide ? 64 : 52;
    if (!bytes.Within(0, headerSize)) return Truncated(bytes, std::to_string(headerSize), "file header would");
    if (bytes.Field(16, 2) != 3)
        return "is not a shared object (an ELF file of type " + std::to_string(bytes.Field(16, 2)) + ")";
    const std::uint64_t machine = bytes.Field(18, 2);
    if (kind.machine != 0 && machine != kind.machine)
        return "is built for another processor (ELF machine " + std::to_string(machine) + ", this host " +
               std::to_string(kind.machine) + ")";
    return {};
}

// Where a class of ELF file keeps the fields read here: in the file
// header, in each program header, and in each dynamic entry.
struct ElfLayout {
    std::uint64_t phoff, phentsize, phnum, entry;  // the file header's fields; a program header's size
    unsigned word;
    std::uint64_t offset, vaddr, filesz, memsz, align, flags;  // a program header's fields
    std::uint64_t top;                                         // the highest address
};
constexpr ElfLayout Elf32{28, 42, 44, 32, 4, 4, 8, 16, 20, 28, 24, 0xFFFFFFFFU};
constexpr ElfLayout Elf64{32, 54, 56, 56, 8, 8, 16, 32, 40, 48, 4, UINT64_MAX};

// What a loadable segment's memory allows.
constexpr std::uint64_t Runnable = 1, Readable = 4;

// The program header types the checks know.
enum : std::uint64_t {
    Load = 1,
    Dynamic = 2,
    Note = 4,
    ProgramHeaders = 6,
    ThreadLocal = 7,
    FrameTable = 0x6474E550,
    ReadOnlyAfterRelocation = 0x6474E552,
    Properties = 0x6474E553,
};

struct Segment {
    std::uint64_t type, offset, vaddr, filesz, memsz, align, flags;
};

// The program headers, or why they cannot be read.
std::string ReadSegments(Bytes &bytes, const ElfLayout &layout, std::vector<Segment> &segments) {
    const std::uint64_t phoff = bytes.Field(layout.phoff, layout.word);
    const std::uint64_t phentsize = bytes.Field(layout.phentsize, 2), phnum = bytes.Field(layout.phnum, 2);
    if (phnum == 0) return "has no program headers";
    if (phentsize != layout.entry)
        return "has program headers of " + std::to_string(phentsize) + " bytes; the loader reads " +
               std::to_string(layout.entry);
    if (!bytes.Within(phoff, phentsize * phnum))
        return Truncated(bytes, Sum(phoff, phentsize * phnum), "program headers");
    for (std::uint64_t i = 0; i < phnum; ++i) {
        const std::uint64_t at = phoff + i * phentsize;
        segments.push_back({bytes.Field(at, 4), bytes.Field(at + layout.offset, layout.word),
                            bytes.Field(at + layout.vaddr, layout.word), bytes.Field(at + layout.filesz, layout.word),
                            bytes.Field(at + layout.memsz, layout.word), bytes.Field(at + layout.align, layout.word),
                            bytes.Field(at + layout.flags, 4)});
    }
    return {};
}

std::string Address(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

// One loadable segment: within the file, within the address space, no
// more bytes in the file than in memory, aligned as the loader maps it,
// and after the one before it (`end`: where that one ends in memory).
std::string LoadProblem(const Bytes &bytes, const ElfLayout &layout, const Segment &load, std::uint64_t end) {
    if (!bytes.Within(load.offset, load.filesz))
        return Truncated(bytes, Sum(load.offset, load.filesz), "loadable segments");
    if (load.vaddr > layout.top || load.memsz > layout.top - load.vaddr)
        return "has a loadable segment of " + std::to_string(load.memsz) + " bytes at address " + Address(load.vaddr) +
               ", past the end of the address space";
    if (load.filesz > load.memsz)
        return "has a loadable segment of " + std::to_string(load.filesz) + " bytes in the file but " +
               std::to_string(load.memsz) + " in memory";
    if ((load.align & (load.align - 1)) != 0)
        return "has a loadable segment aligned to " + std::to_string(load.align) + " bytes, not a power of two";
    if (load.align > 1 && (load.vaddr - load.offset) % load.align != 0)
        return "has a loadable segment at address " + Address(load.vaddr) + " and offset " +
               std::to_string(load.offset) + ", which its alignment (" + std::to_string(load.align) +
               " bytes) does not allow";
    if (load.vaddr < end)
        return "has loadable segments out of address order or overlapping (one at " + Address(load.vaddr) +
               " after one that ends at " + Address(end) + ")";
    return {};
}

// The loadable segments, checked, in their order.
std::string Loads(const Bytes &bytes, const ElfLayout &layout, const std::vector<Segment> &segments,
                  std::vector<Segment> &loads) {
    std::uint64_t end = 0;
    for (const Segment &segment : segments) {
        if (segment.type != Load) continue;
        if (std::string problem = LoadProblem(bytes, layout, segment, end); !problem.empty()) return problem;
        end = segment.vaddr + segment.memsz;
        loads.push_back(segment);
    }
    return loads.empty() ? "has no loadable segments" : std::string();
}

// The loadable segment whose memory holds [vaddr, vaddr + size), or only
// its part read from the file (`fromFile`); null when none does.
const Segment *Holding(const std::vector<Segment> &loads, std::uint64_t vaddr, std::uint64_t size, bool fromFile) {
    for (const Segment &load : loads) {
        const std::uint64_t extent = fromFile ? load.filesz : load.memsz;
        if (vaddr >= load.vaddr && vaddr - load.vaddr <= extent && size <= extent - (vaddr - load.vaddr)) return &load;
    }
    return nullptr;
}

const char *SegmentName(std::uint64_t type) {
    switch (type) {
        case Dynamic:
            return "dynamic segment";
        case Note:
            return "note segment";
        case ProgramHeaders:
            return "program header segment";
        case ThreadLocal:
            return "thread-local segment";
        case FrameTable:
            return "frame table segment";
        case ReadOnlyAfterRelocation:
            return "read-only-after-relocation segment";
        case Properties:
            return "property segment";
        default:
            return nullptr;
    }
}

// A segment that the loader reads, or protects, where the loadable
// segments put it in memory: its bytes from the file lie in the part of
// one readable loadable segment read from the file; its memory (but for
// the thread-local segment's, which is allocated per thread) in that
// segment.
std::string InMemoryProblem(const std::vector<Segment> &loads, const Segment &segment) {
    const char *name = SegmentName(segment.type);
    if (name == nullptr) return {};
    const Segment *load = Holding(loads, segment.vaddr, segment.filesz, true);
    const bool fits =
        load != nullptr && (segment.type == ThreadLocal || Holding(loads, segment.vaddr, segment.memsz, false) == load);
    if (!fits)
        return std::string("has a ") + name + " of " + std::to_string(segment.memsz) + " bytes at address " +
               Address(segment.vaddr) + ", outside its loadable segments";
    if ((load->flags & Readable) == 0)
        return std::string("has a ") + name + " at address " + Address(segment.vaddr) +
               ", in a loadable segment that cannot be read";
    if (segment.type == ThreadLocal && (segment.align & (segment.align - 1)) != 0)
        return "has a thread-local segment aligned to " + std::to_string(segment.align) + " bytes, not a power of two";
    return {};
}

// A dynamic entry that points into memory, and the entry that gives the
// size of what it points to (0: none).
struct Pointer {
    std::uint64_t tag, sizeTag;
};
constexpr Pointer Pointers[] = {
    {3, 0},           // the global offset table
    {4, 0},           // the symbol hash table
    {5, 10},          // the string table, of this size
    {6, 0},           // the symbol table
    {7, 8},           // relocations with addends
    {12, 0},          // the initialization function
    {13, 0},          // the termination function
    {17, 18},         // relocations without addends
    {23, 2},          // the procedure linkage table's relocations
    {25, 27},         // initialization functions
    {26, 28},         // termination functions
    {32, 33},         // initialization functions before the others
    {36, 35},         // relative relocations, packed
    {0x6FFFFEF5, 0},  // the GNU hash table
    {0x6FFFFFF0, 0},  // symbol versions
    {0x6FFFFFFC, 0},  // version definitions
    {0x6FFFFFFE, 0},  // version needs
};

// The dynamic segment's entries: tags and values.
using Entries = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

// The dynamic segment's entries up to its end marker (tag 0), read where
// the loader reads them: in memory, that is at the file offset that its
// loadable segment gives the segment's address.
std::string ReadEntries(Bytes &bytes, const ElfLayout &layout, const Segment &load, const Segment &dynamic,
                        Entries &entries) {
    const std::uint64_t at = load.offset + (dynamic.vaddr - load.vaddr);
    const std::uint64_t size = 2ULL * layout.word;
    for (std::uint64_t i = 0; i < dynamic.filesz / size; ++i) {
        const std::uint64_t tag = bytes.Field(at + i * size, layout.word);
        if (tag == 0) return {};
        entries.emplace_back(tag, bytes.Field(at + i * size + layout.word, layout.word));
    }
    return "has a dynamic segment without its end marker";
}

// The value of the last dynamic entry of that tag, the one the loader
// keeps.
std::optional<std::uint64_t> Find(const Entries &entries, std::uint64_t tag) {
    std::optional<std::uint64_t> value;
    for (const auto &[entryTag, entryValue] : entries)
        if (entryTag == tag) value = entryValue;
    return value;
}

// What a dynamic entry points to: within a loadable segment that can be
// read, or, for a function run at load and unload, that can run code.
std::string PointerProblem(const Entries &entries, const std::vector<Segment> &loads, const Pointer &pointer) {
    const std::optional<std::uint64_t> address = Find(entries, pointer.tag);
    if (!address) return {};
    const std::uint64_t size = pointer.sizeTag != 0 ? Find(entries, pointer.sizeTag).value_or(1) : 1;
    const Segment *holder = Holding(loads, *address, size, false);
    if (holder == nullptr)
        return "has a dynamic entry (tag " + std::to_string(pointer.tag) + ") that points to " + std::to_string(size) +
               (size == 1 ? " byte" : " bytes") + " at address " + Address(*address) +
               ", outside its loadable segments";
    const bool code = pointer.tag == 12 || pointer.tag == 13;
    if ((holder->flags & (code ? Runnable : Readable)) == 0)
        return "has a dynamic entry (tag " + std::to_string(pointer.tag) + ") that points to address " +
               Address(*address) + ", in a loadable segment that cannot " + (code ? "run code" : "be read");
    return {};
}

// The dynamic segment (the last, as the loader takes it): aligned, its
// entries ending within it, and what they point to as above.
std::string DynamicProblem(Bytes &bytes, const ElfLayout &layout, const std::vector<Segment> &segments,
                           const std::vector<Segment> &loads) {
    const Segment *dynamic = nullptr;
    for (const Segment &segment : segments)
        if (segment.type == Dynamic) dynamic = &segment;
    if (dynamic == nullptr) return "has no dynamic segment";
    const Segment *load = Holding(loads, dynamic->vaddr, dynamic->filesz, true);
    if (load == nullptr) return InMemoryProblem(loads, *dynamic);
    if (dynamic->vaddr % layout.word != 0)
        return "has a dynamic segment at address " + Address(dynamic->vaddr) + ", not aligned to " +
               std::to_string(layout.word) + " bytes";
    Entries entries;
    if (std::string problem = ReadEntries(bytes, layout, *load, *dynamic, entries); !problem.empty()) return problem;
    for (const Pointer &pointer : Pointers)
        if (std::string problem = PointerProblem(entries, loads, pointer); !problem.empty()) return problem;
    return {};
}

// ELF: the file header, then the program headers, whose loadable segments
// the loader maps from the file, and whose other segments it reads or
// protects in that memory.
std::string ElfProblem(Bytes &bytes, const LibraryKind &kind) {
    if (std::string problem = ElfHeaderProblem(bytes, kind); !problem.empty()) return problem;
    const ElfLayout &layout = kind.wide ? Elf64 : Elf32;
    std::vector<Segment> segments, loads;
    if (std::string problem = ReadSegments(bytes, layout, segments); !problem.empty()) return problem;
    if (std::string problem = Loads(bytes, layout, segments, loads); !problem.empty()) return problem;
    for (const Segment &segment : segments)
        if (std::string problem = InMemoryProblem(loads, segment); !problem.empty()) return problem;
    return DynamicProblem(bytes, layout, segments, loads);
}

// PE: the MS-DOS stub points to the PE signature, the COFF header follows
// it, then the optional header and the section table, whose sections the
// loader maps from the file.  The fields are 32 bits or narrower: their
// sums cannot wrap.
std::string PeProblem(Bytes &bytes, const LibraryKind &kind) {
    if (bytes.Size() < 64 || !bytes.Holds(0, "MZ")) return "is not a Windows DLL";
    const std::uint64_t pe = bytes.Field(0x3C, 4);
    if (!bytes.Within(pe, 24)) return Truncated(bytes, std::to_string(pe + 24), "headers");
    if (!bytes.Holds(pe, std::string_view("PE\0\0", 4))) return "is not a Windows DLL (no PE signature)";
    const std::uint64_t machine = bytes.Field(pe + 4, 2), sections = bytes.Field(pe + 6, 2);
    const std::uint64_t optional = bytes.Field(pe + 20, 2), characteristics = bytes.Field(pe + 22, 2);
    if (kind.machine != 0 && machine != kind.machine)
        return "is built for another processor (PE machine " + std::to_string(machine) + ", this host " +
               std::to_string(kind.machine) + ")";
    if ((characteristics & 0x2000U) == 0) return "is not a DLL (a program)";  // IMAGE_FILE_DLL
    if (optional >= 2 && bytes.Within(pe + 24, 2)) {  // the optional header's magic: PE32 or PE32+
        const bool wide = bytes.Field(pe + 24, 2) == 0x20B;
        if (wide != kind.wide) return "is a " + Bits(wide) + " library; this host is " + Bits(kind.wide);
    }
    const std::uint64_t table = pe + 24 + optional;
    if (!bytes.Within(table, sections * 40))
        return Truncated(bytes, std::to_string(table + sections * 40), "section headers");
    for (std::uint64_t i = 0; i < sections; ++i) {
        const std::uint64_t size = bytes.Field(table + i * 40 + 16, 4), offset = bytes.Field(table + i * 40 + 20, 4);
        if (size > 0 && !bytes.Within(offset, size)) return Truncated(bytes, std::to_string(offset + size), "sections");
    }
    return {};
}

std::string Problem(Bytes &bytes, const LibraryKind &kind) {
    return kind.pe ? PeProblem(bytes, kind) : ElfProblem(bytes, kind);
}

#ifndef _WIN32
// How a signal is told: "signal 11, a segmentation fault".
std::string SignalText(int signal) {
    const char *name = signal == SIGSEGV   ? ", a segmentation fault"
                       : signal == SIGBUS  ? ", a bus error"
                       : signal == SIGILL  ? ", an illegal instruction"
                       : signal == SIGFPE  ? ", an arithmetic fault"
                       : signal == SIGABRT ? ", an abort"
                                           : "";
    return "signal " + std::to_string(signal) + name;
}
#endif

}  // namespace

LibraryKind HostLibraryKind() {
    constexpr bool wide = sizeof(void *) == 8;
#if defined(_WIN32)
#if defined(__x86_64__) || defined(_M_X64)
    return {true, wide, 0x8664};
#elif defined(__i386__) || defined(_M_IX86)
    return {true, wide, 0x14C};
#else
    return {true, wide, 0};
#endif
#elif defined(__x86_64__)
    return {false, wide, 62};
#elif defined(__i386__)
    return {false, wide, 3};
#elif defined(__aarch64__)
    return {false, wide, 183};
#else
    return {false, wide, 0};
#endif
}

std::string LibraryProblem(std::string_view bytes, const LibraryKind &kind) {
    Bytes memory(bytes);
    return Problem(memory, kind);
}

std::string LibraryFileProblem(const std::string &path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return {};
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return {};
    Bytes bytes(file, size);
    std::string problem = Problem(bytes, HostLibraryKind());
    std::fclose(file);
    return problem;
}

std::string LoadCrash(const std::function<void()> &load) {
#ifdef _WIN32
    (void)load;
    return {};
#else
    // Nothing buffered is written twice by a child that the load ends.
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return {};  // the host's own load will tell
    if (child == 0) {
        // The loader's and the library's output, and its messages, are the
        // host's to give.
        const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (quiet >= 0) {
            dup2(quiet, 1);
            dup2(quiet, 2);
        }
        try {
            load();
        } catch (...) {  // NOLINT(bugprone-empty-catch): the host's own load reports it
        }
        _exit(0);
    }
    int status = 0;
    pid_t ended = -1;
    do ended = waitpid(child, &status, 0);
    while (ended < 0 && errno == EINTR);
    if (ended != child) return {};
    if (WIFSIGNALED(status)) return "the library crashed while loading (" + SignalText(WTERMSIG(status)) + ")";
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
        return "the library ended the program while loading (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
    return {};
#endif
}

}  // namespace qhost
