// The text rule of the COM library: how the UTF-16 String arguments of one
// call (BSTRs) reach the workers, which read 8-bit text, and how a text
// answer comes back.
//
// A call's String arguments are read in the engine's ANSI code page when
// every one of them converts to it and back unchanged, and otherwise, all
// of them, in UTF-8.  So
//   - ASCII text gives, byte for byte, the C plug-in's answers;
//   - text that the engine's ANSI code page holds gives the answers that the
//     C plug-in gives in that engine, which reads the same bytes: `%`
//     matches one byte of the code page (one character in a single-byte
//     code page such as 1252, half of a double-byte character in 932, 936,
//     949 or 950), and the 255-byte bound counts bytes of the code page;
//   - any other text (a character the code page lacks, a surrogate without
//     its partner) is read in UTF-8, in which no character is lost: `%`
//     matches one byte of UTF-8 (a character outside ASCII takes two to four
//     `%`), and the bound counts bytes of UTF-8.
// Where the engine's ANSI code page is UTF-8 (65001), every call is read
// in UTF-8, as the C plug-in reads it there.
//
// A text answer converts back the same way.  One that reached the 255-byte
// bound loses a last character that the bound cut into.  In a double-byte
// code page an answer can also split a character whose second byte is `\`
// or `.` (the C plug-in reads that byte as a separator): such a call is
// answered in UTF-8 instead, so that no character comes back broken.
//
// A null BSTR reads as the empty text, as COM's convention has it.  A NUL
// character ends a text, as it ends the C plug-in's.
#ifndef QELRPT_COM_CALL_TEXTS_H
#define QELRPT_COM_CALL_TEXTS_H

#include <windows.h>

#include <oleauto.h>

#include <cstddef>

namespace qelrpt {

// The 8-bit form of a call's texts.
enum class Form { Ansi, Utf8 };

// What reading a text, or giving an answer, came to.
enum class Outcome {
    Done,
    NotInForm,  // a character has no form in the code page (or a byte no character)
    NoMemory,
};

// One text in 8-bit form: in place when short, on the heap when long.
class Bytes {
   public:
    Bytes() = default;
    Bytes(const Bytes &) = delete;
    Bytes &operator=(const Bytes &) = delete;
    ~Bytes();
    // Room for `size` bytes; null when memory ran out.
    char *Reserve(std::size_t size);
    const char *Data() const { return data_; }

   private:
    static constexpr std::size_t InPlace = 512;
    char place_[InPlace] = {};
    char *data_ = place_;
    char *heap_ = nullptr;
};

// The String arguments of one call (one or two), read by the rule above.
class CallTexts {
   public:
    CallTexts(const BSTR *texts, std::size_t count);
    // False when memory ran out.
    bool Ready() const { return ready_; }
    const char *Text(std::size_t i) const { return bytes_[i].Data(); }
    // Reads the texts again, in UTF-8.
    void ReadAsUtf8();
    // Sets *out to a worker's text answer of `len` bytes, written into a
    // buffer of TextBufferSize bytes; NotInForm when it does not convert
    // back from the code page (then ReadAsUtf8 and ask the worker again).
    Outcome Give(const char *text, std::size_t len, BSTR *out) const;

   private:
    Outcome ReadAll(Form form);

    static constexpr std::size_t MaxTexts = 2;
    const BSTR *texts_;
    std::size_t count_;
    Bytes bytes_[MaxTexts];
    Form form_ = Form::Utf8;
    bool ready_ = false;
};

// Sets *out to a UTF-8 answer of `len` bytes, cut as a text answer at the
// bound is; NoMemory when no BSTR could be made.
Outcome GiveUtf8(const char *text, std::size_t len, BSTR *out);

}  // namespace qelrpt

#endif
