#include "HelpTopics.h"

#include <cctype>

namespace tonwerk::ui {

const char* helpSection(int context) {
    struct Topic {
        int context;
        const char* section;
    };
    static constexpr Topic kTopics[] = {
        {kHelpMasterScreen, "the-master-screen"},
        {kHelpRockScreen, "the-rock-screen"},
        {kHelpDjScreen, "the-dj-screen"},
        {kHelpContents, "contents"},
        {kHelpSfxDialog, "sfx-masterkeyboard-settings"},
        {kHelpVelocityDialog, "velocity-curve"},
        {kHelpMidiDialog, "midi-configuration"},
        {kHelpVideoDialog, "video-dialog"},
    };
    for (const Topic& topic : kTopics) {
        if (topic.context == context) {
            return topic.section;
        }
    }
    return "contents";
}

std::string sectionAnchor(std::string_view heading) {
    std::string anchor;
    anchor.reserve(heading.size());
    for (const char c : heading) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) != 0 || c == '-' || c == '_') {
            anchor.push_back(static_cast<char>(std::tolower(u)));
        } else if (c == ' ') {
            anchor.push_back('-');
        } else if (u >= 0x80) {
            anchor.push_back(c); // letters beyond ASCII stay as they are
        }
    }
    return anchor;
}

} // namespace tonwerk::ui
