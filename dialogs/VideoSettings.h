#pragma once

#include "midi/Split.h"

#include <cstdint>

// The video dialog's bookkeeping on a split's video block, without a display.
namespace tonwerk::ui {

// The clip's frame range after a load: `clipStart`/`clipEnd`, and with `initialiseRows` also the
// play range and every row's start and end.
void takeClipRange(midi::VideoBlock& video, int first, int last, bool initialiseRows);

// "Divide": the ticked rows, in order from #1, share the clip's frames equally (frames left over
// by the division stay unassigned). Nothing when no row is ticked.
void divideRows(midi::VideoBlock& video);

// "play continuously" / "play steps": the play-mode bit, and "disable effects" on for steps, off
// for continuous play.
void setPlaySteps(midi::VideoBlock& video, bool steps);

// "Reset FX": no effect but the standard mix; "disable effects" matched to the play mode; "jump
// into range" and "velocity -> brightness" off.
void resetVideoEffects(midi::VideoBlock& video);

// The index in the effect lists (the effect table's order) of the entry that shares a bit with
// `rowEffect`, or 0 ("No Effect") when none does.
[[nodiscard]] int effectListIndex(std::int32_t rowEffect);

} // namespace tonwerk::ui
