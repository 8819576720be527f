#include "cli/Orvanectl.h"

#include "app/AdjustHalftone.h"
#include "app/Folders.h"
#include "app/SettingsLists.h"
#include "app/Startup.h"
#include "cli/CliMessages.h"
#include "cli/CliQuestions.h"
#include "cli/CommandLine.h"
#include "cli/CurveArgument.h"
#include "cli/SettingsListing.h"
#include "core/Alerts.h"
#include "host/files/HostPaths.h"
#include "host/rights/AdminRights.h"
#include "host/text/AppText.h"
#include "host/ui/Choosers.h"
#include "host/ui/ListView.h"
#include "support/PString.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "unknown"
#endif

namespace orvane {

namespace {

constexpr const char* kCurveOptionNames[kInkCount] = {"--cyan", "--magenta", "--yellow", "--black"};

bool FileExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::string CurrentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

// PPD_PATH as the file chooser would hand it back: absolute. A bare file name that is not
// in the current folder is looked for in the printer-description folder.
std::string ResolvePPDPath(const std::string& given) {
    if (!given.empty() && given[0] == '/')
        return given;
    const std::string here = CurrentFolder() + "/" + given;
    if (given.find('/') == std::string::npos && !FileExists(here)) {
        const std::string inFolder = PrinterDescriptionFolderPath() + "/" + given;
        if (FileExists(inFolder))
            return inFolder;
    }
    return here;
}

// The name of a setting to be stored: 1 ... 32 bytes in the application's encoding,
// refused (never cut) otherwise.
OSErr NewSettingName(std::string_view utf8, std::string& appName) {
    if (utf8.empty())
        return kBadToneNameCode;
    switch (Utf8ToAppText(utf8, kMaxToneNameLength, appName)) {
    case TextConversionStatus::ok:
        return noErr;
    case TextConversionStatus::tooLong:
        return kBadToneNameCode;
    default:
        return kCliUnstorableNameCode;
    }
}

void SetAdminOption(CliAdmin admin) {
    switch (admin) {
    case CliAdmin::fromEnvironment:
        break;
    case CliAdmin::user:
        SetAdminMode(AdminMode::CurrentUser);
        break;
    case CliAdmin::pkexec:
        SetAdminMode(AdminMode::Pkexec);
        break;
    case CliAdmin::root:
        SetAdminMode(AdminMode::Root);
        break;
    }
}

// Owns the application state for one run and takes it down in order.
class GlueOwner {
public:
    GlueOwner() : glue_(NewGlueRec()) {}
    ~GlueOwner() {
        if (!glue_)
            return;
        if (glue_->dialogState)
            DisposeAllDialogs(glue_);
        CloseApplicationResFile(glue_);
        DisposeGlueRec(glue_);
    }
    GlueOwner(const GlueOwner&) = delete;
    GlueOwner& operator=(const GlueOwner&) = delete;
    GlueRec* get() const { return glue_; }

private:
    GlueRec* glue_;
};

class CommandRun {
public:
    CommandRun(const CliArguments& args, FILE* out, FILE* err)
        : args_(args), out_(out), err_(err), alerts_(args.replace, err) {}

    int Run();

private:
    // Prints the message for `code` ("context: " first when given) and returns the exit
    // status for a failure.
    int Fail(OSErr code, std::string_view param = {}, std::string_view context = {});
    void Say(const std::string& line) { std::fprintf(out_, "%s\n", line.c_str()); }

    SettingPrivateRec& State() const { return *glue_->dialogState; }
    bool PPDChosen() const { return State().prefsWorking->ppdName[0] != 0; }
    std::string PPDFileName() const { return PStrToString(State().prefsWorking->ppdName); }
    const CMYKTone& Setting(bool inRegistered, int16_t row) const {
        return inRegistered ? State().prefsWorking->tones[row] : State().ppdWorking->tones[row];
    }
    int16_t Count(bool inRegistered) const {
        return inRegistered ? State().prefsWorking->count : State().ppdWorking->count;
    }
    static const char* ListTitle(bool inRegistered) {
        return inRegistered ? "the registered settings" : "the PPD's settings";
    }

    // Selects the setting named on the command line; the row, or kNoListRow after the
    // message has been printed.
    int16_t SelectNamed(bool inRegistered, const std::string& utf8Name);
    // Items 12, 13 and 15 as the dialog runs them. While the target list is full the
    // dialog disables them; a copy that would replace a setting of the same name adds no
    // row, so it is handed to the list operation, which asks the replace question.
    OSErr CopyInto(int16_t item, bool toRegistered, const CMYKTone& copy);
    // After a command that may have changed a list: the question declined, a failure, or
    // the Save command when something changed. `done` is said on success.
    int Finish(OSErr status, const std::string& done);

