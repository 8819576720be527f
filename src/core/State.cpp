#include "core/State.h"

#include "host/memory/Memory.h"

#include <type_traits>

namespace orvane {

// The records are created zero-filled from raw memory, so they must stay plain data.
static_assert(std::is_trivial_v<GlueRec>);
static_assert(std::is_trivial_v<SettingPrivateRec>);

uint8_t gquit = 0;
uint8_t gInBackground = 0;
uint8_t AUTH_CANCEL_Flag = 0;
uint16_t ppd_type = 0;

GlueRec* NewGlueRec() {
    return static_cast<GlueRec*>(MyNewPtrClear(sizeof(GlueRec)));
}

void DisposeGlueRec(GlueRec* glue) {
    MyDisposePtr(glue);
}

SettingPrivateRec* NewSettingPrivateRec() {
    auto* state = static_cast<SettingPrivateRec*>(MyNewPtrClear(sizeof(SettingPrivateRec)));
    if (!state)
        return nullptr;
    state->prefsSaved = static_cast<ToneRes4Rec*>(MyNewPtrClear(sizeof(ToneRes4Rec)));
    state->prefsWorking = static_cast<ToneRes4Rec*>(MyNewPtrClear(sizeof(ToneRes4Rec)));
    state->ppdSaved = static_cast<PPDTone4Rec*>(MyNewPtrClear(sizeof(PPDTone4Rec)));
    state->ppdWorking = static_cast<PPDTone4Rec*>(MyNewPtrClear(sizeof(PPDTone4Rec)));
    if (!state->prefsSaved || !state->prefsWorking || !state->ppdSaved || !state->ppdWorking) {
        DisposeSettingPrivateRec(state);
        return nullptr;
    }
    return state;
}

void DisposeSettingPrivateRec(SettingPrivateRec* state) {
    if (!state)
        return;
    MyDisposePtr(state->prefsSaved);
    MyDisposePtr(state->prefsWorking);
    MyDisposePtr(state->ppdSaved);
    MyDisposePtr(state->ppdWorking);
    MyDisposePtr(state);
}

} // namespace orvane
