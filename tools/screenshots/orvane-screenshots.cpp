// orvane-screenshots: pictures of the window program's windows for the documentation and
// the demonstration. It starts the program as orvane starts (same state, same windows, on
// whatever ORVANE_ROOT and preferences the caller prepared), then shows each window and
// alert in turn and saves it as a PNG. Run it under Xvfb; scripts/screenshots.sh does.
//
//   orvane-screenshots [--main-only] OUTDIR
//
// Names end in "@2x" when the screen scale is 2 (QT_SCALE_FACTOR=2).
#include "app/Commands.h"
#include "core/Alerts.h"
#include "core/Questions.h"
#include "gui/OrvaneGui.h"
#include "gui/QtAlertHost.h"
#include "gui/QtChoosers.h"
#include "host/alerts/AlertHost.h"
#include "host/ui/HostServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>

#include <cstdio>
#include <cstring>

namespace orvane {
namespace {

// Keeps the last request instead of showing it.
class CapturingAlertHost final : public AlertHost {
public:
    int16_t Show(const AlertRequest& request) override {
        last = request;
        return 1;
    }
    AlertRequest last;
};

class Shooter {
public:
    Shooter(QString folder, QString suffix) : folder_(std::move(folder)), suffix_(suffix) {}

    bool Shoot(QWidget* window, const QString& name) {
        window->show();
        window->activateWindow();
        // Let the window system map it and the widgets lay out and paint.
        QTest::qWait(300);
        const QString path = folder_ + QLatin1Char('/') + name + suffix_ + QStringLiteral(".png");
        const bool saved = window->grab().save(path);
        std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
        return saved;
    }

private:
    QString folder_;
    QString suffix_;
};

// The mouse on the graph, as the window system reports it.
void GraphMouse(CurveGraphWidget* graph, QEvent::Type type, QPoint at) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), graph->mapToGlobal(QPointF(at)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(graph, &event);
}

// The curve editor with one curve, with four, invalid, in the middle of a drag, and its
// help window.
bool ShootEditor(OrvaneGui& gui, Shooter& shooter) {
    GlueRec* glue = gui.Glue();
    const auto edit = [&](const char* name) -> EditorWindow* {
        SelectAdjustHalftoneSetting(glue, true, name);
        HiliteAdjustHalftoneDialogButtons(glue);
        gui.AdjustItemHit(kAdjustEditItem);
        return gui.Editor();
    };
    EditorWindow* editor = edit("Portrait");
    if (!editor)
        return false;
    bool ok = shooter.Shoot(editor, QStringLiteral("editor-one-curve"));
    editor->Core().CancelNewEditHalftoneDialog();
    QCoreApplication::processEvents();

    editor = edit("Vivid");
    if (!editor)
        return false;
    ok = shooter.Shoot(editor, QStringLiteral("editor-four-curves")) && ok;

    auto* field = editor->ItemAs<QLineEdit>(kNewEditLastLevelItem);
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    ok = shooter.Shoot(editor, QStringLiteral("editor-invalid")) && ok;
    editor->Core().Undo();

    CurveGraphWidget* graph = editor->Graph();
    const int h = graph->width() / 2;
    GraphMouse(graph, QEvent::MouseButtonPress, QPoint(h, graph->height() / 2));
    GraphMouse(graph, QEvent::MouseMove, QPoint(h + 12, graph->height() / 5));
    ok = shooter.Shoot(editor, QStringLiteral("editor-mid-drag")) && ok;
    GraphMouse(graph, QEvent::MouseButtonRelease, QPoint(h + 12, graph->height() / 5));

    QTest::mouseClick(editor->ItemAs<QAbstractButton>(kNewEditHelpItem), Qt::LeftButton);
    HelpWindow* help = gui.Help(false);
    auto* topics = help ? help->ItemAs<QListWidget>(6) : nullptr;
    if (!topics || topics->count() == 0)
        return false;
    // The topic on dragging and undo, clicked once the window is in front.
    help->activateWindow();
    if (!QTest::qWaitForWindowActive(help))
        return false;
    QListWidgetItem* last = topics->item(topics->count() - 1);
    QTest::mouseClick(topics->viewport(), Qt::LeftButton, {},
                      topics->visualItemRect(last).center());
    ok = shooter.Shoot(help, QStringLiteral("editor-help-window")) && ok;
    return ok;
}

int Run(const QString& folder, bool mainOnly) {
    QDir().mkpath(folder);
    OrvaneGui gui;
    // Nothing may wait for an answer here: every alert is kept instead of shown.
    GlueRec* glue = gui.Glue();
    CapturingAlertHost capture;
    glue->services.alerts = &capture;
    if (gui.Begin() != OrvaneGui::Start::running) {
        std::fprintf(stderr, "orvane-screenshots: the program did not start\n");
        return 1;
    }
    AdjustHalftoneWindow* window = gui.MainWindow();
    if (mainOnly) {
        window->RegisteredList().Select(0);
    } else {
        // Something unsaved, so that the default button shows, and a setting selected (on
        // the root scripts/screenshots.sh prepares).
        SelectAdjustHalftoneSetting(glue, true, "Newsprint – soft");
        gui.AdjustItemHit(kAdjustToPPDItem);
        SelectAdjustHalftoneSetting(glue, true, "Proof (coated)");
    }
    HiliteAdjustHalftoneDialogButtons(glue);
    const bool scaled = window->devicePixelRatioF() > 1.5;
    Shooter shooter(folder, scaled ? QStringLiteral("@2x") : QString());
    bool ok = shooter.Shoot(window, QStringLiteral("main-window"));
    if (mainOnly)
        return ok ? 0 : 1;

    const auto alert = [&](const AlertRequest& request, const QString& name) {
        std::unique_ptr<QMessageBox> box = BuildAlertBox(glue, request, window);
        box->setWindowModality(Qt::NonModal);
        ok = shooter.Shoot(box.get(), name) && ok;
    };
    const auto question = [&](int16_t id, const std::string& subject, const QString& name) {
        AlertRequest request;
        request.alertID = id;
        request.caution = true;
        request.params[0] = QuestionText(glue, id, subject);
        request.params[1] = subject;
        alert(request, name);
    };
    DoCommand(glue, kAboutCommand, nullptr);
    alert(capture.last, QStringLiteral("alert-131-about"));
    ShowAlert(glue, kNotSupportedPPDCode);
    alert(capture.last, QStringLiteral("alert-130-error"));
    ShowAlert(glue, kAlertQuestionCode);
    alert(capture.last, QStringLiteral("alert-129-question"));
    question(kSavePPDAlertID, "Quillmark_ColorPage_5.ppd", QStringLiteral("alert-1009-write-ppd"));
    question(kReplaceAlertID, "Portrait", QStringLiteral("alert-1011-replace"));
    question(kSavePrefsAlertID, "", QStringLiteral("alert-1012-save-registered"));

    NameDialog name(QStringLiteral("Portrait"), window);
    ok = shooter.Shoot(&name, QStringLiteral("name-dialog-1010")) && ok;
    name.hide();

    gui.AdjustItemHit(kAdjustHelpItem);
    if (HelpWindow* help = gui.Help(true)) {
        ok = shooter.Shoot(help, QStringLiteral("help-window")) && ok;
        help->close();
    }
    return ShootEditor(gui, shooter) && ok ? 0 : 1;
}

} // namespace
} // namespace orvane

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    bool mainOnly = false;
    QString folder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--main-only") == 0)
            mainOnly = true;
        else
            folder = QString::fromLocal8Bit(argv[i]);
    }
    if (folder.isEmpty()) {
        std::fprintf(stderr, "usage: orvane-screenshots [--main-only] OUTDIR\n");
        return 2;
    }
    return orvane::Run(folder, mainOnly);
}
