#include "ppd/PPDWriter.h"

#include "core/AppResources.h"
#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"
#include "host/files/SafeWrite.h"
#include "host/resources/Sidecar.h"
#include "ppd/PPDRecognition.h"
#include "ppd/Permissions.h"
#include "ppd/ToneBlock.h"
#include "support/Containers.h"
#include "support/FileHelpers.h"
#include "support/PString.h"
#include "support/ResFile.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace orvane {

namespace {

std::string gLastBackupPath;

std::optional<size_t> Find(std::span<const uint8_t> text, ConstStringPtr pattern, size_t from = 0) {
    if (pattern[0] == 0 || from > text.size())
        return std::nullopt;
    const auto* begin = text.data() + from;
    const void* at = memmem(begin, text.size() - from, pattern + 1, pattern[0]);
    if (!at)
        return std::nullopt;
    return static_cast<size_t>(static_cast<const uint8_t*>(at) - text.data());
}

// The whole file, or nothing with the read's status; a missing file reads as absent, and
// anything but a regular file is refused.
OSErr ReadIfExists(const std::string& path, std::vector<uint8_t>& bytes, bool* exists) {
    bytes.clear();
    const OSErr err = ReadWholeFile(path, bytes);
    *exists = err != fnfErr;
    return err == fnfErr ? OSErr{noErr} : err;
}

// Puts the record into the target's resource fork with the resource layer, as the
// settings are stored everywhere else: look it up, add it when missing, fill and save.
OSErr StoreRecord(const FSSpec& target, const PPDTone4Rec& working) {
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
    res.SaveTheResource(kPPDToneResType, kPPDToneResID);
    return res.lastError;
}

} // namespace

const std::string& LastPPDBackupPath() {
    return gLastBackupPath;
}

OSErr LocateToneBlock(GlueRec* glue, std::span<const uint8_t> text, bool emptyList,
                      ToneBlockPlace& place) {
    Str255 begin, end;
    OSErr err = GetAppIndString(glue, kPPDTextListID, kBlockBeginMarkerIndex, begin);
    if (err == noErr)
        err = GetAppIndString(glue, kPPDTextListID, kBlockEndMarkerIndex, end);
    if (err != noErr)
        return err;

    // An old block is a begin marker and the first end marker after it, with no other
    // begin marker between them. A lone marker left over from an edited file is not part
    // of it: an end marker before the begin marker would otherwise take the text between
    // them, and a lone begin marker before the block would take the text after it.
    std::optional<size_t> startPos = Find(text, begin);
    const std::optional<size_t> endPos =
        startPos ? Find(text, end, *startPos + begin[0]) : std::nullopt;
    if (startPos && endPos) {
        for (std::optional<size_t> later = Find(text, begin, *startPos + 1);
             later && *later + begin[0] <= *endPos; later = Find(text, begin, *later + 1))
            startPos = later;
    }
    if (startPos && endPos) {
        place.startPos = *startPos;
        place.tailStart = *endPos + end[0];
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
        Str255 anchor;
        err = GetAppIndString(glue, kPPDTextListID, index, anchor);
        if (err != noErr)
            return err;
        if (const std::optional<size_t> at = Find(text, anchor)) {
            place.startPos = *at;
            break;
        }
    }
    place.tailStart = place.startPos;
    return noErr;
}

