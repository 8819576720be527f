#include "cli/Orvanectl.h"

#include "app/AdjustHalftone.h"
#include "app/Folders.h"
#include "app/NewEditHalftone.h"
#include "app/SettingsLists.h"
#include "app/Startup.h"
#include "cli/CliMessages.h"
#include "cli/CliQuestions.h"
#include "cli/CommandLine.h"
#include "cli/CurveArgument.h"
#include "cli/SettingsListing.h"
#include "core/Alerts.h"
#include "core/UiText.h"
#include "host/files/HostPaths.h"
#include "host/rights/AdminRights.h"
#include "host/ui/Choosers.h"
#include "host/ui/ListView.h"
#include "ppd/PPDWriter.h"
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

std::string CurrentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

// PPD_PATH as the file chooser would hand it back: absolute. A bare file name names a PPD
// of the printer-description folder, and only that: a file of the same name in the current
// folder is taken only when given as a path ("./name.ppd"), so that where a command looks
// never depends on where it is run.
std::string ResolvePPDPath(const std::string& given) {
    if (!given.empty() && given[0] == '/')
        return given;
    if (given.find('/') == std::string::npos)
        return PrinterDescriptionFolderPath() + "/" + given;
    return CurrentFolder() + "/" + given;
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
    // What a failed or refused save came to, each part on its own line.
    int FailOutcome(const SaveOutcome& outcome);
    // A name refused: the message names the character that cannot be stored, or the name.
    int FailName(OSErr code, const std::string& utf8Name, const std::string& offending);
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
    // A name or path from a foreign record or the command line never sends a control byte
    // to the terminal.
    std::string message = CliMessageText(glue_, code, WithControlsEscaped(param));
    if (!context.empty())
        message = std::string(context) + ": " + message;
    std::fprintf(err_, "orvanectl: %s\n", message.c_str());
    return kCliExitFailed;
}

int16_t CommandRun::SelectNamed(bool inRegistered, const std::string& utf8Name) {
    if (!inRegistered && !PPDChosen()) {
        Fail(kCliNoPPDChosenCode);
        return kNoListRow;
    }
    if (!SelectAdjustHalftoneSetting(glue_, inRegistered, utf8Name)) {
        Fail(inRegistered ? kCliUnknownRegisteredCode : kCliUnknownPPDSettingCode, utf8Name);
        return kNoListRow;
    }
    return FindAdjustHalftoneSetting(glue_, inRegistered, utf8Name);
}

int CommandRun::FailOutcome(const SaveOutcome& outcome) {
    if (outcome.status != noErr)
        Fail(outcome.status, outcome.messageParam);
    if (outcome.rightsRefused) {
        Fail(kRightsRefusedCode);
        if (!outcome.refusalMessage.empty())
            std::fprintf(err_, "orvanectl: %s\n", outcome.refusalMessage.c_str());
    }
    return kCliExitFailed;
}

