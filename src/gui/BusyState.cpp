#include "gui/BusyState.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>

namespace orvane {

BusyState::BusyState(std::function<void(const QString&)> showText)
    : showText_(std::move(showText)), previous_(CurrentToolWaitObserver()) {
    SetToolWaitObserver(this);
}

BusyState::~BusyState() {
    if (busy_)
        ToolEnded();
    SetToolWaitObserver(previous_);
}

void BusyState::ToolWaiting(bool first) {
    if (first && !busy_) {
        busy_ = true;
        qApp->installEventFilter(this);
        QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
        if (showText_)
            showText_(QStringLiteral("Waiting for administrator rights…"));
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void BusyState::ToolEnded() {
    if (!busy_)
        return;
    busy_ = false;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    if (showText_)
        showText_(QString());
}

bool BusyState::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Close:
        // Held off while the program waits: nothing of its state may change meanwhile.
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace orvane
