// The window program through its windows: clicks and menus on the real widgets; only the
// alerts and the file chooser answer from a script.
#include "GuiFixture.h"

#include "gui/WindowPlacement.h"
#include "host/rights/ToolRunner.h"

#include <QLabel>
#include <QScreen>

namespace orvane::testing {

class GuiTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<World> world_;

    QString Dir(const char* sub) const { return dir_->path() + QLatin1Char('/') + sub; }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        world_ = std::make_unique<World>(Dir("main"));
        world_->Enter();
        qunsetenv("ORVANE_PKEXEC");
    }

    // Save through the rights backends: granted it writes the PPD and disables Save; refused
    // (polkit's password question dismissed) it changes no file, keeps Save enabled and says
    // why.
    void saveGrantedOrRefused() {
        const QString pkexec = Dir("pkexec-dismissed");
        QFile script(pkexec);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexit 126\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        qputenv("ORVANE_PKEXEC", pkexec.toUtf8());
        qputenv("ORVANE_PPD_ROUTE", "installer"); // as for a PPD of /etc/cups
        for (const char* admin : {"user", "pkexec"}) {
            const bool granted = *admin == 'u';
            const World world(Dir(admin));
            QCOMPARE(world.Cli({"add", "Portrait", "--all", "gamma:1.8"}), 0);
            QCOMPARE(world.Cli({"choose", "Quillmark_ColorPage_3.ppd"}), 0);
            qputenv("ORVANE_ADMIN", admin);
            Session s;
            QVERIFY(s.ClickRow(true, "Portrait"));
            s.Click(kAdjustToPPDItem);
            const auto before = Snapshot(world.PPDFolder());
            s.Click(kAdjustSaveItem);
            const auto after = Snapshot(world.PPDFolder());
            QVERIFY2(s.Button(kAdjustSaveItem)->isEnabled() != granted, admin);
            if (granted) {
                QVERIFY(after.at("Quillmark_ColorPage_3.ppd").find("*OrvaneTone Tone") !=
                        std::string::npos);
                QVERIFY(s.alerts.shown().empty());
            } else {
                QVERIFY(before == after);
                QCOMPARE(s.AlertIDs(), QStringLiteral("130"));
                QVERIFY(s.alerts.shown()[0].params[0].find("administrator rights") !=
                        std::string::npos);
            }
        }
        qunsetenv("ORVANE_PPD_ROUTE");
    }

    // The close box with both lists changed asks 1009, then 1012, writes both, and the
    // window opens again where it was.
    void quitAsksBothQuestionsAndKeepsThePlace() {
        QCOMPARE(world_->Cli({"add", "Portrait", "--all", "gamma:1.8"}), 0);
        QCOMPARE(world_->Cli({"add", "Vivid", "--all", "gamma:0.9"}), 0);
        QCOMPARE(world_->Cli({"choose", "Quillmark_ColorPage_3.ppd"}), 0);
        QPoint where;
        {
            Session s;
            s.Window().move(50, 60);
            where = s.Window().geometry().topLeft();
            QVERIFY(s.ClickRow(true, "Portrait"));
            s.Click(kAdjustToPPDItem);
            QVERIFY(s.ClickRow(true, "Vivid"));
            s.Click(kAdjustDeleteItem);
            s.alerts.SetNextAnswer(1);
            s.alerts.SetNextAnswer(1);
            s.Window().close();
            QVERIFY(s.gui.Quitting());
            QCOMPARE(s.AlertIDs(), QStringLiteral("1009 1012"));
        }
        Session s;
        QCOMPARE(s.Rows(true), QStringList{"Portrait"});
        QCOMPARE(s.Rows(false), QStringList{"Portrait"});
        QCOMPARE(s.Window().geometry().topLeft(), where);
        // A place off every screen is brought back onto one.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(
            screen.contains(QRect(ClampToScreens({-5000, 90000}, {300, 200}), QSize(300, 200))));
    }

    // While a tool runs the window paints and says so, and input waits.
    void busyWhileAToolRuns() {
        QCOMPARE(world_->Cli({"add", "Portrait", "--all", "gamma:1.8"}), 0);
        Session s;
        QVERIFY(s.ClickRow(true, "Portrait"));
        s.Click(kAdjustDeleteItem); // unsaved: Save enabled
        auto* busyText = s.Window().findChild<QLabel*>("busyText");
        int ticks = 0;
        QString shown;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (++ticks == 2) {
                shown = busyText->text();
                QTest::mouseClick(s.Button(kAdjustSaveItem), Qt::LeftButton);
            }
        });
        timer.start(30);
        ToolRun run;
        QCOMPARE(RunTool({"/bin/sleep", "0.4"}, run), noErr);
        timer.stop();
        QVERIFY(ticks >= 4);
        QVERIFY(!shown.isEmpty());
        QVERIFY(busyText->text().isEmpty());
        QVERIFY(s.Button(kAdjustSaveItem)->isEnabled()); // the click waited, and went
    }
};

} // namespace orvane::testing

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    orvane::testing::GuiTest windows;
    const int failed = QTest::qExec(&windows, argc, argv);
    return failed + orvane::testing::RunEditorTests(argc, argv);
}

#include "GuiTest.moc"
