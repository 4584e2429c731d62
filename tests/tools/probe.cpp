// A user function library for testing qelrpt-host.  Its functions answer
// with what the host handed them, read from the call block's bytes at the
// host's offsets (not through qelrpt.h), and every entry point it is called
// through writes one line "probe: NAME" to standard error, so a test sees
// which calls the host made, in which order.
//
// Built four ways:
//   qelrpt_probe            the library as described below
//   qelrpt_probe_noexport   PROBE_NO_EXPORTS: without UFGetFunctionExamples
//                           and UFErrorRecovery
//   qelrpt_probe_badheader  PROBE_BAD_HEADER: its definition table header
//                           gives the size 8 instead of 6
//   qelrpt_probe_crash      PROBE_CRASH: UFInitialize ends the process
//                           with a segmentation fault
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#define PROBE_EXPORT extern "C" __declspec(dllexport)
#define PROBE_CALL __stdcall
#else
#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))
#define PROBE_CALL
#endif

namespace {

// The host's record layout: packed, with pointers of the build's width.
constexpr std::size_t Ptr = sizeof(void *);
constexpr std::size_t ResultSlot = 2;
constexpr std::size_t FirstArg = 2 + Ptr + 20;
constexpr std::size_t Next = 2;
constexpr std::size_t Value = 2 + Ptr + 6;

const unsigned char *ReadPointer(const unsigned char *at) {
    const unsigned char *p = nullptr;
    std::memcpy(&p, at, Ptr);
    return p;
}

// Argument node `n` (from 1), or null.
const unsigned char *Node(const unsigned char *block, unsigned n) {
    const unsigned char *node = ReadPointer(block + FirstArg);
    while (node != nullptr && --n > 0) node = ReadPointer(node + Next);
    return node;
}

unsigned NodeCount(const unsigned char *block) {
    unsigned count = 0;
    for (const unsigned char *node = ReadPointer(block + FirstArg); node != nullptr; node = ReadPointer(node + Next))
        ++count;
    return count;
}

const char *StringArg(const unsigned char *block, unsigned n) {
    const unsigned char *node = Node(block, n);
    return node != nullptr ? reinterpret_cast<const char *>(ReadPointer(node + Value)) : "(missing)";
}

double NumberArg(const unsigned char *block, unsigned n) {
    double value = -1;
    if (const unsigned char *node = Node(block, n)) std::memcpy(&value, node + Value, sizeof value);
    return value;
}

void WriteString(unsigned char *block, const std::string &text) {
    char *buffer = nullptr;
    std::memcpy(&buffer, block + ResultSlot, Ptr);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
}

void WriteBoolean(unsigned char *block, std::uint16_t value) { std::memcpy(block + ResultSlot, &value, 2); }

void Say(const char *what) { std::fprintf(stderr, "probe: %s\n", what); }

}  // namespace

// [text] number (N nodes): argument 1 as text, argument 2 as the double
// the host passed, and how long the argument list was.
PROBE_EXPORT std::int32_t PROBE_CALL ProbeEcho(unsigned char *block) {
    Say("ProbeEcho");
    char number[64];
    std::snprintf(number, sizeof number, "%.17g", NumberArg(block, 2));
    WriteString(block, "[" + std::string(StringArg(block, 1)) + "] " + number + " (" +
                           std::to_string(NodeCount(block)) + " nodes)");
    return 0;
}

// Stores the 16-bit whole part of argument 1 as the host passed it, divided
// by 100, and fills the two bytes after it with ones: a host that reads
// more than 16 bits sees them.
PROBE_EXPORT std::int32_t PROBE_CALL ProbeBool(unsigned char *block) {
    Say("ProbeBool");
    WriteBoolean(block, static_cast<std::uint16_t>(NumberArg(block, 1) / 100));
    const unsigned char ones[2] = {0xFF, 0xFF};
    std::memcpy(block + ResultSlot + 2, ones, 2);
    return 0;
}

// True when the call block carries no argument list at all.
PROBE_EXPORT std::int32_t PROBE_CALL ProbeNoArguments(unsigned char *block) {
    Say("ProbeNoArguments");
    WriteBoolean(block, ReadPointer(block + FirstArg) == nullptr ? 1 : 0);
    return 0;
}

// Fails with error number 7.
PROBE_EXPORT std::int32_t PROBE_CALL ProbeFails(unsigned char * /*block*/) {
    Say("ProbeFails");
    return 7;
}

// Arguments 1 and 2 joined by "|".
PROBE_EXPORT std::int32_t PROBE_CALL ProbeSpaced(unsigned char *block) {
    Say("ProbeSpaced");
    WriteString(block, std::string(StringArg(block, 1)) + "|" + StringArg(block, 2));
    return 0;
}

