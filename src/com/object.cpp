// The IUnknown and IDispatch parts of the shared object, and its type
// information, read once from the type library the DLL carries.
#include "object.h"

#include "com_ids.h"

namespace qelrpt {

namespace {

// The interface's type information in its two views: as a dispatch
// interface (what IDispatch::GetTypeInfo gives, and clients enumerate) and
// as the table of methods (what DispInvoke calls through).
struct TypeInfos {
    ITypeInfo *dispatch = nullptr;
    ITypeInfo *methods = nullptr;
};

TypeInfos LoadTypeInfos() {
    TypeInfos infos;
    ITypeLib *library = nullptr;
    if (FAILED(LoadOwnTypeLib(&library))) return infos;
    HREFTYPE methods = 0;
    if (SUCCEEDED(library->GetTypeInfoOfGuid(InterfaceId, &infos.dispatch)) &&
        SUCCEEDED(infos.dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &methods))) {
        infos.dispatch->GetRefTypeInfo(methods, &infos.methods);
    }
    library->Release();
    return infos;
}

// Read on first use; kept, like the library, for the life of the process.
const TypeInfos &Infos() {
    static const TypeInfos infos = LoadTypeInfos();
    return infos;
}

}  // namespace

HRESULT STDMETHODCALLTYPE QueryFunctions(IDispatch *self, REFIID iid, void **out) {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, InterfaceId)) {
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AddFunctionsRef(IDispatch * /*self*/) { return 1; }

ULONG STDMETHODCALLTYPE ReleaseFunctions(IDispatch * /*self*/) { return 1; }

HRESULT STDMETHODCALLTYPE CountTypeInfo(IDispatch * /*self*/, UINT *count) {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GiveTypeInfo(IDispatch * /*self*/, UINT index, LCID /*locale*/, ITypeInfo **info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    ITypeInfo *dispatch = Infos().dispatch;
    if (dispatch == nullptr) return TYPE_E_CANTLOADLIBRARY;
    dispatch->AddRef();
    *info = dispatch;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FindIds(IDispatch * /*self*/, REFIID iid, LPOLESTR *names, UINT count, LCID /*locale*/,
                                  DISPID *ids) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo *methods = Infos().methods;
    if (methods == nullptr) return TYPE_E_CANTLOADLIBRARY;
    return DispGetIDsOfNames(methods, names, count, ids);
}

HRESULT STDMETHODCALLTYPE InvokeMember(IDispatch *self, DISPID id, REFIID iid, LCID /*locale*/, WORD flags,
                                       DISPPARAMS *parameters, VARIANT *result, EXCEPINFO *exception, UINT *wrong) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo *methods = Infos().methods;
    if (methods == nullptr) return TYPE_E_CANTLOADLIBRARY;
    return DispInvoke(self, methods, id, flags, parameters, result, exception, wrong);
}

HRESULT STDMETHODCALLTYPE GetPrefixFunctions(IDispatch * /*self*/, VARIANT_BOOL *value) {
    if (value == nullptr) return E_POINTER;
    *value = VARIANT_FALSE;
    return S_OK;
}

bool ModulePath(wchar_t *path, DWORD size) {
    HMODULE module = nullptr;
    const auto flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&ModulePath), &module)) return false;
    const DWORD len = GetModuleFileNameW(module, path, size);
    return len > 0 && len < size;
}

HRESULT LoadOwnTypeLib(ITypeLib **library) {
    wchar_t path[MAX_PATH * 4];
    if (!ModulePath(path, MAX_PATH * 4)) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    return LoadTypeLibEx(path, REGKIND_NONE, library);
}

}  // namespace qelrpt
