// The window program through its windows: clicks, keys and menus on the real widgets; only
// the alerts and the file chooser answer from a script.
#include "GuiFixture.h"

#include "core/Alerts.h"
#include "gui/WindowPlacement.h"
#include "host/rights/ToolRunner.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>

namespace orvane::testing {

namespace {

// Runs `act` on the modal dialog as soon as it is shown (inside its exec loop).
template <typename Act> void WhenModal(Act act) {
    QTimer::singleShot(0, qApp, [act] { act(QApplication::activeModalWidget()); });
}

void Type(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(widget, static_cast<Qt::Key>(key), modifiers);
}

// Types `name` over the name dialog's whole field, then presses `key`.
void Rename(QWidget* dialog, const char* name, int key) {
    auto* field = static_cast<QLineEdit*>(static_cast<NameDialog*>(dialog)->Item(4));
    field->selectAll();
    Type(field, Qt::Key_Backspace);
    QTest::keyClicks(field, name);
    Type(field, key);
}

} // namespace

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

    // The button rule in each of its states, reached by clicks: twenty registered settings
    // and six in the PPD, a selection in either list, unsaved changes, the help window and
    // the editor open, no PPD chosen.
    void buttonRuleInEveryState() {
        QString script = QStringLiteral("choose Quillmark_ColorPage_3.ppd");
        for (int i = 10; i < 30; ++i)
            script += QStringLiteral(";add S%1 --all gamma:1.%1").arg(i) +
                      (i < 16 ? QStringLiteral(";to-ppd S%1").arg(i) : QString());
        QVERIFY(world_->Run(script));
        Session s;
        s.files.SetNextFile(world_->PPDFolder() + "/Quillmark_MonoPage_2.ppd");
        // Each step clicks a row of the registered ('r') or PPD ('p') list or a button, or
        // closes the help window or editor with Escape; the enabled buttons after it.
        QStringList shown;
        for (const QString& act :
             QStringLiteral("- rS10 pS10 16 rS11 pS11 rS10 16 pS11 3 esc rS11 5 esc 8 rS11")
                 .split(QLatin1Char(' '))) {
            if (act == QStringLiteral("esc")) {
                Type(s.gui.Editor() ? static_cast<QWidget*>(s.gui.Editor()) : s.gui.Help(true),
                     Qt::Key_Escape);
                QTRY_VERIFY(!s.gui.Editor() && !s.gui.Help(true));
            } else if (act[0] == QLatin1Char('r') || act[0] == QLatin1Char('p')) {
                QVERIFY(s.ClickRow(act[0] == QLatin1Char('r'), act.mid(1)));
            } else if (act != QStringLiteral("-")) {
                s.Click(static_cast<int16_t>(act.toInt()));
            }
            shown << s.Enabled();
        }
        // Both lists full; one PPD setting deleted (unsaved), then one registered; help and
        // editor open; a monochrome PPD refused, leaving none chosen.
        QCOMPARE(shown,
                 (QStringList{"3", "3 14 16", "3 14 16", "1 3", "1 3 12 14 16", "1 3 14 15 16",
                              "1 3 12 14 16", "1 3 5", "1 3 5 13 14 15 16", "1 5 13 14 15 16",
                              "1 3 5 13 14 15 16", "1 3 5 12 14 15 16", "1 3 12 15 16",
                              "1 3 5 12 14 15 16", "1 3 5", "1 3 5 14 15 16"}));
    }

