// The automation client of the COM library's tests: what the tests of
// tests/com share.  The client is run by tests/com/wine-com.sh under Wine,
// after Wine's regsvr32 registered qelrptcom.dll (beside this program) in a
// Wine prefix of the test's own.  It does what the engine's bridge does:
// it finds the class by its ProgID, reads UFPrefixFunctions, enumerates the
// type information and calls every function through IDispatch::Invoke.
// The C plug-in qelrpt.dll, loaded into the same process, gives the
// answers to compare with.
#ifndef QELRPT_TESTS_COM_CLIENT_H
#define QELRPT_TESTS_COM_CLIENT_H

#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/table_rows.h"

namespace client {

// `text` read in `codePage`; "(not in the code page)" when a byte starts
// no character there and `flags` hold MB_ERR_INVALID_CHARS.
std::wstring Wide(const std::string &text, UINT codePage, DWORD flags = 0);
inline const std::wstring NotInCodePage = L"(not in the code page)";

// `text` in the ANSI code page; false when a character has no form there.
bool Ansi(const std::wstring &text, std::string *out);

// `text` in ASCII for a message, other units as <XXXX>.
std::string Shown(const std::wstring &text);

// One argument of a call: a String (a null BSTR when `null`) or a Number.
struct ComArg {
    bool number = false;
    std::wstring text;
    double value = 0;
    bool null = false;
    static ComArg Text(std::wstring t) { return {false, std::move(t), 0, false}; }
    static ComArg Null() { return {false, {}, 0, true}; }
    static ComArg Value(double v) { return {true, {}, v, false}; }
};

// The object the fixture made.
IDispatch *Object();

// The dispatch id of the member `name`.
DISPID IdOf(IDispatch *object, const std::string &name);

// The answer of the member `id` as text: a String's, "True" or "False", or
// "error 0x..." when Invoke fails.
std::wstring Invoke(IDispatch *object, DISPID id, const std::vector<ComArg> &args, WORD flags = DISPATCH_METHOD);

// Invoke by name, on the fixture's object.
std::wstring Call(const std::string &name, const std::vector<ComArg> &args);

const support::TableRow &Row(const std::string &name);

// The arguments of a generated call (UTF-8 texts and decimals) for COM: the
// texts as UTF-16, each Number as the double nearest its decimal (the
// formula value).
std::vector<ComArg> ComArgs(const support::TableRow &row, const std::vector<std::string> &texts);

// The C plug-in's answer to the same call, as the COM library must give it
// by its text rule (src/com/call_texts.h): the texts in the ANSI code page
// when all of them convert to it, else in UTF-8; an answer in the code page
// back from it (a last character the bound cut into left out) or, when it
// holds a byte that starts no character there, the answer in UTF-8.  Each
// Number goes to the plug-in as the engine passes it: the double nearest
// 100 times its decimal, infinite beyond the range of a double.
std::wstring PluginAnswer(const support::TableRow &row, const std::vector<std::string> &texts);

// The process's private memory in KiB: its commit charge (PagefileUsage,
// which Windows also reports as PrivateUsage; Wine fills only the first).
std::size_t PrivateKiB();

// Makes the object as the engine does, by its ProgID, in a
// single-threaded apartment.
class Com : public ::testing::Test {
   protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
};

}  // namespace client

#endif
