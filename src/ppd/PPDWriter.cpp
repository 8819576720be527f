#include "ppd/PPDWriter.h"

#include "core/AppResources.h"
#include "core/UiText.h"
#include "host/files/FileCommit.h"
#include "host/files/FileLock.h"
#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"
#include "host/resources/Sidecar.h"
#include "host/rights/AdminRights.h"
#include "host/rights/InstallerClient.h"
#include "host/ui/HostServices.h"
#include "ppd/PPDRecognition.h"
#include "ppd/Permissions.h"
#include "ppd/ToneBlock.h"
#include "support/Containers.h"
#include "support/FileHelpers.h"
#include "support/PString.h"
#include "support/ResFile.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace orvane {

namespace {

// How long a save waits for another writer of the same folder before it gives up.
constexpr int kWriterWaitMilliseconds = 10000;

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

// The two files of a target as they are now: its text (which must exist) and its record's
// sidecar (empty when there is none).
struct TargetFiles {
    std::string path;
    std::vector<uint8_t> text;
    std::vector<uint8_t> sidecar;
    bool sidecarExists = false;
};

[[nodiscard]] OSErr ReadTarget(const std::string& path, TargetFiles& files) {
    files.path = path;
    bool textExists = false;
    OSErr err = ReadIfExists(path, files.text, &textExists);
    if (err == noErr && !textExists)
        err = fnfErr;
    if (err == noErr)
        err = ReadIfExists(SidecarPath(path), files.sidecar, &files.sidecarExists);
    return err;
}

// The new text and record of a target, planned from what it holds now.
struct PlannedFiles {
    std::vector<uint8_t> text;
    std::vector<uint8_t> sidecar;
};

[[nodiscard]] OSErr Plan(const TargetFiles& now, const PPDTexts& texts,
                         std::span<const uint8_t> ppdText, const PPDTone4Rec& working,
                         bool gammaTarget, PlannedFiles& planned) {
    const std::vector<std::string> languages = PPDCupsLanguages(ppdText);
    if (OSErr err = PlanToneBlockText(now.text, texts, PPDLocalisationKind(ppdText, texts),
                                      PPDEncodingOfText(ppdText), working, gammaTarget,
                                      planned.text, languages);
        err != noErr)
        return err;
    PPDTone4Rec stored = working;
    SwapPPDTone4Rec(stored); // host order to the stored, big-endian form
    return SidecarWithResource(now.sidecar, kPPDToneResType, kPPDToneResID,
                               {reinterpret_cast<const uint8_t*>(&stored), sizeof stored},
                               planned.sidecar);
}

using PlanFunction = std::function<OSErr(const TargetFiles&, PlannedFiles&)>;

// Reads the target and plans its new files, for either route. The settings record this
// state loaded (its digest) must still be the one beside the target; otherwise another
// process saved meanwhile, and writing would undo that. False with the outcome set when the
// save ends here.
bool ReadAndPlan(const SettingPrivateRec& state, const std::string& path, const PlanFunction& plan,
                 TargetFiles& now, PlannedFiles& planned, SaveOutcome& outcome) {
    if ((outcome.status = ReadTarget(path, now)) != noErr)
        return false;
    if (state.ppdRecordDigest != (now.sidecarExists ? ContentDigest(now.sidecar) : kAbsentDigest)) {
        outcome.status = kChangedOnDiskCode;
        outcome.messageParam = path;
        return false;
    }
    return (outcome.status = plan(now, planned)) == noErr;
}

// Writes the plan by the process itself, with the folder locked from reading to writing so
// that no other writer comes between; the record is checked under the same lock.
SaveOutcome CommitDirect(const SettingPrivateRec& state, const std::string& path,
                         const PlanFunction& plan, uint64_t* writtenRecord) {
    SaveOutcome outcome;
    std::string folder, name;
    SplitPath(path, folder, name);
    FolderLock lock;
    if ((outcome.status = lock.Lock(folder, kWriterWaitMilliseconds)) != noErr)
        return outcome;
    TargetFiles now;
    PlannedFiles planned;
    FileCommitRecovery recovered;
    if ((outcome.status = RecoverFileCommitsIn(lock, &recovered)) != noErr ||
        !ReadAndPlan(state, path, plan, now, planned, outcome))
        return outcome;
    const FileReplacement files[] = {{name, planned.text}, {"._" + name, planned.sidecar}};
    outcome.status = CommitFilesIn(lock, files);
    if (outcome.status == noErr)
        *writtenRecord = ContentDigest(planned.sidecar);
    return outcome;
}

// Hands the plan to the installer, with administrator rights: one question per save. The
// installer takes its own lock and refuses the change when either file no longer holds what
// was read here.
SaveOutcome CommitByInstaller(GlueRec* glue, const std::string& path, const PlanFunction& plan,
                              uint64_t* writtenRecord) {
    SaveOutcome outcome;
    TargetFiles now;
    PlannedFiles planned;
    if (!ReadAndPlan(*glue->dialogState, path, plan, now, planned, outcome))
        return outcome;
    InstallRequest request;
    request.files.push_back({path, planned.text, ContentDigest(now.text)});
    request.files.push_back({SidecarPath(path), planned.sidecar,
                             now.sidecarExists ? ContentDigest(now.sidecar) : kAbsentDigest});
    InstallResult installed = InstallWithAdminRights(AdminRightsOf(glue->services), request);
    if (installed.refusal.status != noErr) {
        // Refused: nothing was written, and that is no failure of the save's own.
        outcome.rightsRefused = true;
        outcome.refusalMessage = std::move(installed.refusal.message);
        return outcome;
    }
    outcome.status = installed.status;
    if (outcome.status == kChangedOnDiskCode || outcome.status == permErr ||
        outcome.status == dskFulErr)
        outcome.messageParam = path;
    else if (outcome.status != noErr)
        outcome.messageParam = installed.message;
    if (outcome.status == noErr)
        *writtenRecord = ContentDigest(planned.sidecar);
    return outcome;
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
        outcome.messageParam = WithControlsEscaped(ToneNameUtf8(*damaged));
        return outcome;
    }

