#include "SfxSettings.h"

#include <algorithm>

namespace tonwerk::ui {

namespace {

// A radio pair's choice from its two bits: 0 for the first, 1 for the second, -1 for neither.
int choiceOf(std::uint32_t flags, std::uint32_t first, std::uint32_t second) {
    if ((flags & first) != 0) {
        return 0;
    }
    return (flags & second) != 0 ? 1 : -1;
}

std::uint32_t bitsOf(const SfxGroup& group, std::uint32_t first, std::uint32_t second) {
    if (!group.active || group.choice < 0) {
        return 0;
    }
    return group.choice == 0 ? first : second;
}

} // namespace

SfxSettings sfxSettingsOf(const midi::Split& split) {
    using namespace midi::Sfx;
    const std::uint32_t flags = split.sfxFlags;
    SfxSettings s;
    s.monophony = {split.monophonyActive != 0, choiceOf(flags, kMonoLowest, kMonoHighest)};
    s.sustainPedal = {split.pedalFilterActive != 0, choiceOf(flags, kPedalUpOnly, kPedalDownOnly)};
    s.noteNumber = {split.noteNumberActive != 0, choiceOf(flags, kNthNoteOnly, kNthNoteNot)};
    s.mannerOfPlaying = {split.playingActive != 0, choiceOf(flags, kStaccato, kLegato)};
    s.constantPitch = (flags & kConstantPitch) != 0;
    s.noteToController = (flags & kNoteToController) != 0;
    s.velocityToController = (flags & kVelocityToController) != 0;
    s.controllerThru = (flags & kControllerThru) != 0;
    s.pitchwheelThru = (flags & kPitchThru) != 0;
    s.aftertouchThru = (flags & kAftertouchThru) != 0;
    s.showComment = split.showComment != 0;
    s.noteInterval = std::clamp(split.noteInterval, 2, 16);
    s.playingLimit = std::clamp(split.playingLimit, 1, 8);
    s.noteTarget = std::clamp<int>(split.noteTarget, 1, 127);
    s.velocityTarget = std::clamp<int>(split.velocityTarget, 0, 127);
    s.comment = midi::fieldText(split.comment);
    return s;
}

void applySfxSettings(const SfxSettings& s, midi::Split& split) {
    using namespace midi::Sfx;
    std::uint32_t flags = split.sfxFlags;
    flags = (flags & ~kMono) | bitsOf(s.monophony, kMonoLowest, kMonoHighest);
    flags = (flags & ~(kPedalUpOnly | kPedalDownOnly)) | bitsOf(s.sustainPedal, kPedalUpOnly, kPedalDownOnly);
    flags = (flags & ~kNoteNumber) | bitsOf(s.noteNumber, kNthNoteOnly, kNthNoteNot);
    split.noteInterval = s.noteNumber.active ? s.noteInterval : -1;
    const auto set = [&flags](std::uint32_t bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); };
    set(kConstantPitch, s.constantPitch);
    set(kNoteToController, s.noteToController);
    set(kVelocityToController, s.velocityToController);
    split.noteTarget = static_cast<std::uint8_t>(s.noteTarget);
    split.velocityTarget = static_cast<std::uint8_t>(s.velocityTarget);
    flags = (flags & ~kMannerOfPlaying) | bitsOf(s.mannerOfPlaying, kStaccato, kLegato);
    if (s.mannerOfPlaying.active) {
        split.playingLimit = s.playingLimit;
    }
    set(kControllerThru, s.controllerThru);
    set(kPitchThru, s.pitchwheelThru);
    set(kAftertouchThru, s.aftertouchThru);
    flags &= ~(kControllerConvert | kPressureConvert | kPitchConvert);
    split.sfxFlags = flags;
    split.monophonyActive = s.monophony.active ? 1 : 0;
    split.pedalFilterActive = s.sustainPedal.active ? 1 : 0;
    split.noteNumberActive = s.noteNumber.active ? 1 : 0;
    split.playingActive = s.mannerOfPlaying.active ? 1 : 0;
    split.showComment = s.showComment ? 1 : 0;
    split.comment.fill(0);
    midi::setFieldText(split.comment, storedComment(s.comment));
}

void resetSfxSettings(SfxSettings& s, const std::string& comment) {
    s.monophony = {};
    s.sustainPedal = {};
    s.noteNumber = {};
    s.mannerOfPlaying = {};
    s.constantPitch = false;
    s.noteToController = false;
    s.velocityToController = false;
    s.controllerThru = false;
    s.pitchwheelThru = false;
    s.aftertouchThru = false;
    s.comment = comment;
}

std::string storedComment(const std::string& comment) {
    std::size_t length = std::min<std::size_t>(comment.size(), kMaxCommentBytes);
    // Not into the middle of a character of several bytes.
    while (length > 0 && length < comment.size() && (static_cast<unsigned char>(comment[length]) & 0xC0) == 0x80) {
        --length;
    }
    return comment.substr(0, length);
}

} // namespace tonwerk::ui
