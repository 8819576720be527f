#include "ppd/PPDWriter.h"

#include "core/AppResources.h"
#include "core/UiText.h"
#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"
#include "host/files/SafeWrite.h"
#include "host/resources/Sidecar.h"
#include "host/rights/AdminRights.h"
#include "ppd/PPDRecognition.h"
#include "ppd/Permissions.h"
#include "ppd/ToneBlock.h"
#include "support/Containers.h"
#include "support/FileHelpers.h"
#include "support/PString.h"
#include "support/ResFile.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace orvane {

namespace {

std::optional<size_t> Find(std::span<const uint8_t> text, std::string_view pattern,
                           size_t from = 0) {
    if (pattern.empty() || from > text.size() || text.size() - from < pattern.size())
        return std::nullopt;
    const auto* begin = text.data() + from;
    const void* at = memmem(begin, text.size() - from, pattern.data(), pattern.size());
    if (!at)
        return std::nullopt;
    return static_cast<size_t>(static_cast<const uint8_t*>(at) - text.data());
}

// The first occurrence of `pattern` that starts a line. An anchor found inside a comment
// or a quoted value would have the block inserted into the middle of that line.
std::optional<size_t> FindAtLineStart(std::span<const uint8_t> text, std::string_view pattern) {
    for (std::optional<size_t> at = Find(text, pattern); at; at = Find(text, pattern, *at + 1)) {
        if (*at == 0 || text[*at - 1] == '\n' || text[*at - 1] == '\r')
            return at;
    }
    return std::nullopt;
}

// The whole file, or nothing with the read's status; a missing file reads as absent, and
// anything but a regular file is refused.
[[nodiscard]] OSErr ReadIfExists(const std::string& path, std::vector<uint8_t>& bytes,
                                 bool* exists) {
    bytes.clear();
    const OSErr err = ReadWholeFile(path, bytes);
    *exists = err != fnfErr;
    return err == fnfErr ? OSErr{noErr} : err;
}

// Puts the record into the target's resource fork with the resource layer, as the
// settings are stored everywhere else: look it up, add it when missing, fill and save.
[[nodiscard]] OSErr StoreRecord(const FSSpec& target, const PPDTone4Rec& working) {
    MyOpenResFileClass res;
    OSErr err = res.SetResFile(target, 3);
    if (err != noErr)
        return err;
    Handle record = res.GetTheResource(kPPDToneResType, kPPDToneResID);
    if (res.lastError != noErr)
        return res.lastError;
    if (!record) {
        record = MyNewHandleClear(sizeof(PPDTone4Rec));
        if (!record)
            return memFullErr;
        Str255 noName;
        noName[0] = 0;
        err = res.AddTheResource(record, kPPDToneResType, kPPDToneResID, noName);
        if (err != noErr) {
            MyDisposeHandle(record);
            return err;
        }
    } else if (GetHandleSize(record) != sizeof(PPDTone4Rec)) {
        err = MySetHandleSize(record, sizeof(PPDTone4Rec));
        if (err != noErr)
            return err;
    }
    std::memcpy(HandleData(record), &working, sizeof working);
    PPDTone4RecHostToBig(record);
    return res.SaveTheResource(kPPDToneResType, kPPDToneResID);
}

// Puts the old bytes back after a failed write; false when they could not be, and then the
// backup of them (if the write left one) goes into the outcome.
bool RollBack(const std::string& path, std::span<const uint8_t> oldBytes, SaveOutcome& outcome) {
    SafeWriteReport report;
    if (ReplaceFileContents(path, oldBytes, &report) == noErr)
        return true;
    if (!report.backupPath.empty())
        outcome.backupPath = report.backupPath;
    return false;
}

// The save's commit: the new text, then the record; on a failure both files get their old
// bytes back. The text first, the record last: the record is what the program reads back
// as the saved settings, so it is the commit. A crash between the two writes leaves the new
// text with the old record, which the dialog shows as not yet saved; never a record that
// claims settings the printer's PPD does not offer.
SaveOutcome CommitPPDSave(const FSSpec& target, const std::string& targetPath,
                          std::span<const uint8_t> oldText, std::span<const uint8_t> newText,
                          const PPDTone4Rec& record) {
    SaveOutcome outcome;
    const std::string sidecarPath = SidecarPath(targetPath);
    std::vector<uint8_t> oldSidecar;
    bool sidecarExisted = false;
    outcome.status = ReadIfExists(sidecarPath, oldSidecar, &sidecarExisted);
    if (outcome.status != noErr)
        return outcome;
    const bool textChanges = !std::ranges::equal(oldText, newText);
    if (textChanges) {
        SafeWriteReport report;
        outcome.status = ReplaceFileContents(targetPath, newText, &report);
        if (outcome.status != noErr) {
            outcome.backupPath = report.backupPath; // set only when the old text is there
            return outcome;
        }
    }
    outcome.status = StoreRecord(target, record);
    if (outcome.status != noErr) {
        // Closing the fork writes a pending change once more, and that may succeed: the old
        // sidecar is put back explicitly. The text goes last, so that its backup, the one a
        // user most needs, is the one the outcome names.
        bool restored = !sidecarExisted || RollBack(sidecarPath, oldSidecar, outcome);
        if (textChanges)
            restored = RollBack(targetPath, oldText, outcome) && restored;
        if (!restored)
            outcome.status = restoreFailedErr;
    }
    return outcome;
}

// The save without the flag: everything is built in memory first; the files change only in
// the commit.
const CMYKTone* FirstSettingWithoutACurve(const PPDTone4Rec& settings) {
    const int count = settings.count < 0 ? 0 : std::min<int>(settings.count, kMaxPPDTones);
    for (int i = 0; i < count; ++i) {
        const CMYKTone& tone = settings.tones[i];
        for (int ink = 0; ink < (tone.sameCurve ? 1 : kInkCount); ++ink) {
            const auto& levels = tone.tone[ink].levels;
            if (std::count_if(std::begin(levels), std::end(levels),
                              [](int32_t level) { return level != kNoPoint; }) < 2)
                return &tone;
        }
    }
    return nullptr;
}

SaveOutcome SaveToTarget(GlueRec* glue) {
    SaveOutcome outcome;
    if (!glue || !glue->dialogState) {
        outcome.status = paramErr;
        return outcome;
    }
    SettingPrivateRec* state = glue->dialogState;
    const FSSpec ppd = GetPPDLocation(*state->prefsWorking);
    const bool gammaTarget = glue->osLevel == 2;
    const FSSpec target = gammaTarget ? glue->gammaFileSpec : ppd;
    const PPDTone4Rec& working = *state->ppdWorking;
    if (gammaTarget && target.name[0] == 0) {
        outcome.status = kNoGammaFileCode;
        return outcome;
    }
    // A curve of fewer than two points (a damaged or foreign record) has no spline, so no
    // table: name the setting rather than fail every save with a bad argument.
    if (const CMYKTone* damaged = FirstSettingWithoutACurve(working)) {
        outcome.status = kDamagedCurveCode;
        outcome.messageParam = ToneNameUtf8(*damaged);
        return outcome;
    }

    TextEncoding ppdEncoding = kTextEncodingMacRoman;
    PPDTexts texts;
    if ((outcome.status = GetPPDEncoding(&ppd, &ppdEncoding)) != noErr ||
        (outcome.status = LoadPPDTexts(glue, texts)) != noErr)
        return outcome;

    // A refused request ends the save with nothing written and no failure of its own; any
    // other failure to make the PPD writable, or to give the target its resource fork, is
    // reported: the settings were not written.
    if (!gammaTarget) {
        AdminRefusal refusal;
        outcome.status = check_permission_PPD(glue, &refusal);
        if (outcome.status != noErr) {
            if (refusal.status != noErr) {
                outcome.status = noErr;
                outcome.rightsRefused = true;
                outcome.refusalMessage = refusal.message;
            }
            return outcome;
        }
    }

    uint8_t hasFork = 0;
    if ((outcome.status = TheFileHasResourceFork(target, &hasFork)) != noErr)
        return outcome;
    if (!hasFork && (outcome.status = MyCreateResFile(target)) != noErr)
        return outcome;

    std::string targetPath;
    if ((outcome.status = HostPathForFSSpec(target, targetPath)) != noErr)
        return outcome;
    // Only a plain file is written: never what a symbolic link in its place points to.
    struct stat targetStat {};
    if (lstat(targetPath.c_str(), &targetStat) != 0)
        outcome.status = fnfErr;
    else if (!S_ISREG(targetStat.st_mode))
        outcome.status = permErr;
    if (outcome.status != noErr)
        return outcome;

    std::vector<uint8_t> oldText;
    bool textExists = false;
    if ((outcome.status = ReadIfExists(targetPath, oldText, &textExists)) == noErr && !textExists)
        outcome.status = fnfErr;
    if (outcome.status != noErr)
        return outcome;

    // The kind belongs to the PPD being written, so it is read from its text now, not taken
    // from whichever PPD was recognised last.
    std::vector<uint8_t> ppdText;
    if (gammaTarget) {
        std::string ppdPath;
        bool ppdExists = false;
        if ((outcome.status = HostPathForFSSpec(ppd, ppdPath)) == noErr &&
            (outcome.status = ReadIfExists(ppdPath, ppdText, &ppdExists)) == noErr && !ppdExists)
            outcome.status = fnfErr;
        if (outcome.status != noErr)
            return outcome;
    }
    const uint16_t ppdType = PPDLocalisationKind(gammaTarget ? ppdText : oldText, texts);

    std::vector<uint8_t> newText;
    outcome.status =
        PlanToneBlockText(oldText, texts, ppdType, ppdEncoding, working, gammaTarget, newText);
    if (outcome.status != noErr)
        return outcome;

    outcome = CommitPPDSave(target, targetPath, oldText, newText, working);
    if (outcome.status == noErr)
        std::memcpy(state->ppdSaved, state->ppdWorking, sizeof(PPDTone4Rec));
    return outcome;
}

} // namespace

