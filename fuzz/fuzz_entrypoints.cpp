// Drives the entry point of every row of the function table through raw call blocks built from
// arbitrary bytes: strings with high-bit characters, runs of separators or
// nothing at all, doubles of every bit pattern, missing and null
// arguments.  String results go into a host buffer of 256 bytes that ends
// exactly at an inaccessible guard page, so a 257th byte written faults.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "fuzz_input.h"
#include "qelrpt.h"
#include "table/function_table.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// 256 writable bytes immediately followed by a PROT_NONE page.
char *GuardedResultBuffer() {
    static char *buffer = [] {
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        void *region = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        Check(region != MAP_FAILED);
        char *base = static_cast<char *>(region);
        Check(mprotect(base + page, page, PROT_NONE) == 0);
        return base + page - 256;
    }();
    return buffer;
}

struct Call {
    UFArgNode nodes[3]{};
    UFCallBlock block{};
};

// Builds the argument list: `count` nodes (0 to 3), each a string, a null
// string pointer or a number as the control byte says.
void Arrange(Call &call, std::uint8_t control, const std::string &a, const std::string &b, double number) {
    const int count = control & 3;
    for (int i = 0; i < count; ++i) {
        UFArgNode &node = call.nodes[i];
        node.next = i + 1 < count ? &call.nodes[i + 1] : nullptr;
        switch ((control >> (2 + 2 * i)) & 3) {
            case 0:
                node.value.string = i == 0 ? a.c_str() : b.c_str();
                break;
            case 1:
                node.value.string = nullptr;
                break;
            default:
                node.value.number = number;
                break;
        }
    }
    call.block.firstArg = count > 0 ? &call.nodes[0] : nullptr;
}

// Every row of the function table: its entry point, whether it answers a
// text, and whether it takes a Number.
struct Entry {
    UFFormulaFunction f;
    bool text;
    bool numeric;
};
using qelrpt::Boolean;
using qelrpt::Number;
using qelrpt::SignatureParts;
using qelrpt::String;
#define QELRPT_FUZZ_ENTRY(name, entry, result, params, ...) \
    {entry, std::is_same_v<SignatureParts<result params>::Result, String>, SignatureParts<result params>::takesNumber},
const Entry kEntries[] = {QELRPT_FUNCTION_TABLE(QELRPT_FUZZ_ENTRY)};
#undef QELRPT_FUZZ_ENTRY

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 9) return 0;
    const std::uint8_t control = data[0];
    const double number = fuzz::DoubleAt(data, size, 1);
    const auto [a, b] = fuzz::TwoTexts(data + 9, size - 9);

    char *result = GuardedResultBuffer();
    for (const Entry &e : kEntries) {
        // A Number slot read as a string pointer would be meaningless, so
        // each function gets arguments of its own parameter type here.
        Call call;
        Arrange(call,
                e.numeric ? static_cast<std::uint8_t>((control & 3) | 0xFC) : static_cast<std::uint8_t>(control & 0x57),
                a, b, number);
        if (e.text) {
            call.block.result.string = result;
            std::memset(result, 0x5A, 256);
            Check(e.f(&call.block) == 0);
            Check(std::memchr(result, '\0', 256) != nullptr);
        } else {
            call.block.result.string = nullptr;
            Check(e.f(&call.block) == 0);
            Check(call.block.result.boolean <= 1);
        }
    }
    return 0;
}
