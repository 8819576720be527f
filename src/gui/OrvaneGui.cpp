#include "gui/OrvaneGui.h"

#include "app/AdjustHalftone.h"
#include "app/Commands.h"
#include "app/Startup.h"
#include "core/Alerts.h"
#include "gui/AdjustHalftoneWindow.h"
#include "gui/EditorWindow.h"
#include "gui/GuiResources.h"
#include "gui/HelpWindow.h"
#include "host/bundle/BundleLocation.h"
#include "store/Preferences.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSessionManager>

namespace orvane {

namespace {

constexpr int16_t kAdjustHelpID = 1007;
constexpr int16_t kEditorHelpID = 1008;

// The Edit commands work on the focused text field of the front window.
class FocusedField final : public TextEditTarget {
public:
    FocusedField() : field_(qobject_cast<QLineEdit*>(QApplication::focusWidget())) {}
    bool Exists() const { return field_ != nullptr; }
    void Cut() override { field_->cut(); }
    void Copy() override { field_->copy(); }
    void Paste() override { field_->paste(); }
    void Clear() override { field_->del(); }

private:
    QLineEdit* field_;
};

} // namespace

char LocaleDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode())
                                                          : '.';
}

OrvaneGui::OrvaneGui()
    : glue_(NewGlueRec()), alerts_(glue_), names_(glue_), busy_([this](const QString& text) {
          if (window_)
              window_->SetBusyText(text);
      }) {
    gquit = 0;
    gInBackground = 0;
    if (glue_)
        glue_->services = {&alerts_, &files_, &names_, &positions_, nullptr};
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [](Qt::ApplicationState state) {
        gInBackground = state == Qt::ApplicationActive ? 0 : 1;
    });
    // Logging out of the desktop quits as the Quit command does.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { Quit(); });
}

OrvaneGui::~OrvaneGui() {
    qApp->removeEventFilter(this);
    if (!glue_)
        return;
    DisposeWindows();
    DisposeAllDialogs(glue_);
    delete editor_;
    delete adjustHelp_;
    delete editorHelp_;
    delete window_;
    CloseApplicationResFile(glue_);
    DisposeGlueRec(glue_);
}

OrvaneGui::Start OrvaneGui::Begin() {
    if (!glue_) {
        ShowAlert(nullptr, memFullErr);
        return Start::failed;
    }
    OSErr err = OpenApplicationResFile(glue_);
    if (err != noErr) {
        // Without its resource file the program has no message of its own to show.
        QMessageBox::critical(nullptr, QStringLiteral("Orvane"),
                              QStringLiteral("Orvane cannot start: its resource file %1 cannot "
                                             "be read (status %2). Reinstall Orvane.")
                                  .arg(QString::fromStdString(ApplicationResourceFilePath()))
                                  .arg(err));
        return Start::failed;
    }
    err = DoInit(glue_);
    if (err != noErr) {
        ShowAlert(glue_, err);
        return Start::failed;
    }

    window_ = new AdjustHalftoneWindow();
    if (!BuildMenus()) {
        delete window_;
        return Start::noMenu;
    }
    AdjustMenus(false);
    window_->onItem = [this](int16_t item) { AdjustItemHit(item); };
    window_->onClose = [this] { Quit(); };
    window_->ensurePolished();
    window_->adjustSize();
    PlaceAtSavedPosition(glue_, window_, kAdjustHalftoneDialogID);
    err = OpenAdjustHalftoneDialog(glue_, window_, window_->RegisteredList(), window_->PPDList(),
                                   window_);
    if (err != noErr) {
        // Without its window the program has nothing left to show: it ends after the alert.
        DisposeAdjustHalftoneDialog(glue_);
        ShowAlert(glue_, err);
        DisposeAllDialogs(glue_);
        delete window_;
        return Start::failed;
    }
    window_->show();
    window_->activateWindow();
    return Start::running;
}

