// Fuzzes the tag-name workers with arbitrary byte strings and checks the
// facts every result must satisfy: at most 255 characters in the 256-byte
// buffer, the reported length, the stripped name a prefix of the input,
// and the indented leaf ending with the leaf whenever it fits.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "functions/tagname.h"
#include "fuzz_input.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// A heap buffer of exactly the working size, so that AddressSanitizer sees
// any write past it.
std::unique_ptr<char[]> Buffer() { return std::make_unique<char[]>(qelrpt::TextBufferSize); }

void CheckText(const char *out, std::size_t len) {
    Check(len < qelrpt::TextBufferSize);
    Check(std::strlen(out) == len);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const auto [previous, current] = fuzz::TwoTexts(data, size);
    const auto out = Buffer();

    std::size_t len = qelrpt::StripLeafName(previous.c_str(), out.get());
    CheckText(out.get(), len);
    Check(previous.compare(0, len, out.get(), len) == 0);

    len = qelrpt::IndentLeafName(previous.c_str(), out.get());
    CheckText(out.get(), len);
    const std::size_t lastSep = previous.find_last_of("\\.");
    const std::string leaf = lastSep == std::string::npos ? previous : previous.substr(lastSep + 1);
    if (len < qelrpt::TextBufferSize - 1) {
        Check(len >= leaf.size() && std::memcmp(out.get() + len - leaf.size(), leaf.data(), leaf.size()) == 0);
    }

    len = qelrpt::BuildHierarchyLines(previous.c_str(), current.c_str(), out.get());
    CheckText(out.get(), len);
    len = qelrpt::BuildHierarchyLines(current.c_str(), previous.c_str(), out.get());
    CheckText(out.get(), len);
    // A name never opens new levels below itself.
    Check(qelrpt::BuildHierarchyLines(current.c_str(), current.c_str(), out.get()) == 0);
    return 0;
}
