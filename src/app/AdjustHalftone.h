// The Adjust Halftone dialog without its window: opening its state (the dialog state
// record, the two lists, the registered settings and the chosen PPD's settings), the rule
// that says which commands are enabled, the commands themselves and closing. The GUI draws
// a window over these; the command line uses them directly. Both install the views the
// operations report to.
#pragma once

#include "base/Status.h"
#include "base/Types.h"
#include "core/Outcome.h"
#include "core/State.h"
#include "host/ui/ListView.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// Items of the Adjust Halftone dialog.
enum : int16_t {
    kAdjustSaveItem = 1,
    kAdjustHelpItem = 3,
    kAdjustNewItem = 5,
    kAdjustRegisteredListItem = 7,
    kAdjustChoosePPDItem = 8,
    kAdjustPPDNameItem = 10,
    kAdjustPPDListItem = 11,
    kAdjustToPPDItem = 12,
    kAdjustFromPPDItem = 13,
    kAdjustEditItem = 14,
    kAdjustDuplicateItem = 15,
    kAdjustDeleteItem = 16,
};

// A set of the dialog's items (1 ... 16).
class AdjustItemSet {
public:
    bool Contains(int16_t item) const { return item >= 0 && item < 32 && (bits_ >> item) & 1u; }
    void Set(int16_t item, bool on) {
        if (item < 0 || item >= 32)
            return;
        bits_ = on ? bits_ | (1u << item) : bits_ & ~(1u << item);
    }
    bool operator==(const AdjustItemSet&) const = default;

private:
    uint32_t bits_ = 0;
};

// What the dialog shows besides its lists. The front end installs one for as long as the
// state is open; without one, nothing is shown.
class AdjustHalftoneView {
public:
    virtual ~AdjustHalftoneView() = default;
    // Item 10: the chosen PPD's file name, or the text for no PPD (UTF-8).
    virtual void SetPPDNameText(std::string_view text) = 0;
    // The buttons enabled now; every button not in the set is disabled. Item 8 is always
    // enabled and never in the set.
    virtual void SetEnabledItems(const AdjustItemSet& enabled) = 0;
};

// Opens the dialog's state: allocates the dialog state record with its four list records
// (memFullErr), attaches the two lists (which stay the caller's and must outlive the
// state), installs `view` (may be null), loads the preferences and the chosen PPD's
// settings and fills the lists (ReceiveAdjustHalftoneDialogsSetting), then applies the
// button rule. `dialog` is the window (null for the command line); its position is
// recorded when the state is disposed of. A front end with a window asks GetSavedDialog
// (store/Preferences.h) for the recorded position before making it. On failure the caller still
// disposes of what was built (DisposeAllDialogs).
[[nodiscard]] OSErr OpenAdjustHalftoneDialog(GlueRec* glue, DialogRef dialog,
                                             ListView& registeredList, ListView& ppdList,
                                             AdjustHalftoneView* view);

// Loads the preferences' 'Tone' 128 into prefsSaved and prefsWorking, then the chosen
// PPD's settings, then fills the lists (SetAdjustHalftoneDialogControls). The first failing
// step's status.
[[nodiscard]] OSErr ReceiveAdjustHalftoneDialogsSetting(GlueRec* glue);

// Refills both lists and item 10 from the working records. resNotFound when no PPD is
// chosen and 'STR#' 1000 item 1 (the text for that) is missing or empty.
[[nodiscard]] OSErr SetAdjustHalftoneDialogControls(GlueRec* glue);

// The button rule: the enabled items for the current selection, list sizes, PPD choice,
// open editor and help window and unsaved changes. HiliteAdjustHalftoneDialogButtons also
// hands the set to the view.
AdjustItemSet AdjustHalftoneEnabledItems(GlueRec* glue);
void HiliteAdjustHalftoneDialogButtons(GlueRec* glue);

// The commands of items 12 (copy to the PPD list), 13 (copy to the registered list),
// 15 (Duplicate, asking the name asker for the new name) and 16 (Delete), on the selected
// row. Each checks the button rule first: a command that is not enabled does nothing and
// returns noErr. A duplicate name that is empty (cancelled) ends the command; one that
// cannot be stored is kBadToneNameCode or kNameNotStorableCode (the offending character
// into `messageParam`, the "^0" of its message). Other statuses as the list operations
// return them.
[[nodiscard]] OSErr HandleAdjustHalftoneDialogButtons(GlueRec* glue, int16_t item,
                                                      std::string* messageParam = nullptr);

// The Save command (item 1), as one outcome. On success the Save button is disabled,
// unless the request for administrator rights was refused while writing the PPD: then the
// outcome says so and Save stays as the button rule sets it. AUTH_CANCEL_Flag is clear
// afterwards: the refusal lives in the outcome, not in the process.
[[nodiscard]] SaveOutcome AdjustHalftoneDialogSave(GlueRec* glue);

// The Choose PPD command (item 8): AdjustHalftoneAlertUserAndChangePPDFile, then the
// button rule; AUTH_CANCEL_Flag is clear afterwards.
[[nodiscard]] SaveOutcome AdjustHalftoneDialogChoosePPD(GlueRec* glue);

// Shows what a Save or Choose came to: the status's message, the kept backup, the refusal.
void ShowSaveOutcome(GlueRec* glue, const SaveOutcome& outcome);

// The item procedure for the items above and the two lists (7 and 11: button rule only):
// runs the command and shows a failure with ShowAlert. Items 3, 5 and 14 open windows and
// belong to the front end.
void AdjustHalftoneDialogItemProc(GlueRec* glue, int16_t item);

// Closing at quit: when a PPD is chosen and its settings changed, asks alert 1009 (item 1
// writes them); then, when the registered settings changed, alert 1012 (item 1 writes
// them). A failed write is shown and does not stop the closing. Then disposes of the
// dialog (DisposeAdjustHalftoneDialog). The status of the last write attempted.
OSErr TerminateAdjustHalftoneDialog(GlueRec* glue);

// Frees the four list records, detaches the lists and the view, and records the dialog's
// position ('WPOS' 1007) when it has a window. The dialog state record itself stays.
void DisposeAdjustHalftoneDialog(GlueRec* glue);

// Disposes of the dialog and frees the dialog state record (glue->dialogState null after).
OSErr DisposeAllDialogs(GlueRec* glue);

// Selection helpers for front ends that name settings rather than click rows: selects the
// row of that name (UTF-8) in one list and deselects the other. False, with nothing
// selected, when there is no such setting (a name that cannot be stored names none).
bool SelectAdjustHalftoneSetting(GlueRec* glue, bool inRegistered, std::string_view utf8Name);
// Row of the setting of that name (UTF-8), or kNoListRow.
int16_t FindAdjustHalftoneSetting(GlueRec* glue, bool inRegistered, std::string_view utf8Name);

// A setting built outside the editor, checked by the editor's rules: the name 1 ... 32
// bytes (kBadToneNameCode); for each curve in use (only cyan when one curve serves all
// inks) the 0 % and 100 % points present and 0 ... 10000 (kEndPointsCode, 1008), every
// other point absent or 0 ... 10000 (kPointOutOfRangeCode, 1009), the gamma absent or
// 1 ... 9999 (kBadGammaCode, 1007). noErr for a valid setting.
[[nodiscard]] OSErr CheckCMYKToneIsValid(const CMYKTone& tone);

} // namespace orvane
