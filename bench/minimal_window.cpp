// The yardstick for orvane's start-up: a Qt Widgets program that shows one empty window and
// ends, exactly as `orvane --quit-when-shown` ends once its window is shown and painted,
// saying after how many milliseconds since ORVANE_STARTED_AT (microseconds since the epoch).
// With --with-text the window holds one label and one button, so that the share of the
// start-up that any window with text pays (setting up the fonts) can be told apart from
// orvane's own.
#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const bool withText = argc > 1 && std::strcmp(argv[1], "--with-text") == 0;
    QApplication app(argc, argv);
    QWidget window;
    if (withText) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("Registered settings"), &window));
        layout->addWidget(new QPushButton(QStringLiteral("Save"), &window));
    }
    window.resize(640, 400);
    window.show();
    QTimer::singleShot(0, &app, [] {
        const qint64 started = qEnvironmentVariable("ORVANE_STARTED_AT").toLongLong();
        if (started > 0)
            std::printf("%.3f\n",
                        double(QDateTime::currentMSecsSinceEpoch() * 1000 - started) / 1000.0);
        QCoreApplication::exit(0);
    });
    return QApplication::exec();
}