bool OrvaneGui::BuildMenus() {
    std::vector<MenuTemplate> menus;
    if (!LoadMainMenu(glue_, menus))
        return false;
    for (const MenuTemplate& layout : menus) {
        QMenu* menu = window_->menuBar()->addMenu(layout.title);
        menus_[layout.id] = menu;
        for (const MenuItemTemplate& item : layout.items) {
            if (item.command == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(item.text);
            action->setShortcut(item.shortcut);
            // The shortcuts work from every window of the program, the editor's included.
            action->setShortcutContext(Qt::ApplicationShortcut);
            if (item.command == kAboutCommand)
                action->setMenuRole(QAction::AboutRole);
            else if (item.command == kQuitCommand)
                action->setMenuRole(QAction::QuitRole);
            const int16_t command = item.command;
            connect(action, &QAction::triggered, this, [this, command] { Command(command); });
            actions_[command] = action;
        }
    }
    return true;
}

QAction* OrvaneGui::CommandAction(int16_t command) const {
    const auto found = actions_.find(command);
    return found == actions_.end() ? nullptr : found->second;
}

QMenu* OrvaneGui::Menu(int16_t menuID) const {
    const auto found = menus_.find(menuID);
    return found == menus_.end() ? nullptr : found->second;
}

void OrvaneGui::AdjustMenus(bool textEditing) {
    for (const auto& [command, action] : actions_)
        action->setEnabled(CommandEnabled(command, textEditing));
    for (const auto& [id, menu] : menus_) {
        bool any = false;
        for (QAction* action : menu->actions())
            any = any || (!action->isSeparator() && action->isEnabled());
        menu->menuAction()->setEnabled(any);
    }
}

OSErr OrvaneGui::Command(int16_t command) {
    FocusedField field;
    const OSErr result = DoCommand(glue_, command, field.Exists() ? &field : nullptr);
    if (result != eventNotHandledErr)
        return result;
    // What the core leaves to the window program.
    if (command == kQuitCommand) {
        Quit();
    } else if (command == kHelpCommand) {
        const bool editorInFront = editor_ && QApplication::activeWindow() == editor_;
        if (editorInFront && editor_->ItemEnabled(kNewEditHelpItem))
            OpenHelp(false);
        else if (HelpWindow* open = Help(!editorInFront))
            open->raise();
        else if (window_ && window_->ItemEnabled(kAdjustHelpItem))
            AdjustItemHit(kAdjustHelpItem);
    }
    return result;
}

void OrvaneGui::AdjustItemHit(int16_t item) {
    if (!glue_ || !glue_->dialogState || !window_)
        return;
    // A command the button rule disabled does nothing, however it was reached.
    if (item != kAdjustChoosePPDItem && item != kAdjustRegisteredListItem &&
        item != kAdjustPPDListItem && !AdjustHalftoneEnabledItems(glue_).Contains(item))
        return;
    switch (item) {
    case kAdjustHelpItem:
        OpenHelp(true);
        break;
    case kAdjustNewItem:
        OpenEditor(true);
        break;
    case kAdjustEditItem:
        OpenEditor(false);
        break;
    default:
        AdjustHalftoneDialogItemProc(glue_, item);
        return;
    }
    HiliteAdjustHalftoneDialogButtons(glue_);
}

void OrvaneGui::OpenHelp(bool ofAdjust) {
    QPointer<HelpWindow>& slot = ofAdjust ? adjustHelp_ : editorHelp_;
    if (slot) {
        slot->raise();
        slot->activateWindow();
        return;
    }
    auto* help = new HelpWindow(glue_, ofAdjust ? kAdjustHelpID : kEditorHelpID);
    if (help->CurrentTopic() < 0) {
        delete help;
        ShowAlert(glue_, resNotFound);
        return;
    }
    PlaceAtSavedPosition(glue_, help, HelpWindow::kDialogID);
    SettingPrivateRec* state = glue_->dialogState;
    (ofAdjust ? state->adjustHelpDialog : state->newEditHelpDialog) = help;
    help->onClosed = [this, help, ofAdjust] {
        SaveTheDialogPosition(glue_, help, HelpWindow::kDialogID);
        if (SettingPrivateRec* open = glue_->dialogState) {
            (ofAdjust ? open->adjustHelpDialog : open->newEditHelpDialog) = nullptr;
            HiliteAdjustHalftoneDialogButtons(glue_);
            if (open->newEditor)
                open->newEditor->HiliteNewEditHalftoneDialogButtons();
        }
    };
    slot = help;
    help->show();
    help->activateWindow();
}

void OrvaneGui::OpenEditor(bool isNew) {
    SettingPrivateRec* state = glue_->dialogState;
    CMYKTone tone;
    if (isNew) {
        SetNewCMYKTone(tone);
    } else {
        const int16_t registered = state->registeredList->SelectedRow();
        const int16_t ppd = state->ppdList->SelectedRow();
        if (registered != kNoListRow)
            tone = state->prefsWorking->tones[registered];
        else if (ppd != kNoListRow)
            tone = state->ppdWorking->tones[ppd];
        else
            return;
    }
    editor_ = new EditorWindow(glue_, LocaleDecimalSeparator());
    editor_->onHelp = [this] { OpenHelp(false); };
    editor_->onClosed = [this] {
        if (editorHelp_)
            editorHelp_->close();
        AdjustMenus(false);
    };
    const OSErr err = editor_->Open(tone, isNew);
    if (err != noErr) {
        editor_->Core().DisposeNewEditHalftoneDialog();
        ShowAlert(glue_, err);
        return;
    }
    AdjustMenus(true);
    editor_->activateWindow();
}

void OrvaneGui::Quit() {
    if (gquit != 0)
        return;
    gquit = 1;
    if (glue_ && glue_->dialogState) {
        TerminateAdjustHalftoneDialog(glue_);
        DisposeWindows();
        DisposeAllDialogs(glue_);
    }
    if (window_)
        window_->hide();
    QCoreApplication::quit();
}

void OrvaneGui::DisposeWindows() {
    for (QPointer<HelpWindow>* help : {&adjustHelp_, &editorHelp_}) {
        if (*help)
            (*help)->close();
    }
    if (editor_)
        editor_->Core().DisposeNewEditHalftoneDialog();
}

bool OrvaneGui::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress || !watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    // A click into one of the program's windows that is not in front only brings it to the
    // front; the click itself goes nowhere.
    QWidget* top = static_cast<QWidget*>(watched)->window();
    QWidget* active = QApplication::activeWindow();
    if (active && top != active && DialogOf(top) && DialogOf(active) &&
        !QApplication::activeModalWidget() && !QApplication::activePopupWidget()) {
        QApplication::beep();
        top->raise();
        top->activateWindow();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace orvane