OSErr LocateToneBlock(const PPDTexts& texts, std::span<const uint8_t> text, bool emptyList,
                      ToneBlockPlace& place) {
    const std::string& begin = texts.list[kBlockBeginMarkerIndex];
    const std::string& end = texts.list[kBlockEndMarkerIndex];
    if (begin.empty() || end.empty())
        return resNotFound;

    // An old block is a begin marker and the first end marker after it, with no other
    // begin marker between them. A lone marker left over from an edited file is not part
    // of it: an end marker before the begin marker would otherwise take the text between
    // them, and a lone begin marker before the block would take the text after it.
    std::optional<size_t> startPos = Find(text, begin);
    const std::optional<size_t> endPos =
        startPos ? Find(text, end, *startPos + begin.size()) : std::nullopt;
    if (startPos && endPos) {
        for (std::optional<size_t> later = Find(text, begin, *startPos + 1);
             later && *later + begin.size() <= *endPos; later = Find(text, begin, *later + 1))
            startPos = later;
    }
    if (startPos && endPos) {
        place.startPos = *startPos;
        place.tailStart = *endPos + end.size();
        place.newBlock = false;
        if (emptyList) {
            // The three line feeds written after a new block go with it, as far as they
            // are there: nothing after them is ever taken.
            for (int i = 0; i < 3 && place.tailStart < text.size() && text[place.tailStart] == '\n';
                 ++i)
                ++place.tailStart;
        }
        return noErr;
    }

    place.newBlock = true;
    place.startPos = text.size();
    for (const int16_t index : {kAnchor1Index, kAnchor2Index, kAnchor3Index, kAnchor4Index}) {
        const std::string& anchor = texts.list[index];
        if (anchor.empty())
            return resNotFound;
        if (const std::optional<size_t> at = FindAtLineStart(text, anchor)) {
            place.startPos = *at;
            break;
        }
    }
    place.tailStart = place.startPos;
    return noErr;
}

