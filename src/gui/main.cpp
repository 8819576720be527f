// orvane: the window program. Its one option, --quit-when-shown, ends it as soon as the
// Adjust Halftone window has been shown (for measuring start-up).
#include "gui/OrvaneGui.h"

#include <QApplication>
#include <QTimer>

#include <cstring>

int main(int argc, char** argv) {
    bool quitWhenShown = false;
    for (int i = 1; i < argc; ++i)
        quitWhenShown = quitWhenShown || std::strcmp(argv[i], "--quit-when-shown") == 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QApplication::setDesktopFileName(QStringLiteral("orvane"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("orvane")));
    // The windows close only when the program has shut down.
    QApplication::setQuitOnLastWindowClosed(false);

    orvane::OrvaneGui gui;
    // A failed start has been shown; the program then ends normally.
    if (gui.Begin() != orvane::OrvaneGui::Start::running)
        return 0;
    if (quitWhenShown)
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    return QApplication::exec();
}
