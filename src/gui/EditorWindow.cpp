#include "gui/EditorWindow.h"

#include "gui/WindowPlacement.h"
#include "store/Preferences.h"
#include "ui_NewEditHalftone.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace orvane {

EditorWindow::EditorWindow(GlueRec* glue, char separator)
    : DialogWindow(this, kNewEditHalftoneDialogID), glue_(glue),
      form_(std::make_unique<Ui::NewEditHalftoneForm>()), core_(glue, separator, this) {
    form_->setupUi(this);
    CollectItems(this);
    installEventFilter(this);
    for (const auto& [number, widget] : Items()) {
        const int16_t item = number;
        if (auto* field = qobject_cast<QLineEdit*>(widget)) {
            connect(field, &QLineEdit::textEdited, this, [this, item](const QString& text) {
                core_.ItemTextChanged(item, text.toStdString());
            });
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            connect(button, &QAbstractButton::clicked, this, [this, item] { Hit(item); });
        }
    }
}

EditorWindow::~EditorWindow() = default;

OSErr EditorWindow::Open(const CMYKTone& tone, bool isNew) {
    PlaceAtSavedPosition(glue_, this, kNewEditHalftoneDialogID);
    show();
    CurveGraphWidget* graph = Graph();
    AdjustToNewEditRec params{static_cast<uint8_t>(isNew ? 1 : 0)};
    const OSErr err = core_.ShowNewEditHalftoneDialog(tone, params, this, graph->GraphBox());
    graph->SetEditor(&core_);
    ShowControlStates();
    return err;
}

void EditorWindow::Hit(int16_t item) {
    if (item == kNewEditHelpItem && onHelp)
        onHelp(); // the help window is open before the button rule looks at it
    core_.ItemHit(item);
    // A refused ink change leaves the buttons as the core has them, not as clicked.
    if (!closed_)
        ShowControlStates();
}

void EditorWindow::ShowControlStates() {
    for (int16_t item = kNewEditAllInksItem; item <= kNewEditBlackItem; ++item) {
        if (auto* button = ItemAs<QAbstractButton>(item))
            button->setChecked(core_.ItemOn(item));
    }
}

void EditorWindow::SetItemText(int16_t item, std::string_view utf8) {
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    // The field being typed in keeps its cursor.
    if (ItemText(item) != text)
        DialogWindow::SetItemText(item, text);
}

void EditorWindow::SetEnabledItems(const NewEditItemSet& enabled) {
    for (const auto& [item, widget] : Items()) {
        if (IsNewEditRuledItem(item))
            widget->setEnabled(enabled.Contains(item));
    }
}

void EditorWindow::SetItemOn(int16_t item, bool on) {
    if (auto* button = ItemAs<QAbstractButton>(item))
        button->setChecked(on);
}

void EditorWindow::SelectWholeText(int16_t item) {
    if (auto* field = ItemAs<QLineEdit>(item)) {
        field->setFocus();
        field->selectAll();
    }
}

void EditorWindow::GraphChanged() {
    if (CurveGraphWidget* graph = Graph())
        graph->Refresh();
}

void EditorWindow::Closed() {
    // Called from inside the core: the window goes once the core's call has returned.
    if (closed_)
        return;
    closed_ = true;
    if (CurveGraphWidget* graph = Graph())
        graph->SetEditor(nullptr);
    if (onClosed)
        onClosed();
    hide();
    deleteLater();
}

bool EditorWindow::eventFilter(QObject* watched, QEvent* event) {
    // A field would take Undo and Redo for its own text; the editor's history has them.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* keys = static_cast<QKeyEvent*>(event);
        const bool undo = keys->matches(QKeySequence::Undo);
        if (undo || keys->matches(QKeySequence::Redo)) {
            if (event->type() == QEvent::ShortcutOverride)
                event->accept(); // the key comes here as a key press, not to a shortcut
            else if (undo)
                core_.Undo();
            else
                core_.Redo();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        uint8_t character = 0;
        if (key == Qt::Key_Return)
            character = 13;
        else if (key == Qt::Key_Enter)
            character = 3;
        else if (key == Qt::Key_Escape)
            character = 27;
        if (character != 0) {
            FlashItem(character == 27 ? kNewEditCancelItem : kNewEditOKItem);
            core_.KeyDown(character);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    // The close box cancels.
    if (!closed_) {
        event->ignore();
        core_.CancelNewEditHalftoneDialog();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace orvane
