// The library a host loads: found beside the program, never in the
// current folder, and refused before loading when its file is truncated or
// of another kind.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "host_errors.h"
#include "library_file.h"
#include "plugin.h"

namespace {

TEST(DefaultLibrary, IsBesideTheProgramNeverInTheCurrentFolder) {
    const std::string path = qhost::DefaultLibraryPath("/opt/qelrpt/");
    EXPECT_EQ(path.substr(0, 12), "/opt/qelrpt/");
    EXPECT_NE(path.find("qelrpt"), std::string::npos);
    try {
        const std::string fallback = qhost::DefaultLibraryPath("");
        ADD_FAILURE() << "without a program folder, " << fallback;
    } catch (const qhost::HostError &error) {
        EXPECT_NE(std::string(error.what()).find("--library"), std::string::npos) << error.what();
    }
}

std::string ReadAll(const char *path) {
    std::string bytes;
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) return bytes;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) bytes += static_cast<char>(c);
    std::fclose(file);
    return bytes;
}

// The library built beside the tests, whole and cut short.
TEST(LibraryFile, TheBuiltLibraryPassesItsTruncationsDoNot) {
    const std::string bytes = ReadAll(QELRPT_TEST_LIBRARY);
    ASSERT_GT(bytes.size(), 10000U) << QELRPT_TEST_LIBRARY;
    const qhost::LibraryKind kind = qhost::HostLibraryKind();
    EXPECT_EQ(qhost::LibraryProblem(bytes, kind), "");
    for (const std::size_t size : {0U, 2U, 64U, 200U, 5000U}) {
        const std::string problem = qhost::LibraryProblem(bytes.substr(0, size), kind);
        EXPECT_NE(problem, "") << size << " bytes";
    }
    EXPECT_EQ(qhost::LibraryProblem(bytes.substr(0, 5000), kind).substr(0, 16), "is truncated: it");
    qhost::LibraryKind other = kind;
    other.machine = kind.machine + 1;
    EXPECT_EQ(qhost::LibraryProblem(bytes, other).substr(0, 30), "is built for another processor");
    other = kind;
    other.wide = !kind.wide;
    EXPECT_NE(qhost::LibraryProblem(bytes, other), "");
}

// ELF headers, as a 64-bit x86 shared object has them: type, machine, one
// loadable segment from byte 0 of the file (and address 0), and a dynamic
// segment of one entry, its end marker, at byte 200.
void Put(std::string &bytes, std::size_t at, std::uint64_t value, unsigned size) {
    for (unsigned i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8U * i)) & 0xFFU);
}

std::string Elf(unsigned type, std::size_t segmentEnd) {
    std::string bytes(256, '\0');
    bytes.replace(0, 7,
                  "\x7F"
                  "ELF\x02\x01\x01",
                  7);
    Put(bytes, 16, type, 2);
    Put(bytes, 18, 62, 2);
    Put(bytes, 32, 64, 8);  // program headers at 64
    Put(bytes, 54, 56, 2);
    Put(bytes, 56, 2, 2);
    Put(bytes, 64, 1, 4);                // PT_LOAD
    Put(bytes, 64 + 4, 5, 4);            // readable, runnable
    Put(bytes, 64 + 8, 0, 8);            // from byte 0
    Put(bytes, 64 + 32, segmentEnd, 8);  // of this many bytes in the file
    Put(bytes, 64 + 40, segmentEnd, 8);  // and in memory
    Put(bytes, 64 + 48, 4096, 8);        // aligned to a page
    Put(bytes, 120, 2, 4);               // PT_DYNAMIC
    Put(bytes, 120 + 8, 200, 8);         // from byte 200
    Put(bytes, 120 + 16, 200, 8);        // at address 200
    Put(bytes, 120 + 32, 16, 8);         // of 16 bytes
    Put(bytes, 120 + 40, 16, 8);
    return bytes;
}

TEST(LibraryFile, ElfHeadersAreChecked) {
    const qhost::LibraryKind x64{false, true, 62};
    EXPECT_EQ(qhost::LibraryProblem(Elf(3, 256), x64), "");
    EXPECT_EQ(qhost::LibraryProblem(Elf(3, 257), x64),
              "is truncated: it holds 256 bytes, and its loadable segments reach to byte 257");
    EXPECT_EQ(qhost::LibraryProblem(Elf(2, 256), x64), "is not a shared object (an ELF file of type 2)");
    EXPECT_EQ(qhost::LibraryProblem(Elf(3, 256), {false, true, 183}),
              "is built for another processor (ELF machine 62, this host 183)");
    EXPECT_EQ(qhost::LibraryProblem(Elf(3, 256), {false, false, 3}), "is a 64-bit library; this host is 32-bit");
    EXPECT_EQ(qhost::LibraryProblem("MZ" + std::string(100, '\0'), x64), "is not an ELF shared object");
}

