// The menu commands without menus: the one dispatcher every menu item and keyboard
// equivalent ends in, and the rule that says which commands are enabled. The front end
// builds its menus from the application's resources, hands each chosen command here and
// does what is left to it when a command is not handled (quitting, opening help).
#pragma once

#include "base/Status.h"
#include "base/Types.h"
#include "core/State.h"

#include <cstdint>

namespace orvane {

// Command IDs of the menu items.
enum : int16_t {
    kAboutCommand = 1,
    kQuitCommand = 2,
    kHelpCommand = 3, // the front window's help; not handled here
    kAcceptedCommand = 13,
    kUndoCommand = 21, // the curve editor's history
    kRedoCommand = 22,
    kCutCommand = 23,
    kCopyCommand = 24,
    kPasteCommand = 25,
    kClearCommand = 26,
};

// The text field the Edit commands work on: the focused field of the front window.
class TextEditTarget {
public:
    virtual ~TextEditTarget() = default;
    virtual void Cut() = 0;
    virtual void Copy() = 0;
    virtual void Paste() = 0;
    virtual void Clear() = 0;
};

// Performs the command: 1 shows the About box (alert 131 with the bundle's name as ^0 and
// its get-info string as ^1), 13 is accepted and does nothing, 21 and 22 undo and redo in
// the open curve editor, 23 ... 26 work on `frontText` (nothing when it is null). noErr for these;
// eventNotHandledErr for every other command, 2 (Quit) included, which the front end then handles
// itself.
OSErr DoCommand(GlueRec* glue, int16_t command, TextEditTarget* frontText);

// Whether the menus enable `command`: About and Quit always, Help always, the Edit commands
// (Undo and Redo included) only while a dialog with text fields for editing (the curve editor) is
// open.
bool CommandEnabled(int16_t command, bool textEditing);

} // namespace orvane
