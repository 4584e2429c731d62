// The four exports of an in-process COM server: the class object that makes
// the shared Functions object, and the registration that regsvr32 runs.
//
// DllRegisterServer writes, under HKEY_LOCAL_MACHINE\Software\Classes (the
// registry view of the DLL's own width: a 32-bit DLL run by the 32-bit
// regsvr32 writes the 32-bit view):
//   CLSID\{class}                  the description
//     InprocServer32               the DLL's path; ThreadingModel Both
//     ProgID                       CRUFLqelrpt.Functions
//     TypeLib, Version             the type library's id and version
//   CRUFLqelrpt.Functions          the description
//     CLSID                        {class}
// and registers the type library it carries (TypeLib\{library} and the
// interface's Interface\{interface}, by RegisterTypeLib).
// DllUnregisterServer removes these keys and nothing else.  The ProgID's
// key is one for both views on 64-bit Windows; it stays while the other
// view still registers the class.
#include <windows.h>

#include <oleauto.h>
#include <olectl.h>

#include <cstddef>

#include "com_ids.h"
#include "object.h"

namespace qelrpt {
namespace {

// The class object.  Like the object it makes, it is one shared instance
// without state.
class Factory final : public IClassFactory {
   public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        if (out == nullptr) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory *>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        return FunctionsObject()->QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL /*lock*/) override { return S_OK; }
};

Factory TheFactory;

// One value that registration writes: a null name is the key's default
// value, a null text the DLL's path.
struct Entry {
    const wchar_t *key;
    const wchar_t *name;
    const wchar_t *text;
};

const Entry Entries[] = {
    {ClassKey, nullptr, Description},  {ServerKey, nullptr, nullptr},           {ServerKey, L"ThreadingModel", L"Both"},
    {ClassProgIdKey, nullptr, ProgId}, {ClassTypeLibKey, nullptr, LibraryText}, {ClassVersionKey, nullptr, VersionText},
    {ProgIdKey, nullptr, Description}, {ProgIdClassKey, nullptr, ClassText},
};

HRESULT SetText(const wchar_t *key, const wchar_t *name, const wchar_t *text) {
    const auto bytes = static_cast<DWORD>((static_cast<std::size_t>(lstrlenW(text)) + 1) * sizeof(wchar_t));
    const LSTATUS status = RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_SZ, text, bytes);
    return HRESULT_FROM_WIN32(status);
}

HRESULT RegisterClassKeys(const wchar_t *path) {
    for (const Entry &entry : Entries) {
        const HRESULT written = SetText(entry.key, entry.name, entry.text != nullptr ? entry.text : path);
        if (FAILED(written)) return written;
    }
    return S_OK;
}

// Removes `key` and everything below it; a key that is not there is no
// error.
HRESULT RemoveKey(const wchar_t *key) {
    const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
    return status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

// Whether the registry view of the other width registers the class.
bool OtherViewHasClass() {
    const REGSAM other = sizeof(void *) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ClassKey, 0, KEY_READ | other, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

SYSKIND OwnSysKind() { return sizeof(void *) == 8 ? SYS_WIN64 : SYS_WIN32; }

// Removes the registration of the type library for the DLL's own width, if
// there is one.
HRESULT UnregisterTypes() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, TypeLibKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return S_OK;
    RegCloseKey(key);
    return UnRegisterTypeLib(LibraryId, LibraryMajor, LibraryMinor, LOCALE_NEUTRAL, OwnSysKind());
}

}  // namespace
}  // namespace qelrpt

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void **out) {
    using namespace qelrpt;
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, ClassId)) return CLASS_E_CLASSNOTAVAILABLE;
    return TheFactory.QueryInterface(iid, out);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

HRESULT STDAPICALLTYPE DllRegisterServer() {
    using namespace qelrpt;
    wchar_t path[MAX_PATH * 4];
    if (!ModulePath(path, MAX_PATH * 4)) return SELFREG_E_CLASS;
    ITypeLib *library = nullptr;
    HRESULT result = LoadOwnTypeLib(&library);
    if (FAILED(result)) return SELFREG_E_TYPELIB;
    result = RegisterTypeLib(library, path, nullptr);
    library->Release();
    if (FAILED(result)) return SELFREG_E_TYPELIB;
    return SUCCEEDED(RegisterClassKeys(path)) ? S_OK : SELFREG_E_CLASS;
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
    using namespace qelrpt;
    const HRESULT types = UnregisterTypes();
    HRESULT keys = RemoveKey(ClassKey);
    if (SUCCEEDED(keys) && !OtherViewHasClass()) keys = RemoveKey(ProgIdKey);
    if (FAILED(keys)) return SELFREG_E_CLASS;
    return SUCCEEDED(types) ? S_OK : SELFREG_E_TYPELIB;
}

}  // extern "C"
