// Standard error, the one way a tool talks to its user besides its output:
// every message starts with the program's name ("qelrpt-host: "), shows
// no control character (whatever it quotes from a file, a library or the
// command line), and is cut at a bound, so that one odd input can neither
// drive the terminal nor flood it.
#ifndef QELRPT_TOOLS_MESSAGES_H
#define QELRPT_TOOLS_MESSAGES_H

#include <chrono>
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

    // The most messages about single records said in a row; the rest are
    // counted.
    static constexpr std::size_t MaxRecordMessages = 100;

    // Says a message about one record of many (a malformed one, a result
    // cut short), up to MaxRecordMessages of them until EndRecords.
    void SayAboutRecord(std::string_view message);

    // After the records: "… and N more" when some messages were not said;
    // counting starts again.
    void EndRecords();

    // Writes `line` over the line written last by ShowProgress, in place
    // (a carriage return, no line feed); the next message clears it first.
    void ShowProgress(std::string_view line);
    // Clears the progress line, if one is shown.
    void EndProgress();

   private:
    std::string prefix_;
    Output output_;
    std::size_t recordMessages_ = 0;
    std::size_t progressWidth_ = 0;  // of the progress line shown; 0: none
};

// Whether `file` is a terminal.
bool IsTerminal(std::FILE *file);

// A report's progress: a single line on standard error, rewritten in
// place, and only once the work has taken `delay` (a short run shows
// nothing) and only when `enabled` (standard error is a terminal, and the
// user did not ask for quiet).
class Progress {
   public:
    using Clock = std::chrono::steady_clock;

    Progress(Messages &messages, bool enabled, Clock::duration delay = std::chrono::seconds(2));
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;
    Progress(Progress &&) = delete;
    Progress &operator=(Progress &&) = delete;

    // Whether a new line would be shown now: call it every few thousand
    // items, and build the line only then.
    bool Due();
    // Whether the line is shown at all by now (the delay has passed): a
    // new phase of the work is told at once then, whatever Due says.
    bool Started() const;
    void Show(std::string_view line);

   private:
    Messages &messages_;
    bool enabled_;
    Clock::time_point start_, shownFrom_, next_;
};

}  // namespace qtool

#endif