    // Save through the rights backends: granted it writes the PPD and disables Save; refused
    // (polkit's password question dismissed) it changes no file, keeps Save enabled and says
    // why.
    void saveGrantedOrRefused() {
        const QString pkexec = Dir("pkexec-dismissed");
        std::ofstream(pkexec.toStdString()) << "#!/bin/sh\nexit 126\n";
        QVERIFY(QFile::setPermissions(pkexec, QFile::ReadOwner | QFile::ExeOwner));
        qputenv("ORVANE_PKEXEC", pkexec.toUtf8());
        qputenv("ORVANE_PPD_ROUTE", "installer"); // as for a PPD of /etc/cups
        for (const char* admin : {"user", "pkexec"}) {
            const bool granted = *admin == 'u';
            const World world(Dir(admin));
            QVERIFY(world.Run("add Portrait --all gamma:1.8;choose Quillmark_ColorPage_3.ppd"));
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

    // Duplicate through the name dialog: a taken name asks 1011 (answered no: the setting of
    // that name keeps its curves), Escape cancels, an empty name does nothing even with
    // Return; then Delete, and copying both ways.
    void copyDuplicateDelete() {
        QVERIFY(world_->Run("add Portrait --all gamma:1.8;add Office --all gamma:2.2;"
                            "choose Quillmark_ColorPage_3.ppd;to-ppd Office"));
        Session s;
        QVERIFY(s.ClickRow(true, "Portrait"));
        WhenModal([](QWidget* dialog) { Rename(dialog, "Office", Qt::Key_Enter); });
        s.Click(kAdjustDuplicateItem);
        WhenModal([](QWidget* dialog) { Type(dialog, Qt::Key_Escape); });
        s.Click(kAdjustDuplicateItem);
        QCOMPARE(s.AlertIDs(), QStringLiteral("1011"));
        QCOMPARE(s.Rows(true), (QStringList{"Office", "Portrait"}));
        QVERIFY(!s.Button(kAdjustSaveItem)->isEnabled());
        bool stayedOpen = false;
        WhenModal([&](QWidget* dialog) {
            Rename(dialog, "", Qt::Key_Return);
            stayedOpen = dialog->isVisible() && !static_cast<NameDialog*>(dialog)->ItemEnabled(1);
            Rename(dialog, "Portrait copy", Qt::Key_Return);
        });
        s.Click(kAdjustDuplicateItem);
        QVERIFY(stayedOpen);
        QVERIFY(s.ClickRow(true, "Office"));
        s.Click(kAdjustDeleteItem);
        QCOMPARE(s.Rows(true), (QStringList{"Portrait", "Portrait copy"}));
        QVERIFY(s.ClickRow(false, "Office"));
        s.Click(kAdjustFromPPDItem);
        QVERIFY(s.ClickRow(true, "Portrait copy"));
        s.Click(kAdjustToPPDItem);
        QCOMPARE(s.Rows(true), (QStringList{"Office", "Portrait", "Portrait copy"}));
        QCOMPARE(s.Rows(false), (QStringList{"Office", "Portrait copy"}));
    }

    // Choosing another PPD: unsaved PPD settings are asked about first (1009, answered no)
    // and a cancelled chooser reads the PPD's settings again; a refused file leaves no PPD
    // chosen and no PPD settings, a change to save; a PPD chosen is recorded at once.
    void chooseAnotherPPD() {
        QVERIFY(world_->Run("add Portrait --all gamma:1.8;add Vivid --all gamma:0.9;"
                            "choose Quillmark_ColorPage_5.ppd;to-ppd Portrait"));
        Session s;
        QVERIFY(s.ClickRow(true, "Vivid"));
        s.Click(kAdjustToPPDItem);
        s.files.SetNextCancel();
        s.Click(kAdjustChoosePPDItem);
        QCOMPARE(s.AlertIDs(), QStringLiteral("1009"));
        QCOMPARE(s.Rows(false), QStringList{"Portrait"});
        QVERIFY(!s.Button(kAdjustSaveItem)->isEnabled());
        QCOMPARE(s.files.requests().back().startFolder, world_->PPDFolder());

        const std::string notPPD = world_->PPDFolder() + "/notes.ppd";
        std::ofstream(notPPD) << "just some notes\n";
        s.files.SetNextFile(notPPD);
        s.Click(kAdjustChoosePPDItem);
        QCOMPARE(s.AlertIDs(), QStringLiteral("1009 130"));
        QCOMPARE(s.alerts.shown()[1].params[0],
                 AlertMessageText(s.gui.Glue(), kNotAPPDFileCode, "notes.ppd"));
        QCOMPARE(s.Window().ItemText(kAdjustPPDNameItem), QStringLiteral("(no PPD chosen)"));
        QVERIFY(s.Rows(false).isEmpty() && s.Button(kAdjustSaveItem)->isEnabled());

        s.files.SetNextFile(world_->PPDFolder() + "/Quillmark_ColorPage_3.ppd");
        s.Click(kAdjustChoosePPDItem);
        QCOMPARE(s.Window().ItemText(kAdjustPPDNameItem),
                 QStringLiteral("Quillmark_ColorPage_3.ppd"));
        QVERIFY(!s.Button(kAdjustSaveItem)->isEnabled());
    }

    // The close box with both lists changed asks 1009, then 1012, writes both, and the
    // window opens again where it was.
    void quitAsksBothQuestionsAndKeepsThePlace() {
        QVERIFY(world_->Run("add Portrait --all gamma:1.8;add Vivid --all gamma:0.9;"
                            "choose Quillmark_ColorPage_3.ppd"));
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

    // About names the bundle and its version; the Edit menu works only while the editor is
    // open.
    void aboutAndTheEditMenu() {
        Session s;
        s.gui.CommandAction(1)->trigger();
        QCOMPARE(s.AlertIDs(), QStringLiteral("131"));
        QCOMPARE(s.alerts.shown()[0].params[0], std::string("Orvane"));
        QVERIFY(s.alerts.shown()[0].params[1].find("0.1") != std::string::npos);
        QMenu* edit = s.gui.Menu(130);
        for (const bool open : {false, true, false}) {
            if (open)
                s.Click(kAdjustNewItem);
            else if (s.gui.Editor())
                s.gui.Editor()->close(); // the close box cancels
            QTRY_COMPARE(s.gui.Editor() != nullptr, open);
            QCOMPARE(edit->menuAction()->isEnabled(), open);
            for (int16_t command = 23; command <= 26; ++command)
                QCOMPARE(s.gui.CommandAction(command)->isEnabled(), open);
        }
    }

    // Keyboard only: every button and list has a mnemonic or an accessible name and is in
    // the tab order; Return presses the default button only when it is enabled; a mnemonic
    // and F1 reach their buttons; a click into a window behind only brings it to the front.
    void keyboardOnly() {
        QVERIFY(world_->Run("add Portrait --all gamma:1.8;choose Quillmark_ColorPage_3.ppd"));
        Session s;
        QVERIFY(QTest::qWaitForWindowActive(&s.Window()));
        QList<int16_t> chain;
        QWidget* w = s.List(true);
        do
            if (s.Window().ItemOf(w) && (w->focusPolicy() & Qt::TabFocus))
                chain << s.Window().ItemOf(w);
        while ((w = w->nextInFocusChain()) != s.List(true));
        QCOMPARE(chain, (QList<int16_t>{7, 12, 13, 11, 5, 14, 15, 16, 3, 1, 8}));
        for (const auto& [item, widget] : s.Window().Items()) {
            QVERIFY2(item == kAdjustPPDNameItem || !widget->accessibleName().isEmpty(),
                     qPrintable(QString::number(item)));
            if (auto* button = qobject_cast<QPushButton*>(widget))
                QVERIFY(button->text().contains(QLatin1Char('&')));
        }
        s.Button(kAdjustChoosePPDItem)->setFocus();
        Type(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s.List(true));
        Type(s.List(true), Qt::Key_Return); // Save disabled: nothing happens
        QVERIFY(s.alerts.shown().empty());
        Type(s.List(true), Qt::Key_Space); // selects the current (first) row
        // Shortcuts and mnemonics go through the window, as the window system delivers them.
        QTest::keyClick(s.Window().windowHandle(), Qt::Key_P, Qt::AltModifier);
        QTRY_COMPARE(s.Rows(false), QStringList{"Portrait"}); // a mnemonic clicks animated
        Type(s.List(false), Qt::Key_Return);
        QVERIFY(!s.Button(kAdjustSaveItem)->isEnabled()); // saved
        QTest::keyClick(s.Window().windowHandle(), Qt::Key_F1);
        QVERIFY(s.gui.Help(true) && QTest::qWaitForWindowActive(s.gui.Help(true)));
        s.Click(kAdjustNewItem);
        QVERIFY(!s.gui.Editor());
        QTRY_COMPARE(QApplication::activeWindow(), &s.Window());
        s.Click(kAdjustNewItem);
        QVERIFY(s.gui.Editor());
    }

    // While a tool runs the window paints and says so, and input waits.
    void busyWhileAToolRuns() {
        QVERIFY(world_->Run("add Portrait --all gamma:1.8"));
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