int CommandRun::FailName(OSErr code, const std::string& utf8Name, const std::string& offending) {
    return Fail(code, code == kNameNotStorableCode ? offending : utf8Name);
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
        const SaveOutcome saved = AdjustHalftoneDialogSave(glue_);
        if (!saved.ok()) {
            FailOutcome(saved);
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
        chosen.inText = State().ppdBlockMissing == 0;
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
    glue_->services.files = &chooser;
    const int errorsBefore = alerts_.errorsShown();
    const SaveOutcome chosen = AdjustHalftoneDialogChoosePPD(glue_);
    glue_->services.files = nullptr;
    if (chosen.status != noErr && chosen.messageParam.empty())
        return Fail(chosen.status, ResolvePPDPath(args_.operands[0])); // where it looked
    if (!chosen.ok())
        return FailOutcome(chosen);
    // A file that is not a supported PPD has been reported (1006) and leaves none chosen;
    // the preferences file keeps the previous choice.
    if (!PPDChosen() || alerts_.errorsShown() != errorsBefore)
        return kCliExitFailed;
    Say("Chose " + ResolvePPDPath(args_.operands[0]) + " as the target PPD (" +
        std::to_string(Count(false)) + " of " + std::to_string(kMaxPPDTones) + " settings in it).");
    return kCliExitOK;
}

int CommandRun::Add() {
    std::string offending, ignored;
    if (const OSErr err = StoredToneName(args_.operands[0], ignored, &offending); err != noErr)
        return FailName(err, args_.operands[0], offending);
    // The New button's way: the editor on a default setting, the name typed, each curve put
    // into the fields of its ink. Each curve is judged as the editor judges the shown one
    // before another ink can be chosen, so that the message can say which option holds the
    // bad value.
    NewEditHalftoneDialog editor(glue_, '.');
    CMYKTone fresh;
    SetNewCMYKTone(fresh);
    if (const OSErr err = editor.ShowNewEditHalftoneDialog(fresh, {1}, nullptr, Rect{});
        err != noErr)
        return Fail(err);
    editor.ItemTextChanged(kNewEditNameItem, args_.operands[0]);
    const auto putCurve = [&](const std::string& spec) -> OSErr {
        CToneInfo curve;
        if (const OSErr err = ParseCurveSpec(spec, curve); err != noErr)
            return err;
        editor.SetNewEditHalftoneDialogNumber(curve);
        int16_t item = 0;
        if (editor.CheckNewEditHalftoneSettingIsValid(&item))
            return noErr;
        const bool endPoint = item == kNewEditFirstLevelItem || item == kNewEditLastLevelItem;
        return endPoint ? kEndPointsCode : kPointOutOfRangeCode;
    };
    if (args_.allCurve) {
        if (const OSErr err = putCurve(*args_.allCurve); err != noErr)
            return Fail(err, {}, "--all");
    } else {
        editor.ItemHit(kNewEditAllInksItem); // each ink its own curve, the others straight
        for (int ink = 0; ink < kInkCount; ++ink) {
            const auto& spec = args_.inkCurves[static_cast<size_t>(ink)];
            if (!spec)
                continue;
            editor.ItemHit(static_cast<int16_t>(kNewEditCyanItem + ink));
            if (const OSErr err = putCurve(*spec); err != noErr)
                return Fail(err, {}, kCurveOptionNames[ink]);
        }
    }

    const int16_t before = Count(true);
    const OSErr err = editor.ConfirmNewEditHalftoneDialog();
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
    const std::string& newName = args_.operands[1];
    std::string offending, ignored;
    if (const OSErr err = StoredToneName(newName, ignored, &offending); err != noErr)
        return FailName(err, newName, offending);
    const int16_t row = SelectNamed(inRegistered, args_.operands[0]);
    if (row == kNoListRow)
        return kCliExitFailed;
    CMYKTone copy = Setting(inRegistered, row);
    if (const OSErr err = SetCMYKToneNameUtf8(copy, newName); err != noErr)
        return Fail(err, newName);

    ScriptedNameAsker asker;
    asker.SetNextName(newName);
    glue_->services.names = &asker;
    const OSErr err = CopyInto(kAdjustDuplicateItem, inRegistered, copy);
    glue_->services.names = nullptr;
    return Finish(err, "Copied \"" + args_.operands[0] + "\" as \"" + args_.operands[1] + "\" in " +
                           ListTitle(inRegistered) + ".");
}

int CommandRun::Rename() {
    const bool inRegistered = !args_.ppd;
    const std::string& newName = args_.operands[1];
    std::string offending, ignored;
    if (const OSErr err = StoredToneName(newName, ignored, &offending); err != noErr)
        return FailName(err, newName, offending);
    const int16_t row = SelectNamed(inRegistered, args_.operands[0]);
    if (row == kNoListRow)
        return kCliExitFailed;
    // The Edit button's way, with only the name typed. Confirmed even when the name is the
    // same, which stores the setting unchanged.
    NewEditHalftoneDialog editor(glue_, '.');
    if (const OSErr err =
            editor.ShowNewEditHalftoneDialog(Setting(inRegistered, row), {0}, nullptr, Rect{});
        err != noErr)
        return Fail(err);
    editor.ItemTextChanged(kNewEditNameItem, args_.operands[1]);
    const OSErr err = editor.ConfirmNewEditHalftoneDialog();
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

    // The lists outlive the state that shows them.
    MemoryListView registeredList;
    MemoryListView ppdList;
    GlueOwner owner;
    glue_ = owner.get();
    if (!glue_)
        return Fail(memFullErr);
    // Nothing is ever chosen or named unless a command says so: the services left null
    // cancel every question.
    glue_->services.alerts = &alerts_;
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
