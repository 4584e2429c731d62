// A user function library as the report engine sees it: loaded at run
// time by path, described by the tables its getters return, and called
// only through the entry points of its definition table, with call blocks
// laid out as the records of qelrpt.h lay them out.
#ifndef QELRPT_HOST_PLUGIN_H
#define QELRPT_HOST_PLUGIN_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host_errors.h"
#include "qelrpt.h"
#include "signature.h"

namespace qhost {

// The folder this program was started from, with a separator at its end,
// or an empty text when the system does not tell it.
std::string ProgramFolder();

// The library loaded without --library: the qelrpt library in
// `programFolder`.  Throws HostError when that folder is unknown (empty):
// never the current folder, where anyone may have put a library.
std::string DefaultLibraryPath(const std::string &programFolder);

// One row of the definition table with the template and example texts of
// the same position.
struct Function {
    std::string definition;
    UFFormulaFunction entry = nullptr;
    std::string name;                    // as declared, even when the rest cannot be read
    std::optional<Signature> signature;  // when the definition text can be read
    std::string problem;                 // why this host cannot call it; empty when it can
    std::optional<std::string> templateText;
    std::optional<std::string> exampleText;
};

class Plugin {
   public:
    // Loads the library, resolves its entry points, calls UFInitialize and
    // reads its version and tables.  Throws HostError.
    explicit Plugin(const std::string &path);
    // Calls UFTerminate and unloads the library.
    ~Plugin();
    Plugin(const Plugin &) = delete;
    Plugin &operator=(const Plugin &) = delete;
    Plugin(Plugin &&) = delete;
    Plugin &operator=(Plugin &&) = delete;

    std::uint16_t Version() const { return version_; }
    const std::vector<Function> &Functions() const { return functions_; }

    // The function of that formula name (compared as the formula language
    // does, ignoring case), or null.
    const Function *Find(std::string_view name) const;

    // The library's text for an error number that an entry point returned.
    std::string ErrorText(UFError error) const;

    void StartJob(std::uint32_t job) const;
    void EndJob(std::uint32_t job) const;

   private:
    // Loads the library, resolves its entry points, calls UFInitialize and
    // reads its tables; Close calls UFTerminate and unloads it.
    void Open(const std::string &path, const std::string &loaderPath);
    void Close();
    void *Resolve(const char *name) const;
    void ReadTables();

    void *handle_ = nullptr;
    std::int32_t(QELRPT_CALL *initialize_)() = nullptr;
    std::int32_t(QELRPT_CALL *terminate_)() = nullptr;
    void(QELRPT_CALL *startJob_)(std::uint32_t) = nullptr;
    void(QELRPT_CALL *endJob_)(std::uint32_t) = nullptr;
    const char *(QELRPT_CALL *errorRecovery_)(const void *, std::uint32_t) = nullptr;
    std::uint16_t version_ = 0;
    std::vector<Function> functions_;
};

// A report job: UFStartJob on construction, UFEndJob on destruction.
class Job {
   public:
    Job(const Plugin &plugin, std::uint32_t number) : plugin_(plugin), number_(number) { plugin_.StartJob(number_); }
    ~Job() { plugin_.EndJob(number_); }
    Job(const Job &) = delete;
    Job &operator=(const Job &) = delete;
    Job(Job &&) = delete;
    Job &operator=(Job &&) = delete;

   private:
    const Plugin &plugin_;
    std::uint32_t number_;
};

// One callable function with its call block, argument nodes and (for a
// String result) the host's result buffer, set up once and reused for
// every call.  The arguments keep their values between calls.
class Call {
   public:
    // The size of the host's result buffer.  The library is not told it;
    // its results are far shorter.
    static constexpr std::size_t ResultBufferSize = 65536;

    // `function` must be callable (an empty problem).
    Call(const Plugin &plugin, const Function &function);
    Call(const Call &) = delete;
    Call &operator=(const Call &) = delete;
    Call(Call &&) = delete;
    Call &operator=(Call &&) = delete;

    // Argument `index` (from 0): a String is passed as a pointer to the
    // NUL-terminated text, which must outlive the call; a Number as the
    // double the host passes, 100 times the formula value.
    void SetString(std::size_t index, const char *text);
    void SetNumber(std::size_t index, double hundredfold);

    const std::string &Name() const { return function_.name; }

    // The library cuts every String result at this many characters; a
    // result this long may have lost its end.
    static constexpr std::size_t LibraryBound = 255;
    // For a result at the bound, the note that tells so ("QELIndentTagName
    // gave 255 characters, the library's bound: ..."); otherwise empty.
    std::string BoundNote(std::string_view result) const;

    // Calls a String function; the text lives in the host's buffer until
    // the next call.  Throws HostError when the entry point returns an
    // error number or leaves the buffer without a terminating NUL.
    std::string_view InvokeString();

    // Calls a Boolean function.  Throws HostError when the entry point
    // returns an error number or the 16-bit result is neither 0 nor 1.
    bool InvokeBoolean();

   private:
    void Invoke();

    const Plugin &plugin_;
    const Function &function_;
    UFCallBlock block_{};
    std::vector<UFArgNode> nodes_;
    std::vector<char> buffer_;
};

}  // namespace qhost

#endif
