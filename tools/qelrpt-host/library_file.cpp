#include "library_file.h"

#include <cstdint>
#include <cstdio>

namespace qhost {

namespace {

// Little-endian fields, as both formats store them on the processors the
// host runs on; 0 past the end (the callers check the extent first).
std::uint64_t Field(std::string_view bytes, std::uint64_t at, unsigned size) {
    std::uint64_t value = 0;
    for (unsigned i = size; i-- > 0;) {
        const std::uint64_t where = at + i;
        value = (value << 8U) |
                (where < bytes.size() ? static_cast<unsigned char>(bytes[static_cast<std::size_t>(where)]) : 0U);
    }
    return value;
}

bool Within(std::string_view bytes, std::uint64_t at, std::uint64_t size) {
    return at <= bytes.size() && size <= bytes.size() - at;
}

std::string Truncated(std::string_view bytes, std::uint64_t needed, const char *what) {
    return "is truncated: it holds " + std::to_string(bytes.size()) + " bytes, and its " + what + " reach to byte " +
           std::to_string(needed);
}

std::string Bits(bool wide) { return wide ? "64-bit" : "32-bit"; }

// ELF's file header: the class, byte order, type and processor.
std::string ElfHeaderProblem(std::string_view bytes, const LibraryKind &kind) {
    if (bytes.size() < 16 || bytes.substr(0, 4) !=
                                 "\x7F"
                                 "ELF")
        return "is not an ELF shared object";
    const unsigned elfClass = static_cast<unsigned char>(bytes[4]);
    if (elfClass != 1 && elfClass != 2) return "is not an ELF shared object (unknown class)";
    const bool wide = elfClass == 2;
    if (wide != kind.wide) return "is a " + Bits(wide) + " library; this host is " + Bits(kind.wide);
    if (bytes[5] != 1) return "is a big-endian library; this host is little-endian";
    const std::uint64_t headerSize = wide ? 64 : 52;
    if (!Within(bytes, 0, headerSize)) return Truncated(bytes, headerSize, "file header would");
    if (Field(bytes, 16, 2) != 3)
        return "is not a shared object (an ELF file of type " + std::to_string(Field(bytes, 16, 2)) + ")";
    const std::uint64_t machine = Field(bytes, 18, 2);
    if (kind.machine != 0 && machine != kind.machine)
        return "is built for another processor (ELF machine " + std::to_string(machine) + ", this host " +
               std::to_string(kind.machine) + ")";
    return {};
}

// Where a class of ELF file keeps the fields read here.
struct ElfLayout {
    std::uint64_t phoff, phentsize, phnum, minimumEntry, offset, size;
    unsigned word;
};
constexpr ElfLayout Elf32{28, 42, 44, 32, 4, 16, 4};
constexpr ElfLayout Elf64{32, 54, 56, 56, 8, 32, 8};

// ELF: the file header, then the program headers, whose loadable segments
// the loader maps from the file.
std::string ElfProblem(std::string_view bytes, const LibraryKind &kind) {
    if (std::string problem = ElfHeaderProblem(bytes, kind); !problem.empty()) return problem;
    const ElfLayout &layout = kind.wide ? Elf64 : Elf32;
    const std::uint64_t phoff = Field(bytes, layout.phoff, layout.word);
    const std::uint64_t phentsize = Field(bytes, layout.phentsize, 2), phnum = Field(bytes, layout.phnum, 2);
    if (phentsize < layout.minimumEntry || phnum == 0) return "has no usable program headers";
    if (!Within(bytes, phoff, phentsize * phnum)) return Truncated(bytes, phoff + phentsize * phnum, "program headers");
    for (std::uint64_t i = 0; i < phnum; ++i) {
        const std::uint64_t at = phoff + i * phentsize;
        if (Field(bytes, at, 4) != 1) continue;  // PT_LOAD
        const std::uint64_t offset = Field(bytes, at + layout.offset, layout.word);
        const std::uint64_t size = Field(bytes, at + layout.size, layout.word);
        if (!Within(bytes, offset, size)) return Truncated(bytes, offset + size, "loadable segments");
    }
    return {};
}

// PE: the MS-DOS stub points to the PE signature, the COFF header follows
// it, then the optional header and the section table, whose sections the
// loader maps from the file.
std::string PeProblem(std::string_view bytes, const LibraryKind &kind) {
    if (bytes.size() < 64 || bytes.substr(0, 2) != "MZ") return "is not a Windows DLL";
    const std::uint64_t pe = Field(bytes, 0x3C, 4);
    if (!Within(bytes, pe, 24)) return Truncated(bytes, pe + 24, "headers");
    if (bytes.substr(static_cast<std::size_t>(pe), 4) != std::string_view("PE\0\0", 4))
        return "is not a Windows DLL (no PE signature)";
    const std::uint64_t machine = Field(bytes, pe + 4, 2), sections = Field(bytes, pe + 6, 2);
    const std::uint64_t optional = Field(bytes, pe + 20, 2), characteristics = Field(bytes, pe + 22, 2);
    if (kind.machine != 0 && machine != kind.machine)
        return "is built for another processor (PE machine " + std::to_string(machine) + ", this host " +
               std::to_string(kind.machine) + ")";
    if ((characteristics & 0x2000U) == 0) return "is not a DLL (a program)";  // IMAGE_FILE_DLL
    if (optional >= 2 && Within(bytes, pe + 24, 2)) {  // the optional header's magic: PE32 or PE32+
        const bool wide = Field(bytes, pe + 24, 2) == 0x20B;
        if (wide != kind.wide) return "is a " + Bits(wide) + " library; this host is " + Bits(kind.wide);
    }
    const std::uint64_t table = pe + 24 + optional;
    if (!Within(bytes, table, sections * 40)) return Truncated(bytes, table + sections * 40, "section headers");
    for (std::uint64_t i = 0; i < sections; ++i) {
        const std::uint64_t size = Field(bytes, table + i * 40 + 16, 4), offset = Field(bytes, table + i * 40 + 20, 4);
        if (size > 0 && !Within(bytes, offset, size)) return Truncated(bytes, offset + size, "sections");
    }
    return {};
}

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
    return kind.pe ? PeProblem(bytes, kind) : ElfProblem(bytes, kind);
}

std::string LibraryFileProblem(const std::string &path) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return {};
    std::string bytes;
    char piece[65536];
    for (std::size_t got = 0; (got = std::fread(piece, 1, sizeof piece, file)) > 0;) bytes.append(piece, got);
    std::fclose(file);
    return LibraryProblem(bytes, HostLibraryKind());
}

}  // namespace qhost
