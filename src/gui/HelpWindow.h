// A help window (dialog 132): the topics of one 'Help' list on the left, the chosen topic's
// text on the right. Modeless; one per dialog. Return, Enter and Escape close it, as its
// Close button (item 1) does.
#pragma once

#include "core/State.h"
#include "gui/DialogWindow.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace Ui {
class HelpWindowForm;
}

namespace orvane {

struct HelpTopic;

class HelpWindow final : public QWidget, public DialogWindow {
public:
    static constexpr int16_t kDialogID = 132;

    HelpWindow(const GlueRec* glue, int16_t helpID);
    ~HelpWindow() override;

    int16_t HelpID() const { return helpID_; }
    int CurrentTopic() const { return current_; }
    // Shows topic `row` from the top of its text.
    void ShowTopic(int row);

    // Called once when the window closes, before it goes away.
    std::function<void()> onClosed;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<::Ui::HelpWindowForm> form_;
    int16_t helpID_;
    std::vector<int16_t> textIDs_;
    int current_ = -1;
};

} // namespace orvane
