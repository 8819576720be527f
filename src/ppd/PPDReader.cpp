#include "ppd/PPDReader.h"

#include "core/Alerts.h"
#include "host/memory/Memory.h"
#include "ppd/GammaFile.h"
#include "ppd/PPDRecognition.h"
#include "ppd/PPDWriter.h"
#include "support/Containers.h"
#include "support/FileHelpers.h"
#include "support/ResFile.h"

#include <cstring>

namespace orvane {

namespace {

int32_t BigEndian32(const uint8_t* p) {
    return static_cast<int32_t>((uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) |
                                (uint32_t{p[2]} << 8) | uint32_t{p[3]});
}

int16_t ClampCount(int16_t count) {
    return count < 0 ? 0 : count > kMaxPPDTones ? kMaxPPDTones : count;
}

// The old layout: six one-curve entries whose cyan levels become all four curves.
void ConvertVersion1(std::span<const uint8_t> old, PPDTone4Rec& out) {
    std::memset(&out, 0, sizeof out);
    out.version = 2;
    out.count = ClampCount(static_cast<int16_t>((old[2] << 8) | old[3]));
    std::memcpy(&out.legacyWord, old.data() + kPPDTone1LegacyWordOffset, sizeof out.legacyWord);
    for (int i = 0; i < out.count; ++i) {
        const uint8_t* entry = old.data() + kPPDTone1EntriesOffset + i * kPPDTone1EntrySize;
        CMYKTone& tone = out.tones[i];
        const size_t nameLength = entry[0] > 32 ? 32 : entry[0];
        tone.name[0] = static_cast<unsigned char>(nameLength);
        std::memcpy(tone.name + 1, entry + 1, nameLength);
        tone.sameCurve = 1;
        for (int k = 0; k < kToneSlotCount; ++k)
            tone.tone[kCyan].levels[k] = BigEndian32(entry + kPPDTone1EntryLevelsOffset + 4 * k);
        // The old entry has no gamma; its four bytes at that place were never a gamma.
        tone.tone[kCyan].gamma = kNoGamma;
        for (int ink = kMagenta; ink <= kBlack; ++ink)
            tone.tone[ink] = tone.tone[kCyan];
    }
}

void ForgetPPD(SettingPrivateRec* state) {
    state->prefsWorking->ppdName[0] = 0;
    std::memset(state->ppdWorking, 0, sizeof(PPDTone4Rec));
    std::memset(state->ppdSaved, 0, sizeof(PPDTone4Rec));
}

// Failures while starting up are forgotten quietly so the window still opens.
OSErr SoftFailure(GlueRec* glue, OSErr err) {
    if (glue->startingUp) {
        ForgetPPD(glue->dialogState);
        return noErr;
    }
    return err;
}

// The record of the gamma file's own resource fork, if it has one.
OSErr ReadGammaRecord(GlueRec* glue, PPDTone4Rec& scratch, bool* found) {
    *found = false;
    MyOpenResFileClass res;
    const OSErr err = res.SetResFile(glue->gammaFileSpec, 1);
    if (err != noErr)
        return err;
    Handle record = res.GetTheResource(kPPDToneResType, kPPDToneResID);
    if (record && DecodePPDToneRecord({HandleData(record), GetHandleSize(record)}, scratch))
        *found = true;
    return noErr;
}

} // namespace

bool DecodePPDToneRecord(std::span<const uint8_t> stored, PPDTone4Rec& out) {
    if (stored.size() < 4)
        return false;
    const uint16_t version = static_cast<uint16_t>((stored[0] << 8) | stored[1]);
    if (version == 1) {
        if (stored.size() < kPPDTone1RecSize)
            return false;
        ConvertVersion1(stored, out);
        return true;
    }
    PPDTone4Rec record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(&record, stored.data(),
                stored.size() < sizeof record ? stored.size() : sizeof record);
    SwapPPDTone4Rec(record);
    record.count = ClampCount(record.count);
    // Names longer than their 32 bytes would take in the bytes after them.
    for (CMYKTone& tone : record.tones) {
        if (tone.name[0] > kMaxToneNameLength)
            tone.name[0] = kMaxToneNameLength;
    }
    out = record;
    return true;
}

OSErr ReadPPDSetting(GlueRec*, const FSSpec* spec, PPDTone4Rec* out) {
    if (!spec || !out)
        return paramErr;
    uint8_t hasFork = 0;
    OSErr err = TheFileHasResourceFork(*spec, &hasFork);
    if (err != noErr)
        return err;
    if (!hasFork && MyCreateResFile(*spec) != noErr)
        return noErr; // a PPD that cannot be given a fork carries no settings

    MyOpenResFileClass res;
    err = res.SetResFile(*spec, 1);
    if (err != noErr)
        return err;
    Handle record = res.GetTheResource(kPPDToneResType, kPPDToneResID);
    if (!record)
        return noErr;
    PPDTone4Rec decoded;
    if (DecodePPDToneRecord({HandleData(record), GetHandleSize(record)}, decoded))
        *out = decoded;
    return noErr;
}

OSErr AdjustHalftoneDialogReadPPDSetting(GlueRec* glue) {
    if (!glue || !glue->dialogState)
        return paramErr;
    SettingPrivateRec* state = glue->dialogState;
    PPDTone4Rec scratch;
    std::memset(&scratch, 0, sizeof scratch);
    const FSSpec ppd = GetPPDLocation(*state->prefsWorking);

    OSErr err = FindNamedFile(ppd);
    if (err == fnfErr) {
        ForgetPPD(state);
        return noErr;
    }
    if (err != noErr)
        return SoftFailure(glue, err);
    uint8_t isPPD = 0;
    err = CheckTargetFileIsPPDFile(glue, &ppd, &isPPD);
    if (err != noErr)
        return SoftFailure(glue, err);
    if (!isPPD) {
        ShowAlert(glue, kNotSupportedPPDCode);
        ForgetPPD(state);
        return noErr;
    }

    if (glue->osLevel == 2) {
        GetPPDOptions(glue, &ppd);
        err = Make_gam_file(glue);
        if (err != noErr)
            return SoftFailure(glue, err);
        bool found = false;
        err = ReadGammaRecord(glue, scratch, &found);
        if (err != noErr)
            return SoftFailure(glue, err);
        bool mustWriteGamma = false;
        if (!found && ReadPPDSetting(glue, &ppd, &scratch) == noErr)
            mustWriteGamma = true;
        *state->ppdWorking = scratch;
        if (!mustWriteGamma) {
            *state->ppdSaved = scratch;
            return noErr;
        }
        // The gamma file holds no settings yet: saved is what it holds until the write
        // succeeds (which makes the two equal). A failed write leaves the PPD's settings
        // unsaved instead of claiming the gamma file has them.
        std::memset(state->ppdSaved, 0, sizeof(PPDTone4Rec));
        const SaveOutcome copied = AdjustHalftoneSaveToPPDFile(glue);
        (void)copied; // its failure is kept in ppdSaved, and the next Save reports it
        return noErr;
    }

    err = ReadPPDSetting(glue, &ppd, &scratch);
    if (err != noErr)
        return SoftFailure(glue, err);
    *state->ppdWorking = scratch;
    *state->ppdSaved = scratch;
    return noErr;
}

} // namespace orvane
