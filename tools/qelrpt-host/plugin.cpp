#include "plugin.h"

#include <cstring>

#include "files.h"
#include "library_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace qhost {

namespace {

using Getter = const UFTableHeader *(QELRPT_CALL *)();
using VersionGetter = std::uint16_t(QELRPT_CALL *)();

// Every table header holds this size in its first field.
constexpr std::uint16_t TableHeaderSize = 6;

// A table without its terminator would be read on into whatever follows
// it; no library has anywhere near this many functions.
constexpr std::size_t MaxTableEntries = 4096;

// What the host leaves in a Boolean result slot before the call, so that
// a function that stores nothing is told apart from one that stores 0 or 1.
constexpr std::uint16_t UnsetBoolean = 0xA5A5;

bool HasDirectory(const std::string &path) {
#ifdef _WIN32
    return path.find_first_of("/\\:") != std::string::npos;
#else
    return path.find('/') != std::string::npos;
#endif
}

// The path handed to the loader: a bare file name means the current
// folder, not the loader's search path.
std::string LoaderPath(const std::string &path) {
    if (HasDirectory(path)) return path;
#ifdef _WIN32
    return ".\\" + path;
#else
    return "./" + path;
#endif
}

#ifdef _WIN32
std::string SystemErrorText(DWORD code) {
    char *text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string result = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!result.empty() &&
           (result.back() == '\n' || result.back() == '\r' || result.back() == ' ' || result.back() == '.'))
        result.pop_back();
    if (result.empty()) result = "system error " + std::to_string(code);
    return result;
}
#endif

// The loader's reason for a failed load, without the file name that
// dlerror() puts at its start.
std::string LoadFailure(const std::string &loaderPath) {
#ifdef _WIN32
    // Some texts hold a placeholder for the file name ("Bad EXE format for %1").
    std::string text = SystemErrorText(GetLastError());
    if (const std::size_t at = text.find("%1"); at != std::string::npos) text.replace(at, 2, loaderPath);
    return text;
#else
    const char *error = dlerror();
    std::string text = error != nullptr ? error : "unknown error";
    const std::string prefix = loaderPath + ": ";
    if (text.compare(0, prefix.size(), prefix) == 0) text.erase(0, prefix.size());
    return text;
#endif
}

const void *ReadPointer(const void *at) {
    const void *pointer = nullptr;
    std::memcpy(&pointer, at, sizeof pointer);
    return pointer;
}

// The table that a getter's header describes, after checking the header.
const unsigned char *TableOf(Getter getter, const char *name) {
    const UFTableHeader *header = getter();
    if (header == nullptr) throw HostError(std::string(name) + " returned no table header");
    const std::uint16_t size = header->size;
    if (size != TableHeaderSize)
        throw HostError(std::string(name) + " returned a table header of size " + std::to_string(size) + ", not 6");
    const void *table = header->table;
    if (table == nullptr) throw HostError(std::string(name) + " returned a table header without a table");
    return static_cast<const unsigned char *>(table);
}

// The texts of a null-ended list of text pointers.
std::vector<std::string> ReadTextList(Getter getter, const char *name) {
    const unsigned char *list = TableOf(getter, name);
    std::vector<std::string> texts;
    for (std::size_t i = 0;; ++i) {
        if (i == MaxTableEntries)
            throw HostError(std::string(name) + " returned a list without a terminating null pointer in its first " +
                            std::to_string(MaxTableEntries) + " entries");
        const auto *text = static_cast<const char *>(ReadPointer(list + i * sizeof(const char *)));
        if (text == nullptr) break;
        texts.emplace_back(text);
    }
    return texts;
}

}  // namespace

std::string ProgramFolder() {
    std::string path;
#ifdef _WIN32
    std::vector<char> buffer(32768);
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length > 0 && length < buffer.size()) path.assign(buffer.data(), length);
    const std::size_t slash = path.find_last_of("\\/");
