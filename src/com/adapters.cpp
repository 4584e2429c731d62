// The methods of the COM class, one per row of the function table
// (table/function_table.h), and the object's table of methods.
//
// Each method runs the adapter that the row's signature chooses over the
// row's worker, as the plug-in's entry points do (src/host/formulas.cpp):
//   - a String argument is a BSTR, read by the text rule of call_texts.h;
//   - a Number argument is a Double holding the formula value, read as the
//     SQL functions read a double (values/values.h: the shortest decimal
//     that gives it back, read as 100 times itself) and then scaled by
//     NumberScale, so QELNumberFootPrint(853.05) gives "     853.1" as in a
//     report.  A value whose hundredfold is beyond the range of a double
//     becomes the infinity of its sign, which is what the C plug-in
//     receives from the engine for it (100 times it, rounded to a double);
//   - a String result is a new BSTR, a Boolean result VARIANT_TRUE or
//     VARIANT_FALSE.
// Every method returns S_OK with its answer, except for a null result
// pointer (E_POINTER) and memory that ran out (E_OUTOFMEMORY).
//
// The workers are template arguments, so each method compiles into one
// function with its worker called directly.
#include <cmath>
#include <limits>

#include "call_texts.h"
#include "object.h"
#include "table/function_table.h"
#include "values/values.h"

namespace qelrpt {
namespace {

// The value the workers get for a formula value.
double Scaled(double value) {
    double hundredfold = 0;
    if (HundredfoldOfDouble(value, &hundredfold) == NumberReading::BeyondRange)
        hundredfold = std::copysign(std::numeric_limits<double>::infinity(), value);
    return hundredfold * NumberScale;
}

VARIANT_BOOL Truth(int answer) { return answer != 0 ? VARIANT_TRUE : VARIANT_FALSE; }

// Sets *result to the text answer that `ask` writes for the call's texts:
// ask(texts, out) runs the worker into `out` and returns the length.
template <class Ask>
HRESULT AnswerText(const BSTR *arguments, std::size_t count, BSTR *result, Ask ask) {
    if (result == nullptr) return E_POINTER;
    *result = nullptr;
    CallTexts texts(arguments, count);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!texts.Ready()) return E_OUTOFMEMORY;
        char out[TextBufferSize];
        const Outcome given = texts.Give(out, ask(texts, out), result);
        if (given != Outcome::NotInForm) return given == Outcome::Done ? S_OK : E_OUTOFMEMORY;
        texts.ReadAsUtf8();
    }
    return E_UNEXPECTED;  // not reached: an answer in UTF-8 always converts back
}

// The adapter of signature S over `worker`; a signature without one does
// not compile.
template <class S, typename WorkerFor<S>::type worker>
struct ComAdapter;

// String(String): the worker's text for the argument.
template <typename WorkerFor<String(String)>::type worker>
struct ComAdapter<String(String), worker> {
    static HRESULT STDMETHODCALLTYPE Call(IDispatch * /*self*/, BSTR text, BSTR *result) {
        const BSTR arguments[] = {text};
        return AnswerText(arguments, 1, result, [](const CallTexts &t, char *out) { return worker(t.Text(0), out); });
    }
};

// String(String, String), previous name and name.
template <typename WorkerFor<String(String, String)>::type worker>
struct ComAdapter<String(String, String), worker> {
    static HRESULT STDMETHODCALLTYPE Call(IDispatch * /*self*/, BSTR previous, BSTR current, BSTR *result) {
        const BSTR arguments[] = {previous, current};
        return AnswerText(arguments, 2, result,
                          [](const CallTexts &t, char *out) { return worker(t.Text(0), t.Text(1), out); });
    }
};

// String(Number): the worker's text for the formula value.
template <typename WorkerFor<String(Number)>::type worker>
struct ComAdapter<String(Number), worker> {
    static HRESULT STDMETHODCALLTYPE Call(IDispatch * /*self*/, double value, BSTR *result) {
        if (result == nullptr) return E_POINTER;
        char text[FootprintBufferSize];
        return GiveUtf8(text, worker(Scaled(value), text), result) == Outcome::Done ? S_OK : E_OUTOFMEMORY;
    }
};

// Boolean(Number): the worker's answer for the formula value.
template <typename WorkerFor<Boolean(Number)>::type worker>
struct ComAdapter<Boolean(Number), worker> {
    static HRESULT STDMETHODCALLTYPE Call(IDispatch * /*self*/, double value, VARIANT_BOOL *result) {
        if (result == nullptr) return E_POINTER;
        *result = Truth(worker(Scaled(value)));
        return S_OK;
    }
};

// Boolean(String, String): the worker's answer for the two texts.
template <typename WorkerFor<Boolean(String, String)>::type worker>
struct ComAdapter<Boolean(String, String), worker> {
    static HRESULT STDMETHODCALLTYPE Call(IDispatch * /*self*/, BSTR first, BSTR second, VARIANT_BOOL *result) {
        if (result == nullptr) return E_POINTER;
        const BSTR arguments[] = {first, second};
        const CallTexts texts(arguments, 2);
        if (!texts.Ready()) return E_OUTOFMEMORY;
        *result = Truth(worker(texts.Text(0), texts.Text(1)));
        return S_OK;
    }
};

// A slot of the table of methods.  COM calls each through the type that
// the type library gives it, which is the type of the function in it.
using Slot = void (*)();
template <class Function>
Slot AsSlot(Function function) {
    return reinterpret_cast<Slot>(function);
}

// IUnknown's three slots, IDispatch's four, UFPrefixFunctions, then one per
// row: the order of the interface in the type library (cmake/com.cmake).
const Slot Methods[] = {AsSlot(&QueryFunctions),
                        AsSlot(&AddFunctionsRef),
                        AsSlot(&ReleaseFunctions),
                        AsSlot(&CountTypeInfo),
                        AsSlot(&GiveTypeInfo),
                        AsSlot(&FindIds),
                        AsSlot(&InvokeMember),
                        AsSlot(&GetPrefixFunctions),
#define QELRPT_COM_SLOT(name, entry, result, params, worker, ...) AsSlot(&ComAdapter<result params, worker>::Call),
                        QELRPT_FUNCTION_TABLE(QELRPT_COM_SLOT)
#undef QELRPT_COM_SLOT
};

// What a COM client points to: the pointer to the table of methods.  It
// is never written: constant, it lies in read-only memory.
struct Functions {
    const Slot *methods;
};
const Functions TheFunctions{Methods};

}  // namespace

IDispatch *FunctionsObject() { return reinterpret_cast<IDispatch *>(const_cast<Functions *>(&TheFunctions)); }

}  // namespace qelrpt
