// The window program's spine: start-up (the core's DoInit, then the menu bar from the
// resources and the Adjust Halftone window where it was last left), the dispatch of item
// hits and menu commands, the help and editor windows, and the shutdown that asks about
// unsaved settings and records the window positions. Qt's event loop is the loop; this
// object is what the loop's events end in.
#pragma once

#include "core/State.h"
#include "gui/AdjustHalftoneWindow.h"
#include "gui/BusyState.h"
#include "gui/EditorWindow.h"
#include "gui/HelpWindow.h"
#include "gui/QtAlertHost.h"
#include "gui/QtChoosers.h"
#include "gui/WindowPlacement.h"

#include <QObject>
#include <QPointer>

#include <map>

class QAction;
class QMenu;

namespace orvane {

class OrvaneGui final : public QObject {
public:
    enum class Start { running, failed, noMenu };

    // Makes the application state and lends it the window program's services (alerts,
    // choosers and window positions in windows). Tests may replace them before Begin.
    OrvaneGui();
    ~OrvaneGui() override;
    OrvaneGui(const OrvaneGui&) = delete;
    OrvaneGui& operator=(const OrvaneGui&) = delete;

    // Start-up: the application's resources and DoInit (a failure is shown and ends it:
    // failed), the menu bar (none in the resources: noMenu, nothing shown), then the Adjust
    // Halftone window, shown (a failure to open it is shown: failed).
    Start Begin();

    // Quitting, by the Quit command, the close box or the end of the desktop session:
    // gquit is set, the unsaved settings are offered for saving (1009, then 1012), every
    // window's position is recorded and the windows close; then the event loop ends.
    void Quit();
    bool Quitting() const { return gquit != 0; }

    // A menu command as the menu bar and its shortcuts send it; the core's result, after
    // the window program's own handling of the commands the core leaves to it.
    OSErr Command(int16_t command);
    QAction* CommandAction(int16_t command) const;
    QMenu* Menu(int16_t menuID) const;
    // Enables the commands by the rule; the Edit commands only while the editor is open.
    void AdjustMenus(bool textEditing);

    // An item hit in the Adjust Halftone window.
    void AdjustItemHit(int16_t item);

    GlueRec* Glue() const { return glue_; }
    AdjustHalftoneWindow* MainWindow() const { return window_; }
    EditorWindow* Editor() const { return editor_; }
    HelpWindow* Help(bool ofAdjust) const { return ofAdjust ? adjustHelp_ : editorHelp_; }
    BusyState& Busy() { return busy_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool BuildMenus();
    void OpenHelp(bool ofAdjust);
    void OpenEditor(bool isNew);
    void DisposeWindows();

    GlueRec* glue_;
    QtAlertHost alerts_;
    QtFileChooser files_;
    QtNameAsker names_;
    QtWindowPositions positions_;
    BusyState busy_;
    QPointer<AdjustHalftoneWindow> window_;
    QPointer<EditorWindow> editor_;
    QPointer<HelpWindow> adjustHelp_;
    QPointer<HelpWindow> editorHelp_;
    std::map<int16_t, QAction*> actions_;
    std::map<int16_t, QMenu*> menus_;
};

// The decimal separator the user's locale writes numbers with ("." when it is not ASCII).
char LocaleDecimalSeparator();

} // namespace orvane