#else
    // A path may be longer than PATH_MAX: the buffer grows until it holds it.
    for (std::size_t size = 4096; path.empty() && size <= (std::size_t{1} << 20U); size *= 4) {
        std::vector<char> buffer(size);
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length <= 0) break;
        if (static_cast<std::size_t>(length) < buffer.size())
            path.assign(buffer.data(), static_cast<std::size_t>(length));
    }
    const std::size_t slash = path.rfind('/');
#endif
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string DefaultLibraryPath(const std::string &programFolder) {
#ifdef _WIN32
    constexpr const char *name = "qelrpt.dll";
#else
    constexpr const char *name = "libqelrpt.so";
#endif
    if (programFolder.empty())
        throw HostError(std::string("cannot find the folder of this program, where its library ") + name +
                        " is; name the library with --library PATH");
    return programFolder + name;
}

Plugin::Plugin(const std::string &path) {
    const std::string loaderPath = LoaderPath(path);
    // A path that is not there is left to the loader, which may add ".dll".
    RefuseIfNotRegular(loaderPath, "the library " + path);
    if (const std::string problem = LibraryFileProblem(loaderPath); !problem.empty())
        throw HostError("cannot load the library " + path + ": it " + problem);
    // The whole of what the host does with the library first in a child
    // process, whose crash becomes a sentence here.
    if (const std::string crash = LoadCrash([&] {
            Open(path, loaderPath);
            Close();
        });
        !crash.empty())
        throw HostError("cannot load the library " + path + ": " + crash);
    Open(path, loaderPath);
}

