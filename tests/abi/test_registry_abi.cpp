// The library entry points and the function tables, read as the report
// engine reads them: raw bytes at the host's offsets.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "engine.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using engine::Arg;
using engine::kPtr;

struct FunctionInfo {
    const char *definition, *entry, *templ, *example;
};

// The seven functions as the formula editor must show them, in order.
const FunctionInfo kFunctions[] = {
    {"String QELIndentTagHier( String, String )", "QELFormula_IndentTagHier", "QELIndentTagHier ( !, )",
     "\tQELIndentTagHier ( previous tag name, tag name )"},
    {"String QELIndentTagName( String )", "QELFormula_IndentTagName", "QELIndentTagName ( ! )",
     "\tQELIndentTagName ( tag name )"},
    {"String QELRemoveTagName( String )", "QELFormula_RemoveTagName", "QELRemoveTagName ( ! )",
     "\tQELRemoveTagName ( tag name )"},
    {"String QELNumberFootPrint( Number )", "QELFormula_NumberFootPrint", "QELNumberFootPrint ( ! )",
     "\tQELNumberFootPrint ( value )"},
    {"Boolean QELAlarmFlagSet( Number )", "QELFormula_AlarmFlagSet", "QELAlarmFlagSet ( ! )",
     "\tQELAlarmFlagSet ( flags )"},
    {"Boolean QELLogFlagSet( Number )", "QELFormula_LogFlagSet", "QELLogFlagSet ( ! )", "\tQELLogFlagSet ( flags )"},
    {"Boolean QELPatternMatch( String, String )", "QELFormula_PatternMatch", "QELPatternMatch ( !, )",
     "\tQELPatternMatch ( candidate string, pattern string )"},
};
constexpr std::size_t kCount = sizeof kFunctions / sizeof kFunctions[0];

const void *ReadPointer(const void *at) {
    const void *p;
    std::memcpy(&p, at, kPtr);
    return p;
}

std::uint16_t ReadU16(const void *at) {
    std::uint16_t v;
    std::memcpy(&v, at, 2);
    return v;
}

template <typename R>
R CallGetter(const char *name) {
    using Getter = R(HOST_CALL *)();
    const auto f = reinterpret_cast<Getter>(engine::Library::Get().Symbol(name));
    EXPECT_NE(f, nullptr) << name;
    return f != nullptr ? f() : R{};
}

// The table that a getter's header describes, after checking the header.
const unsigned char *TableOf(const char *getter) {
    const auto *header = static_cast<const unsigned char *>(CallGetter<const void *>(getter));
    EXPECT_NE(header, nullptr) << getter;
    if (header == nullptr) return nullptr;
    EXPECT_EQ(ReadU16(header), 6) << getter;
    return static_cast<const unsigned char *>(ReadPointer(header + 2));
}

TEST(RegistryAbi, VersionAndLifecycle) {
    EXPECT_EQ(CallGetter<std::uint16_t>("UFGetVersion"), 256);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(CallGetter<std::int32_t>("UFInitialize"), 0);
        ASSERT_EQ(CallGetter<std::int32_t>("UFTerminate"), 0);
    }
    // Two pairs of exports share one body each.
    const engine::Library &lib = engine::Library::Get();
    EXPECT_EQ(lib.Symbol("UFTerminate"), lib.Symbol("UFInitialize"));
    EXPECT_EQ(lib.Symbol("UFEndJob"), lib.Symbol("UFStartJob"));
}

#if defined(__i386__) && defined(__GNUC__)
// Where the job notices' stack clean-up can go wrong: 32-bit x86, whose
// Windows host calls them __stdcall (the callee removes its argument) and
// whose Linux hosts use the C convention (the caller removes it).  Other
// targets have one convention, which the compiler keeps for both sides.
//
// How far the stack pointer moves across one call of a one-argument export,
// with the argument pushed by hand: 0 when the callee removes its argument,
// 4 when it leaves it to the caller.
using JobNotice = void(HOST_CALL *)(std::uint32_t);
__attribute__((noinline)) std::intptr_t StackDrift(JobNotice f, std::uint32_t job) {
    std::intptr_t drift;
    asm volatile(
        "movl %%esp, %%edi\n\t"
        "pushl %[job]\n\t"
        "call *%[f]\n\t"
        "movl %%edi, %[drift]\n\t"
        "subl %%esp, %[drift]\n\t"
        "movl %%edi, %%esp\n\t"
        : [drift] "=r"(drift)
        : [f] "r"(f), [job] "g"(job)
        : "eax", "ecx", "edx", "edi", "memory", "cc");
    return drift;
}
#ifdef _WIN32
constexpr std::intptr_t kExpectedDrift = 0;
#else
constexpr std::intptr_t kExpectedDrift = 4;
#endif

TEST(RegistryAbi, JobNoticesKeepTheStackIntact) {
    const auto start = reinterpret_cast<JobNotice>(engine::Library::Get().Symbol("UFStartJob"));
    const auto end = reinterpret_cast<JobNotice>(engine::Library::Get().Symbol("UFEndJob"));
    ASSERT_NE(start, nullptr);
    ASSERT_NE(end, nullptr);
    for (std::uint32_t job = 0; job < 5000; job += 7) {
        ASSERT_EQ(StackDrift(start, job), kExpectedDrift) << "UFStartJob, job " << job;
        ASSERT_EQ(StackDrift(end, job), kExpectedDrift) << "UFEndJob, job " << job;
    }
}
#endif