    PPDTexts texts;
    std::string targetPath;
    if ((outcome.status = LoadPPDTexts(glue, texts)) != noErr ||
        (outcome.status = HostPathForFSSpec(target, targetPath)) != noErr)
        return outcome;
    WriteRoute route = WriteRoute::Installer;
    if ((outcome.status = WriteRouteFor(targetPath, &route)) != noErr) {
        outcome.messageParam = targetPath;
        return outcome;
    }

    // The kind and the encoding belong to the PPD being written, so they are read from its
    // text, not taken from whichever PPD was recognised last. The gamma file's own text is
    // only the block.
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
    const auto plan = [&](const TargetFiles& now, PlannedFiles& planned) {
        return Plan(now, texts, gammaTarget ? ppdText : now.text, working, gammaTarget, planned);
    };
    uint64_t writtenRecord = 0;
    outcome = route == WriteRoute::Direct
                  ? CommitDirect(*state, targetPath, plan, &writtenRecord)
                  : CommitByInstaller(glue, targetPath, plan, &writtenRecord);
    if (outcome.ok()) {
        std::memcpy(state->ppdSaved, state->ppdWorking, sizeof(PPDTone4Rec));
        state->ppdRecordDigest = writtenRecord;
        state->ppdBlockMissing = 0;
    } else if (outcome.status == dskFulErr || outcome.status == permErr) {
        if (outcome.messageParam.empty())
            outcome.messageParam = targetPath;
    }
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
                        std::vector<uint8_t>& newText, std::span<const std::string> languages) {
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
    if (const OSErr err = ComposeToneBlock(texts, ppdType, ppdEncoding, settings, place.newBlock,
                                           block, languages);
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
