#include "client.h"

#include <psapi.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "abi/engine.h"
#include "com_ids.h"
#include "functions/textout.h"
#include "values/values.h"

namespace client {

namespace {

IDispatch *TheObject = nullptr;

// The plug-in's answer to `row`: each String as the 8-bit text in
// `strings`, each Number as the double nearest 100 times its decimal in
// `texts`.
std::string PluginBytes(const support::TableRow &row, const std::vector<std::string> &texts,
                        const std::vector<std::string> &strings) {
    const std::vector<std::string> types = row.ParameterTypes();
    std::vector<engine::Arg> args;
    for (std::size_t p = 0; p < types.size(); ++p) {
        if (types[p] != "Number") {
            args.push_back(engine::Arg::Str(strings[p]));
            continue;
        }
        double hundredfold = 0;
        if (qelrpt::ReadHundredfold(texts[p], qelrpt::Specials::Accepted, &hundredfold) ==
            qelrpt::NumberReading::BeyondRange)
            hundredfold = texts[p][0] == '-' ? -HUGE_VAL : HUGE_VAL;
        args.push_back(engine::Arg::Num(hundredfold));
    }
    return engine::CallQuietly(engine::Library::Get().FormulaEntry(row.entry), row.Boolean(), args);
}

std::wstring Truth(const std::string &answer) { return answer == "1" ? L"True" : L"False"; }

// The plug-in's answer in the ANSI code page, read back; empty when the
// call's texts do not all convert to it (then `*asked` is false) or the
// answer does not convert back.
std::wstring AnsiAnswer(const support::TableRow &row, const std::vector<std::string> &texts, bool *asked,
                        bool *readable) {
    const std::vector<std::string> types = row.ParameterTypes();
    std::vector<std::string> ansi(texts.size());
    *asked = GetACP() != CP_UTF8;
    for (std::size_t p = 0; p < types.size(); ++p)
        if (types[p] == "String") *asked = *asked && Ansi(Wide(texts[p], CP_UTF8), &ansi[p]);
    *readable = false;
    if (!*asked) return {};
    const std::string answer = PluginBytes(row, texts, ansi);
    *readable = true;
    if (row.Boolean()) return Truth(answer);
    std::wstring wide = Wide(answer, CP_ACP, MB_ERR_INVALID_CHARS);
    if (wide == NotInCodePage && answer.size() + 1 >= qelrpt::TextBufferSize)
        wide = Wide(answer.substr(0, answer.size() - 1), CP_ACP, MB_ERR_INVALID_CHARS);
    *readable = wide != NotInCodePage;
    return wide;
}

}  // namespace

std::wstring Wide(const std::string &text, UINT codePage, DWORD flags) {
    if (text.empty()) return {};
    const auto bytes = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(codePage, flags, text.data(), bytes, nullptr, 0);
    if (units <= 0) return NotInCodePage;
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), bytes, wide.data(), units);
    return wide;
}

bool Ansi(const std::wstring &text, std::string *out) {
    out->clear();
    if (text.empty()) return true;
    const auto units = static_cast<int>(text.size());
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), units, nullptr, 0, nullptr, &lost);
    if (n <= 0 || lost) return false;
    out->resize(static_cast<std::size_t>(n));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), units, out->data(), n, nullptr, &lost);
    return !lost;
}

std::string Shown(const std::wstring &text) {
    std::string shown;
    for (const wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
            continue;
        }
        char hex[12];
        std::snprintf(hex, sizeof hex, "<%04X>", static_cast<unsigned>(c));
        shown += hex;
    }
    return shown.size() > 300 ? shown.substr(0, 300) + "..." : shown;
}

IDispatch *Object() { return TheObject; }

DISPID IdOf(IDispatch *object, const std::string &name) {
    std::wstring wide(name.begin(), name.end());
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
    return id;
}

std::wstring Invoke(IDispatch *object, DISPID id, const std::vector<ComArg> &args, WORD flags) {
    std::vector<VARIANT> values(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        VARIANT &v = values[args.size() - 1 - i];  // Invoke takes them last first
        VariantInit(&v);
        V_VT(&v) = args[i].number ? VT_R8 : VT_BSTR;
        if (args[i].number)
            V_R8(&v) = args[i].value;
        else if (!args[i].null)
            V_BSTR(&v) = SysAllocStringLen(args[i].text.data(), static_cast<UINT>(args[i].text.size()));
    }
    DISPPARAMS parameters{values.data(), nullptr, static_cast<UINT>(values.size()), 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT wrong = 0;
    const HRESULT hr =
        object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, &result, &exception, &wrong);
    for (VARIANT &v : values) VariantClear(&v);
    wchar_t text[40];
    std::wstring answer;
    if (FAILED(hr)) {
        std::swprintf(text, 40, L"error 0x%08lX", static_cast<unsigned long>(hr));
        answer = text;
    } else if (V_VT(&result) == VT_BSTR) {
        answer.assign(V_BSTR(&result), SysStringLen(V_BSTR(&result)));
    } else if (V_VT(&result) == VT_BOOL) {
        answer = V_BOOL(&result) == VARIANT_TRUE ? L"True" : V_BOOL(&result) == VARIANT_FALSE ? L"False" : L"bad";
    } else {
        std::swprintf(text, 40, L"result of type %u", static_cast<unsigned>(V_VT(&result)));
        answer = text;
    }
    VariantClear(&result);
    return answer;
}

std::wstring Call(const std::string &name, const std::vector<ComArg> &args) {
    return Invoke(TheObject, IdOf(TheObject, name), args);
}

const support::TableRow &Row(const std::string &name) {
    for (const support::TableRow &row : support::kTableRows)
        if (name == row.name) return row;
    ADD_FAILURE() << "no row " << name;
    return support::kTableRows[0];
}

std::vector<ComArg> ComArgs(const support::TableRow &row, const std::vector<std::string> &texts) {
    const std::vector<std::string> types = row.ParameterTypes();
    std::vector<ComArg> args;
    for (std::size_t p = 0; p < types.size(); ++p)
        args.push_back(types[p] == "Number" ? ComArg::Value(std::strtod(texts[p].c_str(), nullptr))
                                            : ComArg::Text(Wide(texts[p], CP_UTF8)));
    return args;
}

std::wstring PluginAnswer(const support::TableRow &row, const std::vector<std::string> &texts) {
    bool asked = false, readable = false;
    const std::wstring ansi = AnsiAnswer(row, texts, &asked, &readable);
    if (asked && readable) return ansi;
    std::string answer = PluginBytes(row, texts, texts);
    if (row.Boolean()) return Truth(answer);
    answer.resize(qelrpt::ResultLength(answer.data(), answer.size(), qelrpt::TextBufferSize));
    return Wide(answer, CP_UTF8);
}

std::size_t PrivateKiB() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters), counters.cb);
    return counters.PagefileUsage / 1024;
}

void Com::SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(qelrpt::ProgId, &clsid), S_OK) << "the ProgID is not registered";
    ASSERT_TRUE(IsEqualCLSID(clsid, qelrpt::ClassId));
    ASSERT_EQ(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void **>(&TheObject)),
        S_OK);
    ASSERT_TRUE(engine::Library::Get().Loaded()) << "the C plug-in " << engine::Library::Get().Path();
}

void Com::TearDownTestSuite() {
    if (TheObject != nullptr) TheObject->Release();
    TheObject = nullptr;
    CoUninitialize();
}

}  // namespace client