OSErr AdjustHalftoneSaveToPPDFile(GlueRec* glue) {
    if (!glue || !glue->dialogState)
        return paramErr;
    gLastBackupPath.clear();
    SettingPrivateRec* state = glue->dialogState;
    const FSSpec ppd = GetPPDLocation(*state->prefsWorking);

    TextEncoding ppdEncoding = kTextEncodingMacRoman;
    GetPPDEncoding(&ppd, &ppdEncoding);

    Str255 localizedFolder;
    OSErr err = GetAppString(glue, kLocalizedFolderStringID, localizedFolder);
    if (err != noErr)
        return err;

    const bool gammaTarget = glue->osLevel == 2;
    const FSSpec target = gammaTarget ? glue->gammaFileSpec : ppd;
    // Refused rights end the save quietly (AUTH_CANCEL_Flag tells the caller); any other
    // failure to make the PPD writable, or to give the target its resource fork, is
    // reported: the settings were not written.
    if (!gammaTarget) {
        err = check_permission_PPD(glue);
        if (err != noErr)
            return AUTH_CANCEL_Flag ? OSErr{noErr} : err;
    }

    uint8_t hasFork = 0;
    err = TheFileHasResourceFork(target, &hasFork);
    if (err != noErr)
        return err;
    if (!hasFork && (err = MyCreateResFile(target)) != noErr)
        return err;

    std::string targetPath;
    err = HostPathForFSSpec(target, targetPath);
    if (err != noErr)
        return err;
    // Only a plain file is written: never what a symbolic link in its place points to.
    struct stat targetStat {};
    if (lstat(targetPath.c_str(), &targetStat) != 0)
        return fnfErr;
    if (!S_ISREG(targetStat.st_mode))
        return permErr;

    // Everything is built in memory first; the files change only at the end.
    std::vector<uint8_t> oldText;
    bool textExists = false;
    err = ReadIfExists(targetPath, oldText, &textExists);
    if (err != noErr)
        return err;
    if (!textExists)
        return fnfErr;

    const PPDTone4Rec& working = *state->ppdWorking;
    const bool emptyList = working.count <= 0;
    ToneBlockPlace place;
    if (gammaTarget) {
        place.startPos = 0;
        place.tailStart = oldText.size();
        place.newBlock = true;
    } else {
        err = LocateToneBlock(glue, oldText, emptyList, place);
        if (err != noErr)
            return err;
    }

    MyUnknownSizePtrClass block(1024);
    err = ComposeToneBlock(glue, working, ppdEncoding, localizedFolder, place.newBlock, block);
    if (err != noErr)
        return err;

    std::vector<uint8_t> newText;
    newText.reserve(place.startPos + block.GetUsedSize() + (oldText.size() - place.tailStart));
    newText.insert(newText.end(), oldText.begin(),
                   oldText.begin() + static_cast<long>(place.startPos));
    if (!emptyList)
        newText.insert(newText.end(), block.GetBlock(), block.GetBlock() + block.GetUsedSize());
    if (!gammaTarget)
        newText.insert(newText.end(), oldText.begin() + static_cast<long>(place.tailStart),
                       oldText.end());

    // The text first, the record last: the record is what the program reads back as the
    // saved settings, so it is the commit. A crash between the two writes leaves the new
    // text with the old record, which the dialog shows as not yet saved; never a record
    // that claims settings the printer's PPD does not offer. After a reported failure the
    // two files hold their old bytes.
    const std::string sidecarPath = SidecarPath(targetPath);
    std::vector<uint8_t> oldSidecar;
    bool sidecarExisted = false;
    err = ReadIfExists(sidecarPath, oldSidecar, &sidecarExisted);
    if (err != noErr)
        return err;
    const bool textChanges = newText != oldText;
    if (textChanges) {
        SafeWriteReport report;
        err = ReplaceFileContents(targetPath, newText, &report);
        if (err != noErr) {
            if (!report.backupPath.empty()) {
                gLastBackupPath = report.backupPath;
                std::fprintf(stderr, "The old text of %s could not be put back; a copy is in %s\n",
                             targetPath.c_str(), report.backupPath.c_str());
            }
            return err;
        }
    }
    err = StoreRecord(target, working);
    if (err != noErr) {
        // Closing the fork writes a pending change once more, and that may succeed: the old
        // sidecar is put back explicitly.
        if (sidecarExisted && ReplaceFileContents(sidecarPath, oldSidecar) != noErr)
            std::fprintf(stderr, "The settings record beside %s could not be put back\n",
                         targetPath.c_str());
        if (textChanges && ReplaceFileContents(targetPath, oldText) != noErr)
            std::fprintf(stderr, "The old text of %s could not be put back\n", targetPath.c_str());
        return err;
    }

    std::memcpy(state->ppdSaved, state->ppdWorking, sizeof(PPDTone4Rec));
    return noErr;
}

} // namespace orvane
