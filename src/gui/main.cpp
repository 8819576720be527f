// orvane: the window program. Its one option, --quit-when-shown, ends it as soon as the
// Adjust Halftone window has been shown and painted, saying after how many milliseconds
// when ORVANE_STARTED_AT holds the starting time (microseconds since the epoch), so that
// scripts/bench-startup.sh can measure the start-up.
#include "gui/OrvaneGui.h"

#include <QApplication>
#include <QDateTime>
#include <QTimer>

#include <cstdio>
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
    if (quitWhenShown) {
        QTimer::singleShot(0, &app, [] {
            const qint64 started = qEnvironmentVariable("ORVANE_STARTED_AT").toLongLong();
            if (started > 0)
                std::printf("%.3f\n",
                            double(QDateTime::currentMSecsSinceEpoch() * 1000 - started) / 1000.0);
            QCoreApplication::exit(0);
        });
    }
    return QApplication::exec();
}
