#include "ScreenCommands.h"

#include "ScreenLayout.h"
#include "screens/controls/FolderListing.h"
#include "session/Session.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace tonwerk::ui {

std::optional<midi::ScreenKind> screenForCommand(int id) {
    switch (id) {
    case CommandId::kRockMenu:
    case CommandId::kRockButton:
        return midi::ScreenKind::Rock;
    case CommandId::kDjMenu:
    case CommandId::kDjButton:
        return midi::ScreenKind::Dj;
    case CommandId::kMasterMenu:
    case CommandId::kMasterButton:
        return midi::ScreenKind::Master;
    default:
        return std::nullopt;
    }
}

std::optional<int> memoryModeForCommand(int id) {
    switch (id) {
    case CommandId::kMemoryMode4:
        return 4;
    case CommandId::kMemoryMode2:
        return 2;
    case CommandId::kMemoryMode1:
        return 1;
    default:
        return std::nullopt;
    }
}

int splitForRow(int row, int topRow) { return std::clamp(row + topRow, 0, midi::kSplitCount - 1); }

std::optional<int> rowOfOnOffButton(int id) {
    for (int row = 0; row < kVisibleSplitRows; ++row) {
        if (onOffButtonId(row) == id) {
            return row;
        }
    }
    return std::nullopt;
}

std::optional<int> rowOfSoloButton(int id) {
    for (int row = 0; row < kVisibleSplitRows; ++row) {
        if (soloButtonId(row) == id) {
            return row;
        }
    }
    return std::nullopt;
}

ListMenu menuForColumn(int column) {
    switch (column) {
    case 2:
        return ListMenu::Task;
    case 3:
        return ListMenu::OutChannel;
    case 5:
        return ListMenu::Keys;
    case 6:
        return ListMenu::InChannel;
    case 7:
        return ListMenu::Transpose;
    default:
        return ListMenu::None;
    }
}

bool octaveUpAllowed(int transpose) { return transpose <= 48; }
bool octaveDownAllowed(int transpose) { return transpose >= -48; }

std::optional<int> transposeAfter(int id, int transpose) {
    switch (id) {
    case CommandId::kOctaveUp:
        return octaveUpAllowed(transpose) ? std::optional<int>(transpose + 12) : std::nullopt;
    case CommandId::kOctaveDown:
        return octaveDownAllowed(transpose) ? std::optional<int>(transpose - 12) : std::nullopt;
    case CommandId::kOriginalPitch:
        return 0;
    default:
        return std::nullopt;
    }
}

std::optional<int> parseCellEdit(int column, std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    if (column == 3 || column == 6) {
        return value >= 1 && value <= 16 ? std::optional<int>(value - 1) : std::nullopt;
    }
    if (column == 7) {
        return value >= -60 && value <= 60 ? std::optional<int>(value) : std::nullopt;
    }
    return std::nullopt;
}

bool editableColumn(int column) { return column == 3 || column == 6 || column == 7; }

int videoNote(int videoButton) { return videoButton == CommandId::kVideo2 ? 95 : 47; }
int videoSplit(int videoButton) { return videoButton == CommandId::kVideo2 ? 18 : 17; }
int videoButtonForPad(int pad) { return pad <= 8 ? CommandId::kVideo1 : CommandId::kVideo2; }

DroppedFile droppedFileKind(std::string_view path) {
    // Every sample the loader takes, and clips; names without regard to case ("LOOP.WAV").
    const std::string name(path);
    if (matchesPattern(name, session::samplePattern())) {
        return DroppedFile::Sample;
    }
    if (matchesPattern(name, session::clipPattern())) {
        return DroppedFile::Clip;
    }
    return DroppedFile::Other;
}

std::string withExtension(std::string name, std::string_view extension) {
    const bool has = name.size() >= extension.size() &&
                     std::equal(extension.begin(), extension.end(),
                                name.end() - static_cast<std::ptrdiff_t>(extension.size()), [](char a, char b) {
                                    return std::tolower(static_cast<unsigned char>(a)) ==
                                           std::tolower(static_cast<unsigned char>(b));
                                });
    if (!has) {
        name += extension;
    }
    return name;
}

BarBeat barBeatOf(int beats) {
    const int b = std::max(0, beats);
    return {b / 4 + 1, b % 4 + 1};
}

std::string lengthText(int beats) {
    const int b = std::max(0, beats);
    return std::to_string(b / 4) + ":" + std::to_string(b % 4);
}

int helpContext(midi::ScreenKind screen) {
    switch (screen) {
    case midi::ScreenKind::Master:
        return 67011;
    case midi::ScreenKind::Rock:
        return 123210;
    default:
        return 67012;
    }
}

std::optional<midi::ScreenKind> screenForSetupMask(int mask, midi::ScreenKind shown) {
    using midi::ScreenKind;
    const auto names = [mask](ScreenKind kind) {
        switch (kind) {
        case ScreenKind::Master:
            return (mask & 1) != 0;
        case ScreenKind::Rock:
            return (mask & 2) != 0;
        case ScreenKind::Dj:
            return (mask & 4) != 0;
        default:
            return false;
        }
    };
    if (names(shown)) {
        return std::nullopt;
    }
    std::array<ScreenKind, 2> order{ScreenKind::Dj, ScreenKind::Rock};
    if (shown == ScreenKind::Rock) {
        order = {ScreenKind::Dj, ScreenKind::Master};
    } else if (shown == ScreenKind::Dj) {
        order = {ScreenKind::Rock, ScreenKind::Master};
    }
    for (const ScreenKind kind : order) {
        if (names(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

} // namespace tonwerk::ui
