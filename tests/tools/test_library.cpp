// The library a host loads: found beside the program, never in the
// current folder, and refused before loading when its file is truncated or
// of another kind.
#include <gtest/gtest.h>

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
// loadable segment.
std::string Elf(unsigned type, std::size_t segmentEnd) {
    std::string bytes(256, '\0');
    bytes.replace(0, 7,
                  "\x7F"
                  "ELF\x02\x01\x01",
                  7);
    const auto put = [&bytes](std::size_t at, std::uint64_t value, unsigned size) {
        for (unsigned i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8U * i)) & 0xFFU);
    };
    put(16, type, 2);
    put(18, 62, 2);
    put(32, 64, 8);  // program headers at 64
    put(54, 56, 2);
    put(56, 1, 2);
    put(64, 1, 4);                // PT_LOAD
    put(64 + 8, 0, 8);            // from byte 0
    put(64 + 32, segmentEnd, 8);  // of this many bytes
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

// PE headers as a 64-bit DLL has them, with one section.
std::string Pe(unsigned characteristics, std::size_t sectionEnd) {
    std::string bytes(216, '\0');
    const auto put = [&bytes](std::size_t at, std::uint64_t value, unsigned size) {
        for (unsigned i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8U * i)) & 0xFFU);
    };
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
