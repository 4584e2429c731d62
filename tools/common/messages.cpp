#include "messages.h"

#include "display.h"

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
    output_.Text().append(prefix_).append(shown).push_back('\n');
    output_.Finish();
}

}  // namespace qtool
