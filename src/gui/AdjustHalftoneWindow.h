// The Adjust Halftone window (dialog 1007): the registered settings and the chosen PPD's
// settings side by side, the PPD's file name and the buttons. It shows what the core tells
// it (AdjustHalftoneView, the two lists) and reports every item hit by number; what an
// item does is decided elsewhere (OrvaneGui and the core's item procedure).
#pragma once

#include "app/AdjustHalftone.h"
#include "gui/DialogWindow.h"
#include "gui/QtListView.h"

#include <QMainWindow>

#include <functional>
#include <memory>

namespace Ui {
class AdjustHalftoneForm;
}

namespace orvane {

class AdjustHalftoneWindow final : public QMainWindow,
                                   public DialogWindow,
                                   public AdjustHalftoneView {
public:
    AdjustHalftoneWindow();
    ~AdjustHalftoneWindow() override;

    QtListView& RegisteredList() { return *registered_; }
    QtListView& PPDList() { return *ppd_; }

    // Called with the item number of every hit: buttons, a changed selection in a list (7,
    // 11), a double click that edits (14), Return or Enter on an enabled Save (1).
    std::function<void(int16_t)> onItem;
    // The close box: the program quits.
    std::function<void()> onClose;

    // AdjustHalftoneView.
    void SetPPDNameText(std::string_view text) override;
    void SetEnabledItems(const AdjustItemSet& enabled) override;

    // The line beside the buttons that says what the program waits for (empty: nothing).
    void SetBusyText(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Hit(int16_t item);
    void SelectionChanged(QtListView& list, QtListView& other, int16_t item);
    void DoubleClicked(QtListView& list);

    std::unique_ptr<::Ui::AdjustHalftoneForm> form_;
    std::unique_ptr<QtListView> registered_;
    std::unique_ptr<QtListView> ppd_;
    bool clearing_ = false;
};

} // namespace orvane
