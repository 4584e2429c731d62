// The COM class as the engine finds it: the registration, the property
// UFPrefixFunctions, the type information against the function table, and
// each row's example call through IDispatch::Invoke.
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "client.h"
#include "com_ids.h"

namespace client {
namespace {

std::wstring RegistryText(HKEY root, const wchar_t *key, const wchar_t *name) {
    wchar_t text[1024] = {};
    DWORD size = sizeof text;
    const LSTATUS status = RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, text, &size);
    return status == ERROR_SUCCESS ? std::wstring(text) : L"(missing)";
}

// qelrptcom.dll beside this program, as regsvr32 registered it.
std::wstring LibraryPath() {
    wchar_t path[MAX_PATH * 4];
    const DWORD len = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring program(path, len);
    return program.substr(0, program.find_last_of(L'\\') + 1) + L"qelrptcom.dll";
}

bool SamePath(const std::wstring &a, const std::wstring &b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

TEST_F(Com, RegistrationWroteTheKeysAnEngineReads) {
    using namespace qelrpt;
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, ProgIdClassKey, nullptr), ClassText);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, ClassProgIdKey, nullptr), ProgId);
    EXPECT_TRUE(SamePath(RegistryText(HKEY_LOCAL_MACHINE, ServerKey, nullptr), LibraryPath()))
        << Shown(RegistryText(HKEY_LOCAL_MACHINE, ServerKey, nullptr));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, ServerKey, L"ThreadingModel"), L"Both");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, ClassTypeLibKey, nullptr), LibraryText);
    EXPECT_TRUE(SamePath(RegistryText(HKEY_CLASSES_ROOT, TypeLibKey, nullptr), LibraryPath()));
    ITypeLib *library = nullptr;
    ASSERT_EQ(LoadRegTypeLib(LibraryId, LibraryMajor, LibraryMinor, LOCALE_NEUTRAL, &library), S_OK);
    library->Release();
}

TEST_F(Com, PrefixFunctionsIsFalse) {
    EXPECT_EQ(IdOf(Object(), "UFPrefixFunctions"), qelrpt::PrefixFunctionsId);
    EXPECT_EQ(Invoke(Object(), qelrpt::PrefixFunctionsId, {}, DISPATCH_PROPERTYGET), L"False");
}

// One method as the type information describes it.
struct Method {
    std::wstring name;
    MEMBERID id = 0;
    std::vector<std::wstring> parameters;
    std::vector<VARTYPE> types;
    VARTYPE result = VT_EMPTY;
};

// The methods of the dispatch interface that clients see: not the
// restricted ones of IUnknown and IDispatch, not the property.
std::vector<Method> Methods(ITypeInfo *info, WORD count) {
    std::vector<Method> methods;
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC *f = nullptr;
        if (FAILED(info->GetFuncDesc(i, &f))) continue;
        BSTR names[8] = {};
        UINT named = 0;
        info->GetNames(f->memid, names, 8, &named);
        Method m{std::wstring(names[0], SysStringLen(names[0])), f->memid, {}, {}, f->elemdescFunc.tdesc.vt};
        for (UINT n = 1; n < named; ++n) m.parameters.emplace_back(names[n], SysStringLen(names[n]));
        for (SHORT p = 0; p < f->cParams; ++p) m.types.push_back(f->lprgelemdescParam[p].tdesc.vt);
        for (UINT n = 0; n < named; ++n) SysFreeString(names[n]);
        const bool shown = (f->wFuncFlags & FUNCFLAG_FRESTRICTED) == 0 && f->invkind == INVOKE_FUNC;
        info->ReleaseFuncDesc(f);
        if (shown) methods.push_back(m);
    }
    return methods;
}

VARTYPE Automation(const std::string &formulaType) {
    return formulaType == "String" ? VT_BSTR : formulaType == "Number" ? VT_R8 : VT_BOOL;
}

TEST_F(Com, TypeInformationHoldsTheRows) {
    ITypeInfo *info = nullptr;
    ASSERT_EQ(Object()->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), S_OK);
    TYPEATTR *attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
    EXPECT_NE(attributes->wTypeFlags & TYPEFLAG_FDUAL, 0);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, qelrpt::InterfaceId));
    const std::vector<Method> methods = Methods(info, attributes->cFuncs);
    info->ReleaseTypeAttr(attributes);
    info->Release();

    ASSERT_EQ(methods.size(), std::size(support::kTableRows));
    MEMBERID id = 0;
    for (const support::TableRow &row : support::kTableRows) {
        const Method &m = methods[static_cast<std::size_t>(id++)];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(m.name, Wide(row.name, CP_UTF8));
        EXPECT_EQ(m.id, id) << "the dispatch id is the row's place, from 1";
        EXPECT_EQ(m.result, Automation(row.result));
        std::vector<VARTYPE> types;
        for (const std::string &type : row.ParameterTypes()) types.push_back(Automation(type));
        EXPECT_EQ(m.types, types);
        std::wstring names;
        for (const std::wstring &p : m.parameters) names += (names.empty() ? L"" : L", ") + p;
        EXPECT_EQ(names, Wide(row.names, CP_UTF8));
    }
}

TEST_F(Com, TheTypeLibraryNamesTheClass) {
    ITypeInfo *info = nullptr;
    ASSERT_EQ(Object()->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), S_OK);
    ITypeLib *library = nullptr;
    UINT index = 0;
    ASSERT_EQ(info->GetContainingTypeLib(&library, &index), S_OK);
    info->Release();
    BSTR name = nullptr;
    library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
    EXPECT_EQ(std::wstring(name, SysStringLen(name)), L"CRUFLqelrpt");
    SysFreeString(name);
    ITypeInfo *coclass = nullptr;
    ASSERT_EQ(library->GetTypeInfoOfGuid(qelrpt::ClassId, &coclass), S_OK);
    coclass->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    EXPECT_EQ(std::wstring(name, SysStringLen(name)), L"Functions");
    SysFreeString(name);
    coclass->Release();
    library->Release();
}

TEST_F(Com, EveryRowsExampleGivesItsAnswer) {
    for (const support::TableRow &row : support::kTableRows) {
        std::vector<ComArg> args;
        for (const support::ExampleArgument &a : support::ExampleArguments(row.example))
            args.push_back(a.number ? ComArg::Value(std::strtod(a.text.c_str(), nullptr))
                                    : ComArg::Text(Wide(a.text, CP_UTF8)));
        EXPECT_EQ(Call(row.name, args), Wide(row.answer, CP_UTF8)) << row.example;
    }
}

}  // namespace
}  // namespace client
