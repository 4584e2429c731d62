#include "messages.h"

#include "display.h"
#include "errors.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace qtool {

Messages::Messages(std::string_view program, std::FILE *file) : prefix_(program), output_(file) { prefix_ += ": "; }

void Messages::Say(std::string_view message) {
    std::string shown;
    AppendShown(shown, message.substr(0, MaxSize + 4), false);
    if (shown.size() > MaxSize) {
        std::size_t end = MaxSize;
        while (end > 0 && (static_cast<unsigned char>(shown[end]) & 0xC0U) == 0x80U) --end;  // a whole character
        shown.resize(end);
        shown += "\xE2\x80\xA6";  // …
    }
    EndProgress();
    output_.Text().append(prefix_).append(shown).push_back('\n');
    output_.Finish();
}

void Messages::SayAboutRecord(std::string_view message) {
    if (++recordMessages_ <= MaxRecordMessages) Say(message);
}

void Messages::EndRecords() {
    if (recordMessages_ > MaxRecordMessages)
        Say("\xE2\x80\xA6 and " + std::to_string(recordMessages_ - MaxRecordMessages) + " more");
    recordMessages_ = 0;
}

void Messages::ShowProgress(std::string_view line) {
    std::string &text = output_.Text();
    text.append("\r").append(prefix_);
    AppendShown(text, line, false);
    const std::size_t width = prefix_.size() + line.size();
    if (width < progressWidth_) text.append(progressWidth_ - width, ' ');
    progressWidth_ = width;
    output_.Finish();
}

void Messages::EndProgress() {
    if (progressWidth_ == 0) return;
    output_.Text().append("\r").append(progressWidth_, ' ').append("\r");
    progressWidth_ = 0;
    output_.Finish();
}

bool IsTerminal(std::FILE *file) {
#ifdef _WIN32
    return _isatty(_fileno(file)) != 0;
#else
    return isatty(fileno(file)) != 0;
#endif
}

Progress::Progress(Messages &messages, bool enabled, Clock::duration delay)
    : messages_(messages), enabled_(enabled), start_(Clock::now()), shownFrom_(start_ + delay), next_(shownFrom_) {}

Progress::~Progress() {
    try {
        messages_.EndProgress();
    } catch (const ToolError &) {  // standard error cannot be written: nothing to clear
    }
}

bool Progress::Due() {
    if (!enabled_) return false;
    const Clock::time_point now = Clock::now();
    if (now < next_) return false;
    next_ = now + std::chrono::milliseconds(200);
    return true;
}

bool Progress::Started() const { return enabled_ && Clock::now() >= shownFrom_; }

void Progress::Show(std::string_view line) { messages_.ShowProgress(line); }

}  // namespace qtool