OSErr PlanToneBlockText(std::span<const uint8_t> oldText, const PPDTexts& texts, uint16_t ppdType,
                        TextEncoding ppdEncoding, const PPDTone4Rec& settings, bool wholeText,
                        std::vector<uint8_t>& newText) {
    const bool emptyList = settings.count <= 0;
    ToneBlockPlace place;
    if (wholeText) {
        place.startPos = 0;
        place.tailStart = oldText.size();
        place.newBlock = true;
    } else if (const OSErr err = LocateToneBlock(texts, oldText, emptyList, place); err != noErr) {
        return err;
    }

    MyUnknownSizePtrClass block(1024);
    if (const OSErr err =
            ComposeToneBlock(texts, ppdType, ppdEncoding, settings, place.newBlock, block);
        err != noErr)
        return err;

    const auto head = oldText.first(place.startPos);
    const auto tail = oldText.subspan(place.tailStart);
    newText.clear();
    newText.reserve(head.size() + block.GetUsedSize() + tail.size());
    newText.insert(newText.end(), head.begin(), head.end());
    if (!emptyList)
        newText.insert(newText.end(), block.GetBlock(), block.GetBlock() + block.GetUsedSize());
    newText.insert(newText.end(), tail.begin(), tail.end());
    return noErr;
}

SaveOutcome AdjustHalftoneSaveToPPDFile(GlueRec* glue) {
    SaveOutcome outcome = SaveToTarget(glue);
    AUTH_CANCEL_Flag = outcome.rightsRefused ? 1 : 0;
    return outcome;
}

} // namespace orvane
