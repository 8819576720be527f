// A temporary world for the window program's tests: a copy of the sample system root, a
// home, preferences and cache of its own, orvanectl to prepare settings, and the program
// started as orvane starts it, with the alerts and the file chooser scripted. Everything
// else (the name dialog, the help and editor windows, the buttons, lists and menus) is the
// real thing, driven by synthesised mouse and key events.
#pragma once

#include "app/AdjustHalftone.h"
#include "gui/OrvaneGui.h"
#include "host/alerts/AlertHost.h"
#include "host/ui/Choosers.h"

#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace orvane::testing {

// Every file below `folder` (relative path -> bytes).
inline std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[std::filesystem::relative(entry.path(), folder).string()] =
                std::string(std::istreambuf_iterator<char>(in), {});
        }
    return files;
}

// One side of a test: a system root, home, preferences and cache in `dir`.
class World {
public:
    explicit World(const QString& dir) : dir_(dir) {
        for (const char* sub : {"/home", "/config", "/cache"})
            std::filesystem::create_directories((dir + sub).toStdString());
        std::filesystem::copy(ORVANE_SOURCE_DIR "/sample/root", (dir + "/root").toStdString(),
                              std::filesystem::copy_options::recursive);
    }
    // This process's environment points at this world.
    void Enter() const {
        qputenv("HOME", (dir_ + "/home").toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir_ + "/config").toUtf8());
        qputenv("XDG_CACHE_HOME", (dir_ + "/cache").toUtf8());
        qputenv("ORVANE_ROOT", (dir_ + "/root").toUtf8());
        qputenv("ORVANE_ADMIN", "user");
        qputenv("ORVANE_OS_LEVEL", "1");
    }
    // Runs orvanectl here once per ';'-separated command line; true when every run succeeds.
    bool Run(const QString& script) const {
        Enter();
        for (const QString& line : script.split(QLatin1Char(';'))) {
            QProcess cli;
            cli.start(QStringLiteral(ORVANECTL_PATH),
                      line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
            if (!cli.waitForFinished() || cli.exitStatus() || cli.exitCode())
                return false;
        }
        return true;
    }
    std::string PPDFolder() const { return (dir_ + "/root/etc/cups/ppd").toStdString(); }

private:
    QString dir_;
};

// The program, started in the current environment.
struct Session {
    ScriptedAlertHost alerts{2};
    ScriptedFileChooser files;
    OrvaneGui gui;

    // Every test needs the main window; a start that fails stops the run here rather than
    // at the first use of a window that is not there.
    Session() {
        gui.Glue()->services.alerts = &alerts;
        gui.Glue()->services.files = &files;
        if (gui.Begin() != OrvaneGui::Start::running)
            qFatal("orvane did not start");
    }
    AdjustHalftoneWindow& Window() { return *gui.MainWindow(); }
    QPushButton* Button(int16_t item) { return Window().ItemAs<QPushButton>(item); }
    QListWidget* List(bool registered) {
        return Window().ItemAs<QListWidget>(registered ? kAdjustRegisteredListItem
                                                       : kAdjustPPDListItem);
    }
    void Click(int16_t item) { QTest::mouseClick(Button(item), Qt::LeftButton); }
    // Clicks the row showing `name`; false when there is none.
    bool ClickRow(bool registered, const QString& name) {
        QListWidget* list = List(registered);
        const auto found = list->findItems(name, Qt::MatchExactly);
        if (found.isEmpty())
            return false;
        const QPoint at = list->visualItemRect(found.first()).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        return true;
    }
    QStringList Rows(bool registered) {
        QStringList rows;
        for (int i = 0; i < List(registered)->count(); ++i)
            rows << List(registered)->item(i)->text();
        return rows;
    }
    // The enabled buttons the rule decides, as "1 3 5 ...".
    QString Enabled() {
        QStringList on;
        for (int16_t item : {1, 3, 5, 12, 13, 14, 15, 16})
            if (Button(item)->isEnabled())
                on << QString::number(item);
        return on.join(QLatin1Char(' '));
    }
    // The alert IDs shown so far, as "130 1011 ...".
    QString AlertIDs() {
        QStringList ids;
        for (const AlertRequest& request : alerts.shown())
            ids << QString::number(request.alertID);
        return ids.join(QLatin1Char(' '));
    }
};

// The curve editor's tests (EditorTest.cpp); the one main runs them after the others.
int RunEditorTests(int argc, char** argv);

} // namespace orvane::testing
