// Standard error, the one way a tool talks to its user besides its output:
// every message starts with the program's name ("qelrpt-host: "), shows
// no control character (whatever it quotes from a file, a library or the
// command line), and is cut at a bound, so that one odd input can neither
// drive the terminal nor flood it.
#ifndef QELRPT_TOOLS_MESSAGES_H
#define QELRPT_TOOLS_MESSAGES_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "output.h"

namespace qtool {

class Messages {
   public:
    // The most bytes of one message, its name and line feed not counted.
    static constexpr std::size_t MaxSize = 1000;

    Messages(std::string_view program, std::FILE *file);

    // Writes "PROGRAM: message" and a line feed at once: the message as
    // AppendShown shows it (line feeds and tabs kept, every other control
    // character and every byte that is not UTF-8 as U+FFFD), cut at
    // MaxSize bytes with "…".  Throws ToolError when it cannot be written.
    void Say(std::string_view message);

   private:
    std::string prefix_;
    Output output_;
};

}  // namespace qtool

#endif
