#include "gui/QtAlertHost.h"

#include "gui/GuiResources.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace orvane {

namespace {

QString Substitute(QString text, const AlertRequest& request) {
    for (int i = 0; i < 4; ++i)
        text.replace(QStringLiteral("^%1").arg(i),
                     QString::fromStdString(request.params[static_cast<size_t>(i)]));
    return text;
}

QMessageBox::Icon IconOf(const QString& name, bool caution) {
    if (name == QLatin1String("note"))
        return QMessageBox::Information;
    if (name == QLatin1String("stop"))
        return QMessageBox::Critical;
    if (name == QLatin1String("none"))
        return QMessageBox::NoIcon;
    return caution || name == QLatin1String("caution") ? QMessageBox::Warning
                                                       : QMessageBox::Information;
}

} // namespace

std::unique_ptr<QMessageBox> BuildAlertBox(const GlueRec* glue, const AlertRequest& request,
                                           QWidget* parent) {
    AlertTemplate layout;
    if (!LoadAlertTemplate(glue, request.alertID, layout)) {
        layout.text = QStringLiteral("^0");
        layout.buttons << QStringLiteral("OK");
    }
    auto box = std::make_unique<QMessageBox>(parent);
    box->setIcon(IconOf(layout.icon, request.caution));
    box->setWindowTitle(
        Substitute(layout.title.isEmpty() ? QStringLiteral("Orvane") : layout.title, request));
    box->setText(Substitute(layout.text, request));
    box->setInformativeText(Substitute(layout.info, request));
    box->setTextFormat(Qt::PlainText);
    if (layout.width > 0)
        box->setStyleSheet(
            QStringLiteral("QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel"
                           " { min-width: %1em; }")
                .arg(layout.width));
    QPushButton* first = nullptr;
    QPushButton* last = nullptr;
    for (qsizetype i = 0; i < layout.buttons.size(); ++i) {
        // Item 1 confirms; the others answer in the negative, whatever their order on screen.
        QPushButton* button = box->addButton(layout.buttons[i], i == 0 ? QMessageBox::AcceptRole
                                                                       : QMessageBox::RejectRole);
        button->setProperty("item", static_cast<int>(i + 1));
        button->setAccessibleName(QString(layout.buttons[i]).remove(QLatin1Char('&')));
        if (!first)
            first = button;
        last = button;
    }
    box->setDefaultButton(first);
    box->setEscapeButton(last);
    return box;
}

int16_t QtAlertHost::Show(const AlertRequest& request) {
    std::unique_ptr<QMessageBox> box = BuildAlertBox(glue_, request, QApplication::activeWindow());
    box->exec();
    auto* clicked = box->clickedButton();
    // Closed without a button (the window manager's close): the escape answer.
    if (!clicked)
        clicked = box->escapeButton();
    return static_cast<int16_t>(clicked ? clicked->property("item").toInt() : 1);
}

} // namespace orvane
