#include "app/Commands.h"

#include "app/NewEditHalftone.h"
#include "core/Alerts.h"
#include "host/bundle/BundleConfig.h"
#include "host/text/TextEncoding.h"
#include "host/ui/HostServices.h"

#include <string>

namespace orvane {

namespace {

// The information dictionary's value in UTF-8; empty when it is missing.
std::string BundleText(const char* key) {
    char buffer[1024];
    if (!getStringFromPlist(buffer, sizeof buffer, key, kTextEncodingUTF8))
        return std::string();
    return std::string(buffer);
}

void ShowAboutBox(GlueRec* glue) {
    AlertRequest request;
    request.alertID = kAboutAlertID;
    request.caution = false;
    request.params[0] = BundleText("CFBundleName");
    request.params[1] = BundleText("CFBundleGetInfoString");
    AlertsOf(glue->services).Show(request);
}

} // namespace

OSErr DoCommand(GlueRec* glue, int16_t command, TextEditTarget* frontText) {
    switch (command) {
    case kAboutCommand:
        if (glue)
            ShowAboutBox(glue);
        return noErr;
    case kAcceptedCommand:
        return noErr;
    case kUndoCommand:
    case kRedoCommand:
        if (NewEditHalftoneDialog* editor =
                glue && glue->dialogState ? glue->dialogState->newEditor : nullptr) {
            if (command == kUndoCommand)
                editor->Undo();
            else
                editor->Redo();
        }
        return noErr;
    case kCutCommand:
    case kCopyCommand:
    case kPasteCommand:
    case kClearCommand:
        if (frontText) {
            if (command == kCutCommand)
                frontText->Cut();
            else if (command == kCopyCommand)
                frontText->Copy();
            else if (command == kPasteCommand)
                frontText->Paste();
            else
                frontText->Clear();
        }
        return noErr;
    default:
        return eventNotHandledErr;
    }
}

bool CommandEnabled(int16_t command, bool textEditing) {
    switch (command) {
    case kAboutCommand:
    case kQuitCommand:
    case kHelpCommand:
        return true;
    case kUndoCommand:
    case kRedoCommand:
    case kCutCommand:
    case kCopyCommand:
    case kPasteCommand:
    case kClearCommand:
        return textEditing;
    default:
        return false;
    }
}

} // namespace orvane