    int List();
    int Table();
    int Choose();
    int Add();
    int Delete();
    int Duplicate();
    int Rename();
    int Copy(bool toPPD);

    const CliArguments& args_;
    FILE* out_;
    FILE* err_;
    CliAlertHost alerts_;
    GlueRec* glue_ = nullptr;
};

int CommandRun::Fail(OSErr code, std::string_view param, std::string_view context) {
    std::string message = CliMessageText(glue_, code, param);
    if (!context.empty())
        message = std::string(context) + ": " + message;
    std::fprintf(err_, "orvanectl: %s\n", message.c_str());
    return kCliExitFailed;
}

int16_t CommandRun::SelectNamed(bool inRegistered, const std::string& utf8Name) {
    std::string appName;
    // A name that cannot be stored cannot name a stored setting either.
    const bool storable =
        Utf8ToAppText(utf8Name, kMaxToneNameLength, appName) == TextConversionStatus::ok;
    if (!inRegistered && !PPDChosen()) {
        Fail(kCliNoPPDChosenCode);
        return kNoListRow;
    }
    if (!storable || !SelectAdjustHalftoneSetting(glue_, inRegistered, appName)) {
        Fail(inRegistered ? kCliUnknownRegisteredCode : kCliUnknownPPDSettingCode, utf8Name);
        return kNoListRow;
    }
    return FindAdjustHalftoneSetting(glue_, inRegistered, appName);
}

OSErr CommandRun::CopyInto(int16_t item, bool toRegistered, const CMYKTone& copy) {
    if (AdjustHalftoneEnabledItems(glue_).Contains(item))
        return HandleAdjustHalftoneDialogButtons(glue_, item);
    if (FindAdjustHalftoneSetting(glue_, toRegistered, PStrView(copy.name)) == kNoListRow)
        return kListFullCode;
    return AdjustHalftoneDialogAppendEntry(glue_, toRegistered, copy);
}

int CommandRun::Finish(OSErr status, const std::string& done) {
    if (alerts_.declinedReplace()) {
        // Declining leaves both lists as they were: nothing to save.
        std::string message = alerts_.declinedQuestion();
        const std::string hint = CliMessageText(glue_, kCliReplaceDeclinedCode);
        message += message.empty() ? hint : " " + hint;
        std::fprintf(err_, "orvanectl: %s\n", message.c_str());
        return kCliExitReplaceDeclined;
    }
    if (status != noErr)
        return Fail(status);
    if (AdjustHalftoneCheckRegisteredSettingChanged(glue_) ||
        AdjustHalftoneCheckPPDSettingChanged(glue_)) {
        bool rightsRefused = false;
        std::string backupPath;
        const OSErr saved = AdjustHalftoneDialogSave(glue_, &rightsRefused, &backupPath);
        if (saved != noErr) {
            Fail(saved);
            if (!backupPath.empty())
                Fail(kCliBackupKeptCode, backupPath);
            return kCliExitFailed;
        }
        if (rightsRefused) {
            Fail(kCliRightsRefusedCode);
            if (const std::string& why = LastAdminRefusal().message; !why.empty())
                std::fprintf(err_, "orvanectl: %s\n", why.c_str());
            return kCliExitFailed;
        }
    }
    Say(done);
    return kCliExitOK;
}

int CommandRun::List() {
    SettingsListing listing;
    listing.osLevel = glue_->osLevel;
    const ToneRes4Rec& prefs = *State().prefsWorking;
    const PPDTone4Rec& ppd = *State().ppdWorking;
    listing.registered = std::span<const CMYKTone>(prefs.tones, static_cast<size_t>(prefs.count));
    if (PPDChosen()) {
        ChosenPPDListing chosen;
        chosen.name = PPDFileName();
        if (HostPathForFSSpec(GetPPDLocation(prefs), chosen.path) != noErr)
            chosen.path.clear();
        listing.ppd = chosen;
        listing.ppdSettings = std::span<const CMYKTone>(ppd.tones, static_cast<size_t>(ppd.count));
    }
    std::string text;
    if (args_.json)
        AppendSettingsListingJson(text, listing);
    else
        AppendSettingsListingText(text, listing);
    std::fputs(text.c_str(), out_);
    return kCliExitOK;
}

int CommandRun::Table() {
    const bool inRegistered = !args_.ppd;
    const int16_t row = SelectNamed(inRegistered, args_.operands[0]);
    if (row == kNoListRow)
        return kCliExitFailed;
    std::string text;
    const CMYKTone& tone = Setting(inRegistered, row);
    const OSErr err =
        args_.json ? AppendTransferTablesJson(text, tone) : AppendTransferTablesText(text, tone);
    if (err != noErr)
        return Fail(err);
    std::fputs(text.c_str(), out_);
    return kCliExitOK;
}

int CommandRun::Choose() {
    ScriptedFileChooser chooser;
    chooser.SetNextFile(ResolvePPDPath(args_.operands[0]));
    ScopedFileChooser useChooser(chooser);
    const int errorsBefore = alerts_.errorsShown();
    const OSErr err = AdjustHalftoneDialogChoosePPD(glue_);
    if (err != noErr)
        return Fail(err, args_.operands[0]);
    // A file that is not a supported PPD has been reported (1006) and leaves none chosen;
    // the preferences file keeps the previous choice.
    if (!PPDChosen() || alerts_.errorsShown() != errorsBefore)
        return kCliExitFailed;
    Say("Chose " + PPDFileName() + " as the target PPD (" + std::to_string(Count(false)) + " of " +
        std::to_string(kMaxPPDTones) + " settings in it).");
    return kCliExitOK;
}

int CommandRun::Add() {
    CMYKTone tone;
    SetNewCMYKTone(tone);
    std::string appName;
    if (const OSErr err = NewSettingName(args_.operands[0], appName); err != noErr)
        return Fail(err, args_.operands[0]);
    if (const OSErr err = SetCMYKToneName(tone, appName); err != noErr)
        return Fail(err, args_.operands[0]);
    // Each curve is judged on its own first, so that the message can say which option
    // holds the bad value; then the whole setting, by the editor's rules.
    const auto readCurve = [&](const std::string& spec, CToneInfo& curve) {
        if (const OSErr err = ParseCurveSpec(spec, curve); err != noErr)
            return err;
        CMYKTone alone = tone;
        alone.sameCurve = 1;
        alone.tone[kCyan] = curve;
        return CheckCMYKToneIsValid(alone);
    };
    if (args_.allCurve) {
        if (const OSErr err = readCurve(*args_.allCurve, tone.tone[kCyan]); err != noErr)
            return Fail(err, {}, "--all");
        tone.sameCurve = 1;
        for (int ink = kMagenta; ink < kInkCount; ++ink)
            tone.tone[ink] = tone.tone[kCyan];
    } else {
        tone.sameCurve = 0;
        for (int ink = 0; ink < kInkCount; ++ink) {
            const auto& spec = args_.inkCurves[static_cast<size_t>(ink)];
            if (!spec)
                continue; // keeps the straight line of a new setting
            if (const OSErr err = readCurve(*spec, tone.tone[ink]); err != noErr)
                return Fail(err, {}, kCurveOptionNames[ink]);
        }
    }
    if (const OSErr err = CheckCMYKToneIsValid(tone); err != noErr)
        return Fail(err, args_.operands[0]);

    const int16_t before = Count(true);
    State().isNew = 1;
    State().originalTone = tone;
    State().workTone = tone;
    const OSErr err = NewEditHalftoneDialogSaveList(glue_);
    const bool replaced = Count(true) == before;
    return Finish(err, std::string(replaced ? "Replaced \"" : "Added \"") + args_.operands[0] +
                           "\" " + (replaced ? "in " : "to ") + ListTitle(true) + ".");
}

int CommandRun::Delete() {
    const bool inRegistered = !args_.ppd;
    if (SelectNamed(inRegistered, args_.operands[0]) == kNoListRow)
        return kCliExitFailed;
    const OSErr err = HandleAdjustHalftoneDialogButtons(glue_, kAdjustDeleteItem);
    return Finish(err,
                  "Deleted \"" + args_.operands[0] + "\" from " + ListTitle(inRegistered) + ".");
}

int CommandRun::Duplicate() {
    const bool inRegistered = !args_.ppd;
    std::string newName;
    if (const OSErr err = NewSettingName(args_.operands[1], newName); err != noErr)
        return Fail(err, args_.operands[1]);
    const int16_t row = SelectNamed(inRegistered, args_.operands[0]);
    if (row == kNoListRow)
        return kCliExitFailed;
    CMYKTone copy = Setting(inRegistered, row);
    if (const OSErr err = SetCMYKToneName(copy, newName); err != noErr)
        return Fail(err, args_.operands[1]);

    ScriptedNameAsker asker;
    asker.SetNextName(newName);
    ScopedNameAsker useAsker(asker);
    const OSErr err = CopyInto(kAdjustDuplicateItem, inRegistered, copy);
    return Finish(err, "Copied \"" + args_.operands[0] + "\" as \"" + args_.operands[1] + "\" in " +
                           ListTitle(inRegistered) + ".");
}

int CommandRun::Rename() {
    const bool inRegistered = !args_.ppd;
    std::string newName;
    if (const OSErr err = NewSettingName(args_.operands[1], newName); err != noErr)
        return Fail(err, args_.operands[1]);
    const int16_t row = SelectNamed(inRegistered, args_.operands[0]);
    if (row == kNoListRow)
        return kCliExitFailed;
    // The edit path of the New/Edit Halftone dialog, with only the name changed.
    const CMYKTone original = Setting(inRegistered, row);
    State().isNew = 0;
    State().originalTone = original;
    State().workTone = original;
    if (const OSErr err = SetCMYKToneName(State().workTone, newName); err != noErr)
        return Fail(err, args_.operands[1]);
    const OSErr err = NewEditHalftoneDialogSaveList(glue_);
    return Finish(err, "Renamed \"" + args_.operands[0] + "\" to \"" + args_.operands[1] +
                           "\" in " + ListTitle(inRegistered) + ".");
}

int CommandRun::Copy(bool toPPD) {
    const bool fromRegistered = toPPD;
    if (!PPDChosen())
        return Fail(kCliNoPPDChosenCode);
    const int16_t row = SelectNamed(fromRegistered, args_.operands[0]);
    if (row == kNoListRow)
        return kCliExitFailed;
    const CMYKTone copy = Setting(fromRegistered, row);
    const OSErr err = CopyInto(toPPD ? kAdjustToPPDItem : kAdjustFromPPDItem, !toPPD, copy);
    std::string done = "Copied \"" + args_.operands[0] + "\" into " + ListTitle(!toPPD);
    if (toPPD)
        done += " of " + PPDFileName();
    return Finish(err, done + ".");
}

int CommandRun::Run() {
    SetAdminOption(args_.admin);
    SetSystemLevelOption(args_.osLevel);
    ScopedAlertHost useAlerts(alerts_);
    // Nothing is ever chosen or named unless a command says so.
    ScriptedFileChooser noFile;
    ScopedFileChooser useNoFile(noFile);
    ScriptedNameAsker noName;
    ScopedNameAsker useNoName(noName);

    // The lists outlive the state that shows them.
    MemoryListView registeredList;
    MemoryListView ppdList;
    GlueOwner owner;
    glue_ = owner.get();
    if (!glue_)
        return Fail(memFullErr);
    if (OpenApplicationResFile(glue_) != noErr)
        return Fail(kCliNoResourcesCode);
    if (const OSErr err = DoInit(glue_); err != noErr)
        return Fail(err == kBadSystemLevelErr ? OSErr{kCliBadSystemLevelCode} : err);
    if (const OSErr err =
            OpenAdjustHalftoneDialog(glue_, nullptr, registeredList, ppdList, nullptr);
        err != noErr)
        return Fail(err);
    glue_->startingUp = 0;

    switch (args_.command) {
    case CliCommand::list:
        return List();
    case CliCommand::table:
        return Table();
    case CliCommand::choose:
        return Choose();
    case CliCommand::add:
        return Add();
    case CliCommand::remove:
        return Delete();
    case CliCommand::duplicate:
        return Duplicate();
    case CliCommand::rename:
        return Rename();
    case CliCommand::toPPD:
        return Copy(true);
    case CliCommand::fromPPD:
        return Copy(false);
    case CliCommand::help:
    case CliCommand::version:
        break;
    }
    return kCliExitUsage;
}

} // namespace

int RunOrvanectl(int argc, const char* const* argv, FILE* out, FILE* err) {
    CliArguments args;
    if (const std::string problem = ParseCliArguments(argc, argv, args); !problem.empty()) {
        std::fprintf(err, "orvanectl: %s\n", problem.c_str());
        return kCliExitUsage;
    }
    if (args.command == CliCommand::help) {
        std::fputs(CliUsageText(), out);
        return kCliExitOK;
    }
    if (args.command == CliCommand::version) {
        std::fprintf(out, "orvanectl (Orvane) %s\n", ORVANE_VERSION);
        return kCliExitOK;
    }
    CommandRun run(args, out, err);
    return run.Run();
}

} // namespace orvane
