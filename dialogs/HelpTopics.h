#pragma once

#include <string>
#include <string_view>

namespace tonwerk::ui {

// The help context numbers the screens and dialogs ask for, and the manual's sections they open.
inline constexpr int kHelpMasterScreen = 67011;
inline constexpr int kHelpRockScreen = 123210;
inline constexpr int kHelpDjScreen = 67012;
inline constexpr int kHelpContents = 98381; // the File menu's Help...
inline constexpr int kHelpDialogBase = 0x10000;
inline constexpr int kHelpSfxDialog = kHelpDialogBase + 101;
inline constexpr int kHelpVelocityDialog = kHelpDialogBase + 102;
inline constexpr int kHelpMidiDialog = kHelpDialogBase + 103;
inline constexpr int kHelpVideoDialog = kHelpDialogBase + 1541;

// The section of context number `context`; the contents for a number the manual does not know.
[[nodiscard]] const char* helpSection(int context);

// The anchor of a manual heading as Markdown viewers make it: lower case, spaces to '-', every
// other character but letters, digits, '-' and '_' left out ("SFX Masterkeyboard-Settings" is
// "sfx-masterkeyboard-settings").
[[nodiscard]] std::string sectionAnchor(std::string_view heading);

} // namespace tonwerk::ui