// Program headers that would send the loader outside the library, each a
// change of the headers above; the figures are the file's, never wrapped.
TEST(LibraryFile, ProgramHeadersThatTheLoaderUsesAreChecked) {
    const qhost::LibraryKind x64{false, true, 62};
    const struct Case {
        std::size_t at;
        std::uint64_t value;
        unsigned size;
        const char *problem;
    } cases[] = {
        {32, 0xFFFFFFFFFFFFFFF0U, 8,
         "is truncated: it holds 256 bytes, and its program headers reach to byte "
         "18446744073709551712"},
        {54, 50, 2, "has program headers of 50 bytes; the loader reads 56"},
        {56, 0, 2, "has no program headers"},
        {64, 7, 4, "has no loadable segments"},
        {64 + 8, 0xFFFFFFFFFFFFFF00U, 8,
         "is truncated: it holds 256 bytes, and its loadable segments reach to byte "
         "18446744073709551616"},
        {64 + 16, 0xFFFFFFFFFFFFFF80U, 8,
         "has a loadable segment of 256 bytes at address 0xFFFFFFFFFFFFFF80, past "
         "the end of the address space"},
        {64 + 40, 100, 8, "has a loadable segment of 256 bytes in the file but 100 in memory"},
        {64 + 48, 3000, 8, "has a loadable segment aligned to 3000 bytes, not a power of two"},
        {64 + 16, 0x800, 8,
         "has a loadable segment at address 0x800 and offset 0, which its alignment (4096 bytes) "
         "does not allow"},
        {120, 1, 4,
         "has loadable segments out of address order or overlapping (one at 0xC8 after one that ends at "
         "0x100)"},
        {120, 6, 4, "has no dynamic segment"},
        {120 + 16, 0x1000000, 8,
         "has a dynamic segment of 16 bytes at address 0x1000000, outside its loadable "
         "segments"},
        {120 + 16, 248, 8, "has a dynamic segment of 16 bytes at address 0xF8, outside its loadable segments"},
        {120 + 16, 204, 8, "has a dynamic segment at address 0xCC, not aligned to 8 bytes"},
        {120 + 32, 8, 8, "has a dynamic segment without its end marker"},
        {200, 5, 8, "has a dynamic segment without its end marker"},
        {64 + 4, 1, 4, "has a dynamic segment at address 0xC8, in a loadable segment that cannot be read"},
        {120, 4, 4, "has no dynamic segment"},
        {120, 0x6474E552, 4, "has no dynamic segment"},
    };
    for (const Case &c : cases) {
        std::string bytes = Elf(3, 256);
        Put(bytes, c.at, c.value, c.size);
        EXPECT_EQ(qhost::LibraryProblem(bytes, x64), c.problem) << "byte " << c.at << " = " << c.value;
    }
    // A dynamic entry that points outside: the string table (tag 5) at
    // 0x10000, then of 100 bytes at 200, which reaches past the segment.
    std::string bytes = Elf(3, 256);
    Put(bytes, 120 + 32, 32, 8);
    Put(bytes, 120 + 40, 32, 8);
    Put(bytes, 200, 5, 8);
    Put(bytes, 208, 0x10000, 8);
    EXPECT_EQ(qhost::LibraryProblem(bytes, x64),
              "has a dynamic entry (tag 5) that points to 1 byte at address 0x10000, outside its loadable segments");
    Put(bytes, 208, 200, 8);
    Put(bytes, 216, 10, 8);  // the string table's size
    Put(bytes, 224, 100, 8);
    Put(bytes, 120 + 32, 48, 8);
    Put(bytes, 120 + 40, 48, 8);
    EXPECT_EQ(qhost::LibraryProblem(bytes, x64),
              "has a dynamic entry (tag 5) that points to 100 bytes at address 0xC8, outside its loadable segments");
    Put(bytes, 224, 56, 8);
    EXPECT_EQ(qhost::LibraryProblem(bytes, x64), "");
    // The initialization function (tag 12) in memory that cannot run code.
    Put(bytes, 216, 12, 8);
    Put(bytes, 224, 100, 8);
    EXPECT_EQ(qhost::LibraryProblem(bytes, x64), "");
    Put(bytes, 64 + 4, 4, 4);
    EXPECT_EQ(qhost::LibraryProblem(bytes, x64),
              "has a dynamic entry (tag 12) that points to address 0x64, in a loadable segment that cannot run code");
}

// PE headers as a 64-bit DLL has them, with one section.
std::string Pe(unsigned characteristics, std::size_t sectionEnd) {
    std::string bytes(216, '\0');
    const auto put = [&bytes](std::size_t at, std::uint64_t value, unsigned size) { Put(bytes, at, value, size); };
    bytes.replace(0, 2, "MZ");
    put(0x3C, 64, 4);
    bytes.replace(64, 4, std::string("PE\0\0", 4));
    put(68, 0x8664, 2);
    put(70, 1, 2);  // one section
    put(84, 0, 2);  // no optional header
    put(86, characteristics, 2);
    put(88 + 16, sectionEnd - 200, 4);  // its size
    put(88 + 20, 200, 4);               // from byte 200
    return bytes;
}

TEST(LibraryFile, PeHeadersAreChecked) {
    const qhost::LibraryKind x64{true, true, 0x8664};
    EXPECT_EQ(qhost::LibraryProblem(Pe(0x2022, 216), x64), "");
    EXPECT_EQ(qhost::LibraryProblem(Pe(0x2022, 300), x64),
              "is truncated: it holds 216 bytes, and its sections reach to byte 300");
    EXPECT_EQ(qhost::LibraryProblem(Pe(0x0022, 216), x64), "is not a DLL (a program)");
    EXPECT_EQ(qhost::LibraryProblem(Pe(0x2022, 216), {true, false, 0x14C}),
              "is built for another processor (PE machine 34404, this host 332)");
    EXPECT_EQ(qhost::LibraryProblem(Elf(3, 256), x64), "is not a Windows DLL");
}

}  // namespace
