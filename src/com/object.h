// The COM object of qelrptcom.dll: one instance of the class Functions,
// without state, which every client of the process shares.  Its interface
// _Functions is dual: clients call it through IDispatch::Invoke (as the
// report engine and script hosts do) or through its table of methods, whose
// slots after IDispatch's are UFPrefixFunctions and then one per row of the
// function table, in the table's order (adapters.cpp builds the table).
//
// The object lives as long as the library, which stays loaded once used
// (DllCanUnloadNow always answers S_FALSE): AddRef and Release count
// nothing, and a client may call it from any thread.
#ifndef QELRPT_COM_OBJECT_H
#define QELRPT_COM_OBJECT_H

#include <windows.h>

#include <oaidl.h>

namespace qelrpt {

// The shared object, as its IDispatch.
IDispatch *FunctionsObject();

// The slots of IDispatch and UFPrefixFunctions, for the table of methods.
HRESULT STDMETHODCALLTYPE QueryFunctions(IDispatch *self, REFIID iid, void **out);
ULONG STDMETHODCALLTYPE AddFunctionsRef(IDispatch *self);
ULONG STDMETHODCALLTYPE ReleaseFunctions(IDispatch *self);
HRESULT STDMETHODCALLTYPE CountTypeInfo(IDispatch *self, UINT *count);
HRESULT STDMETHODCALLTYPE GiveTypeInfo(IDispatch *self, UINT index, LCID locale, ITypeInfo **info);
HRESULT STDMETHODCALLTYPE FindIds(IDispatch *self, REFIID iid, LPOLESTR *names, UINT count, LCID locale, DISPID *ids);
HRESULT STDMETHODCALLTYPE InvokeMember(IDispatch *self, DISPID id, REFIID iid, LCID locale, WORD flags,
                                       DISPPARAMS *parameters, VARIANT *result, EXCEPINFO *exception, UINT *wrong);
HRESULT STDMETHODCALLTYPE GetPrefixFunctions(IDispatch *self, VARIANT_BOOL *value);

// The file name of this DLL into `path` (`size` characters); false when it
// does not fit.
bool ModulePath(wchar_t *path, DWORD size);

// The type library that this DLL carries as its resource TYPELIB 1.
HRESULT LoadOwnTypeLib(ITypeLib **library);

}  // namespace qelrpt

#endif
