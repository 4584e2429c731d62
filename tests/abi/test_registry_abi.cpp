// The library entry points and the function tables, read as the report
// engine reads them: raw bytes at the host's offsets.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "engine.h"
#include "support/table_rows.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using engine::Arg;
using engine::kPtr;

// The released functions as the formula editor shows them, frozen: a
// report that calls one of them keeps working only while its texts and its
// entry point stay as they were released.  A new function joins this list
// when it is released, never before; nothing here depends on the order.
struct ReleasedRow {
    const char *definition, *entry, *templ, *example;
};
const ReleasedRow kReleased[] = {
    // 1.0.0
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

// The library's row of the function `definition` names, or null.
const engine::DefinedRow *FindDefined(const std::vector<engine::DefinedRow> &rows, const std::string &definition) {
    for (const engine::DefinedRow &row : rows)
        if (row.definition == definition) return &row;
    return nullptr;
}

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

// The library's three tables hold one row per row of the function table,
// in its order, each with its texts and its entry point, and end with
// their terminators.
TEST(RegistryAbi, TablesHoldEveryRowOfTheFunctionTable) {
    const std::vector<engine::DefinedRow> rows = engine::DefinedRows();
    ASSERT_EQ(rows.size(), std::size(support::kTableRows)) << "rows in the definition table";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const support::TableRow &expected = support::kTableRows[i];
        EXPECT_EQ(rows[i].definition, expected.definition);
        EXPECT_EQ(rows[i].templateText, expected.templateText) << expected.name;
        EXPECT_EQ(rows[i].exampleText, expected.exampleText) << expected.name;
        EXPECT_EQ(reinterpret_cast<void *>(rows[i].entry), engine::Library::Get().Symbol(expected.entry))
            << expected.entry;
    }
    const std::size_t count = rows.size(), stride = 2 * kPtr + 4;
    const unsigned char *definitions = TableOf("UFGetFunctionDefStrings");
    ASSERT_NE(definitions, nullptr);
    const unsigned char zero[2 * kPtr + 4] = {};
    EXPECT_EQ(std::memcmp(definitions + count * stride, zero, sizeof zero), 0) << "no terminating zero row";
    for (std::size_t i = 0; i < count; ++i)
        EXPECT_EQ(ReadU16(definitions + i * stride + 2 * kPtr) | ReadU16(definitions + i * stride + 2 * kPtr + 2) << 16,
                  0)
            << "reserved field of " << rows[i].name;
    for (const char *getter : {"UFGetFunctionTemplates", "UFGetFunctionExamples"}) {
        const unsigned char *list = TableOf(getter);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(ReadPointer(list + count * kPtr), nullptr) << getter << ": not ended by a null pointer";
    }
}

// Every released function is still there, by its texts, whatever the rows
// around it.
TEST(RegistryAbi, ReleasedFunctionsKeepTheirTexts) {
    const std::vector<engine::DefinedRow> rows = engine::DefinedRows();
    for (const ReleasedRow &released : kReleased) {
        const engine::DefinedRow *row = FindDefined(rows, released.definition);
        ASSERT_NE(row, nullptr) << "no longer defined: " << released.definition;
        EXPECT_EQ(row->templateText, released.templ);
        EXPECT_EQ(row->exampleText, released.example);
        EXPECT_EQ(reinterpret_cast<void *>(row->entry), engine::Library::Get().Symbol(released.entry))
            << released.entry;
        EXPECT_NE(row->entry, nullptr) << released.entry;
    }
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
