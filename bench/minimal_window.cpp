// The yardstick for orvane's start-up: a Qt Widgets program that shows one empty window and
// ends, exactly as `orvane --quit-when-shown` ends once its window is shown and painted,
// saying after how many milliseconds since ORVANE_STARTED_AT (microseconds since the epoch).
#include <QApplication>
#include <QDateTime>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
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
