#include "call_texts.h"

#include <new>

#include "com/unicode.h"
#include "functions/textout.h"
#include "values/values.h"

namespace qelrpt {

namespace {

// Beyond this many UTF-16 units (512 MB) a text is not read: the call
// reports that memory ran out.
constexpr UINT MaxUnits = 1U << 28;

UINT Units(BSTR text) { return text != nullptr ? SysStringLen(text) : 0; }

// `text` in the ANSI code page, with a NUL, into `out`.
Outcome AnsiBytes(BSTR text, Bytes &out) {
    const UINT units = Units(text);
    if (units > MaxUnits) return Outcome::NoMemory;
    if (units == 0) {
        *out.Reserve(1) = '\0';
        return Outcome::Done;
    }
    const auto count = static_cast<int>(units);
    BOOL lost = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, count, nullptr, 0, nullptr, &lost);
    if (size <= 0 || lost) return Outcome::NotInForm;
    char *data = out.Reserve(static_cast<std::size_t>(size) + 1);
    if (data == nullptr) return Outcome::NoMemory;
    const int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, count, data, size, nullptr, &lost);
    if (written != size || lost) return Outcome::NotInForm;
    data[written] = '\0';
    return Outcome::Done;
}

// `text` in UTF-8, with a NUL, into `out`.
Outcome Utf8Bytes(BSTR text, Bytes &out) {
    const UINT units = Units(text);
    if (units > MaxUnits) return Outcome::NoMemory;
    char *data = out.Reserve(Utf8Bound(units) + 1);
    if (data == nullptr) return Outcome::NoMemory;
    Utf8FromUtf16(text != nullptr ? text : L"", units, data);
    return Outcome::Done;
}

// The UTF-16 units of an answer in the ANSI code page: false when a byte
// starts no character there.  An answer that reached the bound may end in
// the first byte of a double-byte character, which is left out.
bool AnsiUnits(const char *text, std::size_t len, wchar_t *wide, int *units) {
    *units = 0;
    if (len == 0) return true;
    const auto room = static_cast<int>(TextBufferSize);
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, static_cast<int>(len), wide, room);
    if (n == 0 && len + 1 >= TextBufferSize)
        n = len == 1 ? 0
                     : MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, static_cast<int>(len - 1), wide, room);
    if (n <= 0) return false;
    *units = n;
    return true;
}

Outcome Made(BSTR text, BSTR *out) {
    *out = text;
    return text != nullptr ? Outcome::Done : Outcome::NoMemory;
}

}  // namespace

Bytes::~Bytes() { delete[] heap_; }

char *Bytes::Reserve(std::size_t size) {
    delete[] heap_;
    heap_ = nullptr;
    data_ = place_;
    if (size <= InPlace) return data_;
    heap_ = new (std::nothrow) char[size];
    if (heap_ != nullptr) data_ = heap_;
    return heap_;
}

CallTexts::CallTexts(const BSTR *texts, std::size_t count)
    : texts_(texts), count_(count < MaxTexts ? count : MaxTexts) {
    Outcome read = Outcome::NotInForm;
    if (GetACP() != CP_UTF8) read = ReadAll(Form::Ansi);
    if (read == Outcome::NotInForm) read = ReadAll(Form::Utf8);
    ready_ = read == Outcome::Done;
}

void CallTexts::ReadAsUtf8() { ready_ = ReadAll(Form::Utf8) == Outcome::Done; }

Outcome CallTexts::ReadAll(Form form) {
    form_ = form;
    for (std::size_t i = 0; i < count_; ++i) {
        const Outcome read = form == Form::Ansi ? AnsiBytes(texts_[i], bytes_[i]) : Utf8Bytes(texts_[i], bytes_[i]);
        if (read != Outcome::Done) return read;
    }
    return Outcome::Done;
}

Outcome CallTexts::Give(const char *text, std::size_t len, BSTR *out) const {
    if (form_ == Form::Utf8) return GiveUtf8(text, len, out);
    wchar_t wide[TextBufferSize];
    int units = 0;
    if (!AnsiUnits(text, len, wide, &units)) return Outcome::NotInForm;
    return Made(SysAllocStringLen(wide, static_cast<UINT>(units)), out);
}

Outcome GiveUtf8(const char *text, std::size_t len, BSTR *out) {
    wchar_t wide[TextBufferSize];
    const std::size_t whole = ResultLength(text, len, TextBufferSize);
    const std::size_t units = Utf16FromUtf8(text, whole < TextBufferSize ? whole : TextBufferSize - 1, wide);
    return Made(SysAllocStringLen(wide, static_cast<UINT>(units)), out);
}

}  // namespace qelrpt
