#include "ppd/PPDReader.h"

#include "core/Alerts.h"
#include "core/UiText.h"
#include "host/files/FileCommit.h"
#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"
#include "host/memory/Memory.h"
#include "host/resources/ResourceForkFormat.h"
#include "host/resources/Sidecar.h"
#include "ppd/GammaFile.h"
#include "ppd/PPDRecognition.h"
#include "ppd/PPDWriter.h"
#include "ppd/ToneBlock.h"
#include "support/Containers.h"
#include "support/FileHelpers.h"
#include "support/ResFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

// Failures while starting up set the PPD aside, so that the window still opens; the user
// hears why, and nothing saves the choice away meanwhile (ppdSetAside).
OSErr SoftFailure(GlueRec* glue, OSErr err, const std::string& item = {}) {
    if (!glue->startingUp)
        return err;
    SettingPrivateRec* state = glue->dialogState;
    const std::string name = FileNameUtf8(PStrView(state->prefsWorking->ppdName));
    ShowAlert(glue, kPPDSetAsideCode, name);
    ShowAlert(glue, err, FileNameUtf8(item.empty() ? name : item)); // what failed, and where
    ForgetPPD(state);
    state->ppdSetAside = 1;
    return noErr;
}

// How long reading waits for a writer of the same folder to finish.
constexpr int kReaderWaitMilliseconds = 10000;

// A file's settings record: its sidecar's digest (kAbsentDigest without one), and the
// settings when the sidecar holds a readable record. Reading never writes: a file without a
// record simply carries no settings.
struct RecordOnDisk {
    bool found = false;
    PPDTone4Rec settings{};
    uint64_t digest = kAbsentDigest;
};

[[nodiscard]] OSErr ReadRecordOf(const std::string& path, RecordOnDisk& record) {
    record = RecordOnDisk{};
    std::vector<uint8_t> bytes;
    const std::string sidecar = SidecarPath(path);
    struct stat st {};
    if (lstat(sidecar.c_str(), &st) != 0)
        return errno == ENOENT ? OSErr{noErr} : StatusFromErrno(errno);
    if (!S_ISREG(st.st_mode))
        return kNotAPlainFileCode; // never read through a link planted in the record's place
    if (OSErr err = ReadWholeFile(sidecar, bytes); err != noErr)
        return err;
    record.digest = ContentDigest(bytes);
    AppleDoubleImage image;
    ResourceForkImage fork;
    if (bytes.empty() || ParseAppleDouble(bytes, image) != noErr ||
        ParseResourceFork(image.resourceFork, fork) != noErr)
        return noErr; // a damaged record carries no settings; a save replaces it
    for (const ResourceEntry& entry : fork.entries) {
        if (entry.type == kPPDToneResType && entry.id == kPPDToneResID)
            record.found = DecodePPDToneRecord(entry.data, record.settings);
    }
    return noErr;
}

// Completes or undoes an interrupted save of this program in the file's folder before the
// file is read, and says so when it repaired something. A folder this user may not change
// is left to the installer, which recovers it at the next save.
void RecoverBeforeReading(GlueRec* glue, const std::string& path) {
    std::string folder, name;
    SplitPath(path, folder, name);
    if (access(folder.c_str(), W_OK) != 0)
        return;
    FileCommitRecovery recovered;
    if (RecoverFileCommits(folder, &recovered, kReaderWaitMilliseconds) == noErr &&
        !recovered.completed.empty())
        ShowAlert(glue, kRepairedSaveCode, FileNameUtf8(name));
}

// Whether `text` carries the block that `settings` compose: writing them again would leave
// it unchanged. A record beside a PPD that was replaced (by the vendor's file, a driver
// update or a restore) is not in its text any more.
bool TextCarries(GlueRec* glue, std::span<const uint8_t> text, std::span<const uint8_t> ppdText,
                 const PPDTone4Rec& settings, bool wholeText) {
    PPDTexts texts;
    std::vector<uint8_t> planned;
    if (LoadPPDTexts(glue, texts) != noErr)
        return true; // cannot tell: trust the record, as before
    const uint16_t ppdType = PPDLocalisationKind(ppdText, texts);
    if (PlanToneBlockText(text, texts, ppdType, PPDEncodingOfText(ppdText), settings, wholeText,
                          planned, PPDCupsLanguages(ppdText)) != noErr)
        return true;
    return std::ranges::equal(planned, text);
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
    std::string path;
    if (OSErr err = HostPathForFSSpec(*spec, path); err != noErr)
        return err;
    RecordOnDisk record;
    if (OSErr err = ReadRecordOf(path, record); err != noErr)
        return err;
    if (record.found)
        *out = record.settings;
    return noErr;
}