// Listed, but never callable by the host: a Number result, a Boolean
// parameter, a definition that cannot be read.
PROBE_EXPORT std::int32_t PROBE_CALL ProbeUncallable(unsigned char * /*block*/) {
    Say("ProbeUncallable");
    return 0;
}

namespace {

// The host's table records: packed, with pointers of the build's width.
#pragma pack(push, 1)
struct Row {
    const char *definition;
    void *entry;
    std::uint32_t reserved;
};
struct Header {
    std::uint16_t size;
    const void *table;
};
#pragma pack(pop)

const Row Definitions[] = {
    {"String ProbeEcho( String, Number )", reinterpret_cast<void *>(ProbeEcho), 0},
    {"Boolean ProbeBool( Number )", reinterpret_cast<void *>(ProbeBool), 0},
    {"Boolean ProbeNoArguments( )", reinterpret_cast<void *>(ProbeNoArguments), 0},
    {"String ProbeFails( String )", reinterpret_cast<void *>(ProbeFails), 0},
    {"  String   ProbeSpaced(String,String)  ", reinterpret_cast<void *>(ProbeSpaced), 0},
    {"Number ProbeNumber( Number )", reinterpret_cast<void *>(ProbeUncallable), 0},
    {"String ProbeFlag( Boolean )", reinterpret_cast<void *>(ProbeUncallable), 0},
    {"String ProbeBroken( String", reinterpret_cast<void *>(ProbeUncallable), 0},
    {nullptr, nullptr, 0},
};

// One template short: the last function has none.
const char *const Templates[] = {
    "ProbeEcho ( !, )",   "ProbeBool ( ! )",   "ProbeNoArguments ( )", "ProbeFails ( ! )",
    "ProbeSpaced ( !, )", "ProbeNumber ( ! )", "ProbeFlag ( ! )",      nullptr,
};

const char *const Examples[] = {
    "\tProbeEcho ( text, number )", "\tProbeBool ( number )", "\tProbeNoArguments ( )",
    "\tProbeFails ( text )",        "\tProbeSpaced ( a, b )", "\tProbeNumber ( number )",
    "\tProbeFlag ( flag )",         "\tProbeBroken ( text )", nullptr,
};

#ifdef PROBE_BAD_HEADER
constexpr std::uint16_t DefinitionHeaderSize = 8;
#else
constexpr std::uint16_t DefinitionHeaderSize = 6;
#endif

const Header DefinitionHeader = {DefinitionHeaderSize, Definitions};
const Header TemplateHeader = {6, Templates};
const Header ExampleHeader = {6, Examples};

}  // namespace

PROBE_EXPORT std::int32_t PROBE_CALL UFInitialize() {
    Say("UFInitialize");
#ifdef PROBE_CRASH
    std::raise(SIGSEGV);
#endif
    return 0;
}

PROBE_EXPORT std::int32_t PROBE_CALL UFTerminate() {
    Say("UFTerminate");
    return 0;
}

PROBE_EXPORT std::uint16_t PROBE_CALL UFGetVersion() {
    Say("UFGetVersion");
    return 0x0203;
}

PROBE_EXPORT const void *PROBE_CALL UFGetFunctionDefStrings() {
    Say("UFGetFunctionDefStrings");
    return &DefinitionHeader;
}

PROBE_EXPORT const void *PROBE_CALL UFGetFunctionTemplates() {
    Say("UFGetFunctionTemplates");
    return &TemplateHeader;
}

#ifndef PROBE_NO_EXPORTS
PROBE_EXPORT const void *PROBE_CALL UFGetFunctionExamples() {
    Say("UFGetFunctionExamples");
    return &ExampleHeader;
}

// The text for error number 7, read from offset 2 of the host's record.
PROBE_EXPORT const char *PROBE_CALL UFErrorRecovery(const unsigned char *record, std::uint32_t /*unused*/) {
    Say("UFErrorRecovery");
    std::uint16_t number = 0;
    std::memcpy(&number, record + 2, 2);
    return number == 7 ? "probe error seven" : "probe: unexpected error number";
}
#endif

PROBE_EXPORT void PROBE_CALL UFStartJob(std::uint32_t job) {
    std::fprintf(stderr, "probe: UFStartJob %u\n", static_cast<unsigned>(job));
}

PROBE_EXPORT void PROBE_CALL UFEndJob(std::uint32_t job) {
    std::fprintf(stderr, "probe: UFEndJob %u\n", static_cast<unsigned>(job));
}
