// A library whose headers are damaged is refused with a sentence, never
// with a crash of the host: the real library, its ELF header and program
// headers changed at random (the same changes every run), loaded by the
// real host.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const char *path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::uint64_t Field(const std::string &bytes, std::size_t at, unsigned size) {
    std::uint64_t value = 0;
    for (unsigned i = size; i-- > 0;) value = (value << 8U) | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

// Where the headers that the loader reads end: after the program headers.
std::size_t HeadersEnd(const std::string &bytes) {
    const bool wide = bytes.at(4) == 2;
    const std::uint64_t phoff = wide ? Field(bytes, 32, 8) : Field(bytes, 28, 4);
    const std::uint64_t phentsize = Field(bytes, wide ? 54 : 42, 2), phnum = Field(bytes, wide ? 56 : 44, 2);
    return static_cast<std::size_t>(phoff + phentsize * phnum);
}

// How the host ended on the library at `path`: its exit status, or the
// signal that ended it as "signal N".
std::string RunHost(const std::string &path) {
    const pid_t child = fork();
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        execl(QELRPT_TEST_HOST, "qelrpt-host", "--library", path.c_str(), "list", static_cast<char *>(nullptr));
        _exit(errno == ENOEXEC ? 126 : 127);  // 126: the kernel cannot start the program
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return "not run";
    if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
    return std::to_string(WEXITSTATUS(status));
}

TEST(LibraryMutations, DamagedHeadersNeverCrashTheHost) {
    if (RunHost(QELRPT_TEST_LIBRARY) == "126")
        GTEST_SKIP() << "this kernel cannot start " << QELRPT_TEST_HOST << " (a 32-bit program) on its own";
    const std::string original = ReadAll(QELRPT_TEST_LIBRARY);
    ASSERT_GT(original.size(), 10000U);
    const std::size_t end = HeadersEnd(original);
    ASSERT_LT(end, original.size());
    const std::string path = (fs::current_path() / "qelrpt_mutated_library.so").string();
    std::mt19937 random(29);  // the same mutations on every run and every system
    constexpr int Mutations = 400;
    int crashed = 0, refused = 0;
    std::string first;
    for (int i = 0; i < Mutations; ++i) {
        std::string bytes = original;
        // One to three bytes of the headers: a new value, or one bit flipped.
        const auto changes = static_cast<unsigned>(1 + random() % 3);
        for (unsigned c = 0; c < changes; ++c) {
            const std::size_t at = static_cast<std::size_t>(random() % end);
            const auto pick = static_cast<std::uint32_t>(random());
            bytes[at] = static_cast<char>((pick & 1U) != 0
                                              ? (pick >> 8U) & 0xFFU
                                              : static_cast<unsigned char>(bytes[at]) ^ (1U << ((pick >> 8U) % 8)));
        }
        {
            std::ofstream file(path, std::ios::binary | std::ios::trunc);
            file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        const std::string result = RunHost(path);
        if (result == "2") ++refused;
        if (result == "0" || result == "2") continue;
        ++crashed;
        if (first.empty()) first = "mutation " + std::to_string(i) + ": " + result;
    }
    std::error_code ignored;
    fs::remove(path, ignored);
    EXPECT_EQ(crashed, 0) << crashed << " of " << Mutations << " mutations crashed the host; the first, " << first;
    std::printf("%d of %d mutations refused, %d crashed\n", refused, Mutations, crashed);
}

}  // namespace

#endif
