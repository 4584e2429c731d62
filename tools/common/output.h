// Standard output, collected and written in large pieces.  A write that
// fails ends the run with the reason and the destination.
#ifndef QELRPT_TOOLS_OUTPUT_H
#define QELRPT_TOOLS_OUTPUT_H

#include <cstddef>
#include <cstdio>
#include <string>

namespace qtool {

class Output {
   public:
    explicit Output(std::FILE *file);

    // The text still to be written; append to it freely.
    std::string &Text() { return text_; }
    // Writes the text once it has grown large.
    void Spill() {
        if (text_.size() >= Chunk) Flush();
    }
    // Writes the text and flushes the file.  Throws ToolError.
    void Finish();

   private:
    static constexpr std::size_t Chunk = std::size_t{1} << 20;
    void Flush();
    [[noreturn]] void Fail(int error) const;

    std::FILE *file_;
    std::string text_;
};

}  // namespace qtool

#endif
