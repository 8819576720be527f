// The New/Edit Halftone window (dialog 1008): the name, the one-curve box, the ink
// buttons, the thirteen level fields, the gamma field and its button, over the editor's
// core (NewEditHalftoneDialog), which decides everything, and the graph (item 6), which
// paints the core's picture and hands it the mouse. Undo and Redo (the standard keys) go
// to the core's history while the editor is in front, never to a field's own.
#pragma once

#include "app/NewEditHalftone.h"
#include "gui/CurveGraphWidget.h"
#include "gui/DialogWindow.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class NewEditHalftoneForm;
}

namespace orvane {

class EditorWindow final : public QWidget, public DialogWindow, public NewEditHalftoneView {
public:
    // `separator`: the decimal separator of the level and gamma texts (the user's locale).
    EditorWindow(GlueRec* glue, char separator);
    ~EditorWindow() override;

    // Places and shows the window, then opens the editor on `tone`; the core's status.
    OSErr Open(const CMYKTone& tone, bool isNew);
    NewEditHalftoneDialog& Core() { return core_; }
    CurveGraphWidget* Graph() const { return ItemAs<CurveGraphWidget>(kNewEditGraphItem); }

    // The Help button (item 4): the owner opens the help window.
    std::function<void()> onHelp;
    // The editor has closed; the window goes away after this.
    std::function<void()> onClosed;

    // NewEditHalftoneView.
    void SetItemText(int16_t item, std::string_view utf8) override;
    void SetEnabledItems(const NewEditItemSet& enabled) override;
    void SetItemOn(int16_t item, bool on) override;
    void SelectWholeText(int16_t item) override;
    void GraphChanged() override;
    void Closed() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Hit(int16_t item);
    void ShowControlStates();

    GlueRec* glue_;
    std::unique_ptr<::Ui::NewEditHalftoneForm> form_;
    NewEditHalftoneDialog core_;
    bool closed_ = false;
};

} // namespace orvane
