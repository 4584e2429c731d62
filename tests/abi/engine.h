// A stand-in for the report engine in the tests: it loads the built
// plug-in at run time, resolves exports by name and calls formula entry
// points with call blocks and argument nodes laid out byte by byte at the
// host's offsets, independently of the public header's declarations.
//
// Every byte the library must not touch is filled with a canary and
// checked after the call; String results go to a host buffer far larger
// than any result, also filled with a canary, and nothing past the
// result's terminating NUL may change.
#ifndef QELRPT_TESTS_ABI_ENGINE_H
#define QELRPT_TESTS_ABI_ENGINE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#if defined(_WIN32) && !defined(_WIN64)
#define HOST_CALL __stdcall
#else
#define HOST_CALL
#endif

namespace engine {

// The host's record layout: 4-byte pointers on the 32-bit host; the same
// packed records with 8-byte pointers in a 64-bit build.
constexpr std::size_t kPtr = sizeof(void *);
constexpr std::size_t kResultSlot = 2;
constexpr std::size_t kFirstArg = 2 + kPtr + 20;
constexpr std::size_t kBlockSize = kFirstArg + kPtr;
constexpr std::size_t kNext = 2;
constexpr std::size_t kValue = 2 + kPtr + 6;
constexpr std::size_t kNodeSize = kValue + 8;

constexpr unsigned char kCanary = 0xA5;
constexpr std::size_t kHostBufferSize = 4096;

using Formula = std::int32_t(HOST_CALL *)(void *block);

// The plug-in, loaded for the life of the test program.
class Library {
   public:
    static Library &Get();
    void *Symbol(const char *name) const;
    Formula FormulaEntry(const char *name) const { return reinterpret_cast<Formula>(Symbol(name)); }
    bool Loaded() const { return handle_ != nullptr; }
    const std::string &Path() const { return path_; }
    void *Handle() const { return handle_; }

   private:
    Library();
    void *handle_ = nullptr;
    std::string path_;
};

// One function as the library's three tables give it.
struct DefinedRow {
    std::string name;  // from the definition text
    std::string definition, templateText, exampleText;
    Formula entry = nullptr;
};

// The library's functions in the order of its tables, read as the engine
// reads them: the definition rows up to the row of zeros, and the template
// and example texts at the same places.  A missing or short table gives
// rows with empty texts, which the tests then name.
std::vector<DefinedRow> DefinedRows();

// One argument as the host passes it.
struct Arg {
    enum class Kind { String, Number, NullString } kind;
    std::string text;
    double number = 0;
    static Arg Str(std::string s) { return {Kind::String, std::move(s), 0}; }
    static Arg Num(double v) { return {Kind::Number, {}, v}; }
    static Arg NullStr() { return {Kind::NullString, {}, 0}; }
};

// Calls a String function; checks the error number, the canaries and the
// bytes behind the result, and returns the text.
std::string CallString(Formula f, const std::vector<Arg> &args);

// Calls a String function whose argument `shared` (counting from 0, a
// String) is passed in the host's result buffer itself, as a host that
// reuses one buffer may; checks as CallString does, the bytes past the
// result's NUL being those the host left there, and returns the text.
std::string CallStringSharingBuffer(Formula f, const std::vector<Arg> &args, std::size_t shared);

// Calls a String function with a null result-buffer pointer; the call
// must return 0 without touching anything.
void CallStringWithoutBuffer(Formula f, const std::vector<Arg> &args);

// Calls a Boolean function; checks the error number and that exactly the
// two result bytes of the block were written, and returns them.
std::uint16_t CallBoolean(Formula f, const std::vector<Arg> &args);

// Calls a String (boolean false) or Boolean function on fresh records and
// returns its result as text, "0"/"1" for a Boolean, or "error" when the
// call returns an error number.  No checks, no test assertions: safe to
// call from any thread.
std::string CallQuietly(Formula f, bool boolean, const std::vector<Arg> &args);

}  // namespace engine

#endif