void Plugin::Open(const std::string &path, const std::string &loaderPath) {
#ifdef _WIN32
    // A library that cannot be loaded is reported here, not in a dialog box.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    handle_ = reinterpret_cast<void *>(LoadLibraryA(loaderPath.c_str()));
    const DWORD loadError = GetLastError();
    SetErrorMode(previousMode);
    SetLastError(loadError);
#else
    handle_ = dlopen(loaderPath.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    if (handle_ == nullptr) throw HostError("cannot load the library " + path + ": " + LoadFailure(loaderPath));

    bool initialized = false;
    try {
        std::string missing;
        const auto need = [&](const char *name) {
            void *symbol = Resolve(name);
            if (symbol == nullptr) missing += missing.empty() ? name : std::string(", ") + name;
            return symbol;
        };
        initialize_ = reinterpret_cast<decltype(initialize_)>(need("UFInitialize"));
        terminate_ = reinterpret_cast<decltype(terminate_)>(need("UFTerminate"));
        const auto version = reinterpret_cast<VersionGetter>(need("UFGetVersion"));
        need("UFGetFunctionDefStrings");
        need("UFGetFunctionTemplates");
        need("UFGetFunctionExamples");
        errorRecovery_ = reinterpret_cast<decltype(errorRecovery_)>(need("UFErrorRecovery"));
        startJob_ = reinterpret_cast<decltype(startJob_)>(need("UFStartJob"));
        endJob_ = reinterpret_cast<decltype(endJob_)>(need("UFEndJob"));
        if (!missing.empty()) throw HostError(path + " is not a user function library: it does not export " + missing);

        if (const std::int32_t status = initialize_(); status != 0)
            throw HostError("UFInitialize of " + path + " returned " + std::to_string(status));
        initialized = true;
        version_ = version();
        ReadTables();
    } catch (...) {
        if (initialized) terminate_();
#ifdef _WIN32
        FreeLibrary(static_cast<HMODULE>(handle_));
#else
        dlclose(handle_);
#endif
        throw;
    }
}

Plugin::~Plugin() { Close(); }

void Plugin::Close() {
    terminate_();
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
}

void *Plugin::Resolve(const char *name) const {
#ifdef _WIN32
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

void Plugin::ReadTables() {
    const auto definitions = reinterpret_cast<Getter>(Resolve("UFGetFunctionDefStrings"));
    const unsigned char *rows = TableOf(definitions, "UFGetFunctionDefStrings");
    for (std::size_t i = 0;; ++i) {
        if (i == MaxTableEntries)
            throw HostError("UFGetFunctionDefStrings returned a table without a terminating zero row in its first " +
                            std::to_string(MaxTableEntries) + " rows");
        UFFunctionRow row;
        std::memcpy(&row, rows + i * sizeof(UFFunctionRow), sizeof row);
        const char *definition = row.definition;
        if (definition == nullptr) break;
        Function function;
        function.definition = definition;
        function.entry = row.entry;
        Definition read = ParseDefinition(function.definition);
        if (read.problem.empty()) {
            function.name = read.signature.name;
            function.problem = CallProblem(read.signature);
            function.signature = std::move(read.signature);
        } else {
            function.name = DeclaredName(function.definition);
            function.problem = "its definition cannot be read: " + read.problem;
        }
        if (function.entry == nullptr && function.problem.empty())
            function.problem = "its definition row has no entry point";
        functions_.push_back(std::move(function));
    }

    const std::vector<std::string> templates =
        ReadTextList(reinterpret_cast<Getter>(Resolve("UFGetFunctionTemplates")), "UFGetFunctionTemplates");
    const std::vector<std::string> examples =
        ReadTextList(reinterpret_cast<Getter>(Resolve("UFGetFunctionExamples")), "UFGetFunctionExamples");
    for (std::size_t i = 0; i < functions_.size(); ++i) {
        if (i < templates.size()) functions_[i].templateText = templates[i];
        if (i < examples.size()) functions_[i].exampleText = examples[i];
    }
}

const Function *Plugin::Find(std::string_view name) const {
    for (const Function &function : functions_)
        if (!function.name.empty() && SameName(function.name, name)) return &function;
    return nullptr;
}

std::string Plugin::ErrorText(UFError error) const {
    // The library reads the error number from offset 2 of the host's
    // record; the host hands it a call block with the number there.
    unsigned char record[sizeof(UFCallBlock)] = {};
    const auto number = static_cast<std::uint16_t>(error);
    std::memcpy(record + 2, &number, sizeof number);
    const char *text = errorRecovery_(record, static_cast<std::uint32_t>(error));
    return text != nullptr ? text : "(no text)";
}

void Plugin::StartJob(std::uint32_t job) const { startJob_(job); }

void Plugin::EndJob(std::uint32_t job) const { endJob_(job); }

Call::Call(const Plugin &plugin, const Function &function)
    : plugin_(plugin), function_(function), nodes_(function.signature->parameters.size()) {
    for (std::size_t i = 0; i + 1 < nodes_.size(); ++i) nodes_[i].next = &nodes_[i + 1];
    block_.firstArg = nodes_.empty() ? nullptr : nodes_.data();
    if (function.signature->result == ValueType::String) buffer_.assign(ResultBufferSize, '\0');
}

void Call::SetString(std::size_t index, const char *text) { nodes_[index].value.string = text; }

void Call::SetNumber(std::size_t index, double hundredfold) { nodes_[index].value.number = hundredfold; }

void Call::Invoke() {
    const UFError error = function_.entry(&block_);
    if (error != 0)
        throw HostError(function_.name + " returned error " + std::to_string(error) + ": " + plugin_.ErrorText(error));
}

std::string Call::BoundNote(std::string_view result) const {
    if (result.size() < LibraryBound) return {};
    return Name() + " gave " + std::to_string(result.size()) +
           " characters, the library's bound: its result may be cut short";
}

std::string_view Call::InvokeString() {
    block_.result.string = buffer_.data();
    buffer_[0] = '\0';
    Invoke();
    const void *end = std::memchr(buffer_.data(), '\0', buffer_.size());
    if (end == nullptr)
        throw HostError(function_.name + " left the host's " + std::to_string(buffer_.size()) +
                        "-byte result buffer without a terminating NUL");
    return {buffer_.data(), static_cast<std::size_t>(static_cast<const char *>(end) - buffer_.data())};
}

bool Call::InvokeBoolean() {
    block_.result.boolean = UnsetBoolean;
    Invoke();
    const std::uint16_t value = block_.result.boolean;
    if (value == 0 || value == 1) return value == 1;
    if (value == UnsetBoolean) throw HostError(function_.name + " stored no Boolean result");
    throw HostError(function_.name + " stored " + std::to_string(value) +
                    " as its Boolean result, which is neither 0 (false) nor 1 (true)");
}

}  // namespace qhost
