// Reading the CSV file of a report: files, pipes and devices, but no
// folder, and no more than the size allowed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "csv.h"
#include "host_errors.h"

namespace {

namespace fs = std::filesystem;

// A file of `size` bytes in the working folder (CTest's is in the build
// tree: a fixed name in the shared temporary folder would clash with other
// runs), removed at the end.
class TempFile {
   public:
    TempFile(const char *name, std::size_t size) : path_((fs::current_path() / name).string()) {
        std::FILE *file = std::fopen(path_.c_str(), "wb");
        if (file == nullptr) throw std::runtime_error("cannot create " + path_);
        const std::string text(size, 'x');
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    ~TempFile() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    TempFile(TempFile &&) = delete;
    TempFile &operator=(TempFile &&) = delete;
    const std::string &Path() const { return path_; }

   private:
    std::string path_;
};

// What ReadCsvFile gives: the size read, or the message it throws.
std::string Read(const std::string &path, std::uintmax_t maxSize) {
    try {
        const std::vector<char> data = qhost::ReadCsvFile(path, maxSize);
        EXPECT_FALSE(data.empty());
        EXPECT_EQ(data.back(), '\0') << "the spare byte";
        return std::to_string(data.size() - 1) + " bytes";
    } catch (const qhost::HostError &error) {
        return error.what();
    }
}

TEST(ReadCsvFile, ReadsRegularFilesUpToTheLimit) {
    const TempFile small("qelrpt_read_file_small.csv", 10);
    const TempFile large("qelrpt_read_file_large.csv", 200000);  // more than one piece read
    const struct Case {
        std::string path;
        std::uintmax_t maxSize;
        std::string result;
    } cases[] = {
        {small.Path(), 10, "10 bytes"},
        {small.Path(), 1000, "10 bytes"},
        {small.Path(), 9, small.Path() + " is too large (more than 9 bytes)"},
        {large.Path(), 200000, "200000 bytes"},
        {large.Path(), 199999, large.Path() + " is too large (more than 199999 bytes)"},
        {fs::temp_directory_path().string(), 1000, fs::temp_directory_path().string() + " is a folder, not a file"},
#ifndef _WIN32
        // A device that never ends: refused once it passes the limit.
        {"/dev/zero", 100000, "/dev/zero is too large (more than 100000 bytes)"},
        {"/dev/null", 1000, "0 bytes"},
#endif
    };
    for (const Case &c : cases) EXPECT_EQ(Read(c.path, c.maxSize), c.result) << c.path;
}

}  // namespace