OSErr AdjustHalftoneDialogReadPPDSetting(GlueRec* glue) {
    if (!glue || !glue->dialogState)
        return paramErr;
    SettingPrivateRec* state = glue->dialogState;
    const FSSpec ppd = GetPPDLocation(*state->prefsWorking);
    state->ppdRecordDigest = kAbsentDigest;
    state->ppdBlockMissing = 0;

    if (ppd.name[0] == 0) {
        ForgetPPD(state); // none chosen
        return noErr;
    }
    // A folder or a device standing where the PPD was is for the user to clear away; the
    // choice is kept for when the file is back.
    if (std::string where; HostPathForFSSpec(ppd, where) == noErr)
        if (struct stat st{}; stat(where.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            return SoftFailure(glue, kNotAPlainFileCode, where);
    OSErr err = FindNamedFile(ppd);
    if (err == fnfErr) {
        // A PPD that is gone is forgotten for good, and the user is told which one.
        std::string where;
        if (HostPathForFSSpec(ppd, where) != noErr)
            where = FileNameUtf8(PStrView(ppd.name));
        ShowAlert(glue, kPPDGoneCode, FileNameUtf8(where));
        ForgetPPD(state);
        return noErr;
    }
    std::string ppdPath;
    if (err == noErr)
        err = HostPathForFSSpec(ppd, ppdPath);
    if (err != noErr)
        return SoftFailure(glue, err);
    RecoverBeforeReading(glue, ppdPath);
    uint8_t isPPD = 0;
    err = CheckTargetFileIsPPDFile(glue, &ppd, &isPPD);
    if (err != noErr)
        return SoftFailure(glue, err);
    if (!isPPD) {
        ShowAlert(glue, PPDRefusalCode(glue, &ppd), FileNameUtf8(PStrView(ppd.name)));
        ForgetPPD(state);
        return noErr;
    }
    std::vector<uint8_t> ppdText;
    if ((err = ReadWholeFile(ppdPath, ppdText)) != noErr)
        return SoftFailure(glue, err);

    // The target: the PPD itself, or on system level 2 its gamma file.
    const bool gammaTarget = glue->osLevel == 2;
    std::string targetPath = ppdPath;
    std::vector<uint8_t> targetText;
    if (gammaTarget) {
        GetPPDOptions(glue, &ppd);
        if ((err = Make_gam_file(glue)) == noErr &&
            (err = HostPathForFSSpec(glue->gammaFileSpec, targetPath)) == noErr) {
            RecoverBeforeReading(glue, targetPath);
            err = ReadWholeFile(targetPath, targetText);
        }
        if (err != noErr)
            return SoftFailure(glue, err);
    }
    RecordOnDisk record;
    if ((err = ReadRecordOf(targetPath, record)) != noErr)
        return SoftFailure(glue, err, SidecarPath(targetPath));
    state->ppdRecordDigest = record.digest;

    if (gammaTarget && !record.found) {
        // The gamma file holds no settings yet: they come from the PPD's own record, and are
        // saved only once written into the gamma file (a failed write leaves them unsaved,
        // for the next Save to report).
        RecordOnDisk fromPPD;
        if (ReadRecordOf(ppdPath, fromPPD) == noErr && fromPPD.found) {
            *state->ppdWorking = fromPPD.settings;
            std::memset(state->ppdSaved, 0, sizeof(PPDTone4Rec));
            const SaveOutcome copied = AdjustHalftoneSaveToPPDFile(glue);
            (void)copied;
            return noErr;
        }
    }
    PPDTone4Rec settings;
    std::memset(&settings, 0, sizeof settings);
    if (record.found)
        settings = record.settings;
    *state->ppdWorking = settings;
    *state->ppdSaved = settings;
    if (!TextCarries(glue, gammaTarget ? targetText : ppdText, ppdText, settings, gammaTarget)) {
        // The settings are listed, but the printing system does not offer them: they count
        // as changes not yet saved, which the next Save writes again.
        state->ppdBlockMissing = 1;
    }
    return noErr;
}

} // namespace orvane