TEST(RegistryAbi, DefinitionTable) {
    const unsigned char *rows = TableOf("UFGetFunctionDefStrings");
    ASSERT_NE(rows, nullptr);
    const std::size_t stride = 2 * kPtr + 4;
    for (std::size_t i = 0; i < kCount; ++i) {
        const unsigned char *row = rows + i * stride;
        const auto *text = static_cast<const char *>(ReadPointer(row));
        ASSERT_NE(text, nullptr) << "row " << i;
        EXPECT_STREQ(text, kFunctions[i].definition);
        EXPECT_EQ(ReadPointer(row + kPtr), engine::Library::Get().Symbol(kFunctions[i].entry)) << kFunctions[i].entry;
        EXPECT_EQ(ReadU16(row + 2 * kPtr) | ReadU16(row + 2 * kPtr + 2) << 16, 0) << "reserved field of row " << i;
    }
    const unsigned char zero[2 * kPtr + 4] = {};
    EXPECT_EQ(std::memcmp(rows + kCount * stride, zero, sizeof zero), 0) << "no terminating zero row";
}

TEST(RegistryAbi, TemplateAndExampleLists) {
    const unsigned char *templates = TableOf("UFGetFunctionTemplates");
    const unsigned char *examples = TableOf("UFGetFunctionExamples");
    ASSERT_NE(templates, nullptr);
    ASSERT_NE(examples, nullptr);
    for (std::size_t i = 0; i <= kCount; ++i) {
        const auto *t = static_cast<const char *>(ReadPointer(templates + i * kPtr));
        const auto *e = static_cast<const char *>(ReadPointer(examples + i * kPtr));
        if (i == kCount) {
            EXPECT_EQ(t, nullptr) << "template list not ended by a null pointer";
            EXPECT_EQ(e, nullptr) << "example list not ended by a null pointer";
        } else {
            ASSERT_NE(t, nullptr);
            ASSERT_NE(e, nullptr);
            EXPECT_STREQ(t, kFunctions[i].templ);
            EXPECT_STREQ(e, kFunctions[i].example);
        }
    }
}

TEST(RegistryAbi, EveryFunctionAnswersThroughItsRow) {
    const unsigned char *rows = TableOf("UFGetFunctionDefStrings");
    ASSERT_NE(rows, nullptr);
    auto entry = [&](std::size_t i) {
        engine::Formula f;
        std::memcpy(&f, rows + i * (2 * kPtr + 4) + kPtr, kPtr);
        return f;
    };
    EXPECT_EQ(engine::CallString(entry(0), {Arg::Str("A\\B\\C"), Arg::Str("A\\E\\F")}), "    E");
    EXPECT_EQ(engine::CallString(entry(1), {Arg::Str("A\\B\\C")}), "        C");
    EXPECT_EQ(engine::CallString(entry(2), {Arg::Str("A\\B\\C")}), "A\\B");
    EXPECT_EQ(engine::CallString(entry(3), {Arg::Num(12345.0)}), "     123.5");
    EXPECT_EQ(engine::CallBoolean(entry(4), {Arg::Num(100.0)}), 1);
    EXPECT_EQ(engine::CallBoolean(entry(4), {Arg::Num(200.0)}), 0);
    EXPECT_EQ(engine::CallBoolean(entry(5), {Arg::Num(200.0)}), 1);
    EXPECT_EQ(engine::CallBoolean(entry(5), {Arg::Num(100.0)}), 0);
    EXPECT_EQ(engine::CallBoolean(entry(6), {Arg::Str("abc"), Arg::Str("a%c")}), 1);
    EXPECT_EQ(engine::CallBoolean(entry(6), {Arg::Str("abc"), Arg::Str("ABC")}), 0);
}

TEST(RegistryAbi, ErrorTexts) {
    using Recovery = const char *(HOST_CALL *)(const void *, std::uint32_t);
    const auto recover = reinterpret_cast<Recovery>(engine::Library::Get().Symbol("UFErrorRecovery"));
    ASSERT_NE(recover, nullptr);
    struct Row {
        std::uint16_t number;
        const char *text;
    };
    const Row rows[] = {{0, "no error"}, {1, "unknown error"}, {0xFFFF, "unknown error"}};
    for (const Row &row : rows) {
        unsigned char record[16];
        std::memset(record, engine::kCanary, sizeof record);
        std::memcpy(record + 2, &row.number, 2);
        EXPECT_STREQ(recover(record, 0xDEADBEEFU), row.text) << row.number;
    }
    EXPECT_STREQ(recover(nullptr, 0), "unknown error");
}

#ifdef _WIN32
std::string VersionString(const std::vector<char> &info, const char *name) {
    void *value = nullptr;
    UINT size = 0;
    const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(info.data(), key.c_str(), &value, &size) || value == nullptr) return "(missing)";
    return std::string(static_cast<const char *>(value));
}

TEST(RegistryAbi, VersionResource) {
    char path[MAX_PATH];
    const auto module = static_cast<HMODULE>(engine::Library::Get().Handle());
    ASSERT_GT(GetModuleFileNameA(module, path, MAX_PATH), 0U);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0U) << "no version resource in " << path;
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data()));
    EXPECT_EQ(VersionString(info, "FileDescription"), "QEL functions for reporting");
    EXPECT_EQ(VersionString(info, "InternalName"), "QEL functions for reporting");
    EXPECT_EQ(VersionString(info, "OriginalFilename"), "QELRPT.DLL");
    EXPECT_EQ(VersionString(info, "FileVersion"), QELRPT_VERSION);
    EXPECT_EQ(VersionString(info, "ProductName"), "qelrpt");
}
#endif

}  // namespace
