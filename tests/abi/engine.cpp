#include "engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace engine {

Library &Library::Get() {
    static Library library;
    return library;
}

Library::Library() {
    const char *override = std::getenv("QELRPT_LIBRARY");
    path_ = override != nullptr && *override != '\0' ? override : QELRPT_LIBRARY_PATH;
#ifdef _WIN32
    handle_ = reinterpret_cast<void *>(LoadLibraryA(path_.c_str()));
#else
    handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

void *Library::Symbol(const char *name) const {
    if (handle_ == nullptr) return nullptr;
#ifdef _WIN32
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

namespace {

const void *GetPointer(const void *at) {
    const void *p = nullptr;
    std::memcpy(&p, at, kPtr);
    return p;
}

// The table a getter's header describes, or null.
const unsigned char *TableOf(const char *getter) {
    using Getter = const void *(HOST_CALL *)();
    const auto f = reinterpret_cast<Getter>(Library::Get().Symbol(getter));
    const void *header = f != nullptr ? f() : nullptr;
    return header != nullptr ? static_cast<const unsigned char *>(GetPointer(static_cast<const char *>(header) + 2))
                             : nullptr;
}

}  // namespace

// The texts of a null-ended list of text pointers.
std::vector<std::string> TextList(const unsigned char *list) {
    std::vector<std::string> texts;
    for (; list != nullptr && GetPointer(list) != nullptr; list += kPtr)
        texts.emplace_back(static_cast<const char *>(GetPointer(list)));
    return texts;
}

std::vector<DefinedRow> DefinedRows() {
    std::vector<DefinedRow> rows;
    const unsigned char *definitions = TableOf("UFGetFunctionDefStrings");
    const std::vector<std::string> templates = TextList(TableOf("UFGetFunctionTemplates"));
    const std::vector<std::string> examples = TextList(TableOf("UFGetFunctionExamples"));
    if (definitions == nullptr) return rows;
    for (std::size_t i = 0;; ++i) {
        const unsigned char *at = definitions + i * (2 * kPtr + 4);
        const auto *definition = static_cast<const char *>(GetPointer(at));
        if (definition == nullptr) break;
        DefinedRow row;
        row.definition = definition;
        const std::size_t space = row.definition.find(' '), open = row.definition.find('(');
        if (space != std::string::npos && open != std::string::npos && open > space)
            row.name = row.definition.substr(space + 1, open - space - 1);
        std::memcpy(&row.entry, at + kPtr, kPtr);
        if (i < templates.size()) row.templateText = templates[i];
        if (i < examples.size()) row.exampleText = examples[i];
        rows.push_back(row);
    }
    return rows;
}

namespace {

void PutPointer(unsigned char *at, const void *p) { std::memcpy(at, &p, kPtr); }

// A call block and its argument nodes as raw bytes, everything the host
// does not set filled with the canary.
struct RawCall {
    std::vector<unsigned char> block = std::vector<unsigned char>(kBlockSize + 16, kCanary);
    std::vector<std::vector<unsigned char>> nodes;
    std::vector<std::string> texts;

    explicit RawCall(const std::vector<Arg> &args) : nodes(args.size()), texts(args.size()) {
        for (std::size_t i = 0; i < args.size(); ++i) {
            nodes[i].assign(kNodeSize + 8, kCanary);
            texts[i] = args[i].text;
        }
        for (std::size_t i = 0; i < args.size(); ++i) {
            unsigned char *node = nodes[i].data();
            PutPointer(node + kNext, i + 1 < args.size() ? nodes[i + 1].data() : nullptr);
            switch (args[i].kind) {
                case Arg::Kind::String:
                    PutPointer(node + kValue, texts[i].c_str());
                    break;
                case Arg::Kind::NullString:
                    PutPointer(node + kValue, nullptr);
                    break;
                case Arg::Kind::Number:
                    std::memcpy(node + kValue, &args[i].number, 8);
                    break;
            }
        }
        PutPointer(block.data() + kFirstArg, args.empty() ? nullptr : nodes[0].data());
    }

    // Every node byte and every block byte outside [from, to) must be as
    // the host left it.
    void ExpectUntouched(const RawCall &before, std::size_t from, std::size_t to) const {
        for (std::size_t i = 0; i < block.size(); ++i)
            if (i < from || i >= to) {
                EXPECT_EQ(block[i], before.block[i]) << "call block byte " << i << " was written";
            }
        for (std::size_t n = 0; n < nodes.size(); ++n)
            EXPECT_EQ(nodes[n], before.nodes[n]) << "argument node " << n + 1 << " was written";
    }
};

}  // namespace

namespace {

// The result the call left in the host's `buffer`: terminated, at most
// 255 characters, and every byte past its NUL as it was before (`left`).
std::string ResultIn(const std::vector<char> &buffer, const std::vector<char> &left) {
    const void *end = std::memchr(buffer.data(), '\0', buffer.size());
    EXPECT_NE(end, nullptr) << "result not terminated";
    if (end == nullptr) return {};
    const std::size_t len = static_cast<std::size_t>(static_cast<const char *>(end) - buffer.data());
    EXPECT_LE(len, 255U) << "result longer than 255 characters";
    for (std::size_t i = len + 1; i < buffer.size(); ++i) {
        if (buffer[i] != left[i]) {
            ADD_FAILURE() << "host buffer byte " << i << " past the result's NUL was written";
            break;
        }
    }
    return std::string(buffer.data(), len);
}

}  // namespace

std::string CallString(Formula f, const std::vector<Arg> &args) {
    EXPECT_NE(f, nullptr);
    if (f == nullptr) return {};
    std::vector<char> buffer(kHostBufferSize, static_cast<char>(kCanary));
    RawCall call(args);
    PutPointer(call.block.data() + kResultSlot, buffer.data());
    const RawCall before = call;

    EXPECT_EQ(f(call.block.data()), 0);

    call.ExpectUntouched(before, 0, 0);
    return ResultIn(buffer, std::vector<char>(buffer.size(), static_cast<char>(kCanary)));
}

std::string CallStringSharingBuffer(Formula f, const std::vector<Arg> &args, std::size_t shared) {
    EXPECT_NE(f, nullptr);
    EXPECT_LT(shared, args.size());
    if (f == nullptr || shared >= args.size()) return {};
    std::vector<char> buffer(kHostBufferSize, static_cast<char>(kCanary));
    const std::string &text = args[shared].text;
    EXPECT_LT(text.size(), buffer.size());
    std::memcpy(buffer.data(), text.c_str(), std::min(text.size() + 1, buffer.size()));
    RawCall call(args);
    PutPointer(call.nodes[shared].data() + kValue, buffer.data());
    PutPointer(call.block.data() + kResultSlot, buffer.data());
    const RawCall before = call;
    const std::vector<char> left = buffer;

    EXPECT_EQ(f(call.block.data()), 0);

    call.ExpectUntouched(before, 0, 0);
    return ResultIn(buffer, left);
}

void CallStringWithoutBuffer(Formula f, const std::vector<Arg> &args) {
    ASSERT_NE(f, nullptr);
    RawCall call(args);
    PutPointer(call.block.data() + kResultSlot, nullptr);
    const RawCall before = call;
    EXPECT_EQ(f(call.block.data()), 0);
    call.ExpectUntouched(before, 0, 0);
}

std::uint16_t CallBoolean(Formula f, const std::vector<Arg> &args) {
    EXPECT_NE(f, nullptr);
    if (f == nullptr) return 0xFFFF;
    RawCall call(args);
    const RawCall before = call;
    EXPECT_EQ(f(call.block.data()), 0);
    call.ExpectUntouched(before, kResultSlot, kResultSlot + 2);
    std::uint16_t value;
    std::memcpy(&value, call.block.data() + kResultSlot, 2);
    return value;
}

std::string CallQuietly(Formula f, bool boolean, const std::vector<Arg> &args) {
    RawCall call(args);
    std::vector<char> buffer(kHostBufferSize, static_cast<char>(kCanary));
    if (!boolean) PutPointer(call.block.data() + kResultSlot, buffer.data());
    if (f(call.block.data()) != 0) return "error";
    if (!boolean) {
        const void *end = std::memchr(buffer.data(), '\0', buffer.size());
        return end == nullptr ? "unterminated"
                              : std::string(static_cast<const char *>(buffer.data()), static_cast<const char *>(end));
    }
    std::uint16_t value;
    std::memcpy(&value, call.block.data() + kResultSlot, 2);
    return value == 1 ? "1" : value == 0 ? "0" : "bad";
}

}  // namespace engine
