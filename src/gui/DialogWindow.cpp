#include "gui/DialogWindow.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVariant>

namespace orvane {

namespace {

constexpr const char* kItemProperty = "item";
constexpr const char* kDialogProperty = "orvaneDialogWindow";
// Ten ticks of the classic clock: long enough to see, short enough not to wait for.
constexpr int kFlashMs = 167;

} // namespace

DialogWindow::DialogWindow(QWidget* window, int16_t dialogID)
    : window_(window), dialogID_(dialogID) {
    window->setProperty(kDialogProperty, QVariant::fromValue(static_cast<void*>(this)));
}

void DialogWindow::CollectItems(QObject* keyFilter) {
    items_.clear();
    for (QWidget* child : window_->findChildren<QWidget*>()) {
        const QVariant number = child->property(kItemProperty);
        if (!number.isValid())
            continue;
        items_[static_cast<int16_t>(number.toInt())] = child;
        if (keyFilter)
            child->installEventFilter(keyFilter);
    }
}

DialogWindow::~DialogWindow() {
    if (window_)
        window_->setProperty(kDialogProperty, QVariant());
}

QWidget* DialogWindow::Item(int16_t item) const {
    const auto found = items_.find(item);
    return found == items_.end() ? nullptr : found->second;
}

int16_t DialogWindow::ItemOf(const QObject* widget) const {
    for (const auto& [number, child] : items_) {
        if (child == widget)
            return number;
    }
    return 0;
}

void DialogWindow::SetItemText(int16_t item, const QString& text) {
    QWidget* widget = Item(item);
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* field = qobject_cast<QLineEdit*>(widget))
        field->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
}

QString DialogWindow::ItemText(int16_t item) const {
    QWidget* widget = Item(item);
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* field = qobject_cast<QLineEdit*>(widget))
        return field->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    return QString();
}

void DialogWindow::SetItemEnabled(int16_t item, bool enabled) {
    if (QWidget* widget = Item(item))
        widget->setEnabled(enabled);
}

bool DialogWindow::ItemEnabled(int16_t item) const {
    const QWidget* widget = Item(item);
    return widget && widget->isEnabled();
}

bool DialogWindow::FlashItem(int16_t item) {
    auto* button = ItemAs<QAbstractButton>(item);
    if (!button || !button->isEnabled())
        return false;
    button->setDown(true);
    button->repaint();
    QTimer::singleShot(kFlashMs, button, [button] { button->setDown(false); });
    return true;
}

DialogWindow* DialogOf(const QWidget* window) {
    if (!window)
        return nullptr;
    return static_cast<DialogWindow*>(window->window()->property(kDialogProperty).value<void*>());
}

} // namespace orvane
