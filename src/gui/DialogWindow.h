// The one place where dialog item numbers meet widgets. A window made from a Designer form
// marks each item the program works with by its number (the dynamic property "item"); a
// DialogWindow collects them once and from then on the rest of the program speaks item
// numbers only. It is also what the core's dialog references (DialogRef) point to.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <map>

class QAbstractButton;

namespace orvane {

class DialogWindow {
public:
    // `window` is the top-level widget the form is set up on; `dialogID` the template's
    // resource ID (its window position is recorded under it). CollectItems once the form
    // is set up.
    DialogWindow(QWidget* window, int16_t dialogID);
    virtual ~DialogWindow();
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    // Finds the numbered items of the form and watches the keys pressed in each with
    // `keyFilter` (may be null).
    void CollectItems(QObject* keyFilter);

    QWidget* Window() const { return window_; }
    int16_t DialogID() const { return dialogID_; }

    // The widget of item `item`, or null; ItemOf is the reverse (0 for none).
    QWidget* Item(int16_t item) const;
    template <typename T> T* ItemAs(int16_t item) const { return qobject_cast<T*>(Item(item)); }
    int16_t ItemOf(const QObject* widget) const;
    const std::map<int16_t, QWidget*>& Items() const { return items_; }

    // Text of labels, fields and buttons (UTF-8 at the seam, QString inside the GUI).
    void SetItemText(int16_t item, const QString& text);
    QString ItemText(int16_t item) const;
    void SetItemEnabled(int16_t item, bool enabled);
    bool ItemEnabled(int16_t item) const;

    // Shows a button pressed for a moment, as when its keyboard equivalent is used; true
    // when the item is an enabled button.
    bool FlashItem(int16_t item);

private:
    QPointer<QWidget> window_;
    int16_t dialogID_;
    std::map<int16_t, QWidget*> items_;
};

// The window's DialogWindow, for events that only know the widget.
DialogWindow* DialogOf(const QWidget* window);

} // namespace orvane
