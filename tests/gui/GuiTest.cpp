// The window program through its windows: clicks, keys and menus on the real widgets; only
// the alerts and the file chooser answer from a script.
#include "GuiFixture.h"

#include "core/Alerts.h"
#include "gui/QtAlertHost.h"
#include "gui/QtChoosers.h"
#include "gui/WindowPlacement.h"
#include "host/rights/ScriptedAdminRights.h"
#include "host/rights/ToolRunner.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTextBrowser>

#include <unistd.h>

namespace orvane::testing {

namespace {

// Runs `act` on the modal dialog as soon as it is shown (inside its exec loop).
template <typename Act> void WhenModal(Act act) {
    QTimer::singleShot(0, qApp, [act] { act(QApplication::activeModalWidget()); });
}

void Type(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(widget, static_cast<Qt::Key>(key), modifiers);
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

    // Part of the button rule's every state: no PPD, help and editor open, unsaved, 20
    // registered settings, 6 in the PPD.
    void buttonRuleInEveryState() {
        QCOMPARE(world_->Cli({"add", "A", "--all", "gamma:1.8"}), 0);
        QCOMPARE(world_->Cli({"add", "B", "--all", "gamma:2.2"}), 0);
        {
            Session s;
            QVERIFY(s.started);
            QCOMPARE(s.Window().ItemText(kAdjustPPDNameItem), QStringLiteral("(no PPD chosen)"));
            QCOMPARE(s.Enabled(), QStringLiteral("3 5"));
            QVERIFY(s.ClickRow(true, "A"));
            QCOMPARE(s.Enabled(), QStringLiteral("3 5 14 15 16")); // no PPD: no copy into it
            s.Click(kAdjustHelpItem);
            QVERIFY(s.gui.Help(true));
            QCOMPARE(s.Enabled(), QStringLiteral("5 14 15 16"));
            Type(s.gui.Help(true), Qt::Key_Escape);
            QTRY_VERIFY(!s.gui.Help(true));
            QCOMPARE(s.Enabled(), QStringLiteral("3 5 14 15 16"));
            s.Click(kAdjustNewItem);
            QVERIFY(s.gui.Editor());
            QCOMPARE(s.Enabled(), QStringLiteral("3 15 16"));
            Type(s.gui.Editor(), Qt::Key_Escape);
            QTRY_VERIFY(!s.gui.Editor());
            s.Click(kAdjustDeleteItem);
            QCOMPARE(s.Rows(true), QStringList{"B"});
            QCOMPARE(s.Enabled(), QStringLiteral("1 3 5"));
        }
        for (int i = 2; i < 20; ++i)
            QCOMPARE(world_->Cli({"add", QStringLiteral("R%1").arg(i, 2, 10, QLatin1Char('0')),
                                  "--all", "gamma:1.5"}),
                     0);
        QCOMPARE(world_->Cli({"choose", "Quillmark_ColorPage_3.ppd"}), 0);
        for (const char* name : {"A", "B", "R02", "R03", "R04", "R05"})
            QCOMPARE(world_->Cli({"to-ppd", name}), 0);
        Session s;
        QCOMPARE(s.List(true)->count(), 20);
        QCOMPARE(s.List(false)->count(), 6);
        QVERIFY(s.ClickRow(true, "A"));
        QCOMPARE(s.Enabled(), QStringLiteral("3 14 16")); // both lists full
        QVERIFY(s.ClickRow(false, "A"));
        QVERIFY(s.List(true)->selectedItems().isEmpty()); // one selection in the window
        QCOMPARE(s.Enabled(), QStringLiteral("3 14 16"));
        s.Click(kAdjustDeleteItem);
        QCOMPARE(s.Enabled(), QStringLiteral("1 3"));
        QVERIFY(s.ClickRow(true, "B"));
        QCOMPARE(s.Enabled(), QStringLiteral("1 3 12 14 16"));
        QVERIFY(s.ClickRow(false, "B"));
        QCOMPARE(s.Enabled(), QStringLiteral("1 3 14 15 16"));
    }

    // Save through each rights backend: granted it writes the PPD and disables Save;
    // refused it changes no file, keeps Save enabled and says why.
    void saveThroughEveryBackend() {
        struct Case {
            const char* name;
            const char* admin; // ORVANE_ADMIN, or null for the scripted backend
            OSErr scripted;
            bool granted;
        };
        const Case cases[] = {{"user", "user", noErr, true},
                              {"root", "root", noErr, true},
                              {"scripted", nullptr, noErr, true},
                              {"scripted-refused", nullptr, userCanceledErr, false},
                              {"pkexec-dismissed", "pkexec", noErr, false}};
        const QString pkexec = Dir("pkexec");
        QFile script(pkexec);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexit 126\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        qputenv("ORVANE_PKEXEC", pkexec.toUtf8());
        qputenv("ORVANE_PPD_ROUTE", "installer"); // as for a PPD of /etc/cups
        for (const Case& c : cases) {
            if (std::string(c.name) == "root" && geteuid() != 0)
                continue; // the root backend refuses anybody else, rightly
            const World world(Dir(c.name));
            QCOMPARE(world.Cli({"add", "Portrait", "--all", "gamma:1.8"}), 0);
            QCOMPARE(world.Cli({"choose", "Quillmark_ColorPage_3.ppd"}), 0);
            if (c.admin)
                qputenv("ORVANE_ADMIN", c.admin);
            ScriptedAdminRights scripted;
            scripted.SetRequestResult(c.scripted, "Refused by the test.");
            scripted.SetRunsTools(true);
            std::optional<ScopedAdminRights> scope;
            if (!c.admin)
                scope.emplace(scripted);
            Session s;
            QVERIFY(s.ClickRow(true, "Portrait"));
            s.Click(kAdjustToPPDItem);
            const auto before = Snapshot(world.PPDFolder());
            s.Click(kAdjustSaveItem);
            const auto after = Snapshot(world.PPDFolder());
            const std::string ppd = after.at("Quillmark_ColorPage_3.ppd");
            QVERIFY2(s.Button(kAdjustSaveItem)->isEnabled() != c.granted, c.name);
            if (c.granted) {
                QVERIFY2(ppd.find("*OrvaneTone Tone") != std::string::npos, c.name);
                QVERIFY2(s.alerts.shown().empty(), c.name);
            } else {
                QVERIFY2(before == after, c.name);
                QCOMPARE(s.AlertIDs(), QStringLiteral("130"));
                const std::string message = s.alerts.shown()[0].params[0];
                QVERIFY2(message.find("administrator rights") != std::string::npos, c.name);
            }
        }
        qunsetenv("ORVANE_PPD_ROUTE");
    }

    // Copying both ways, Duplicate through the name dialog, Delete.
    void copyDuplicateDelete() {
        QCOMPARE(world_->Cli({"add", "Portrait", "--all", "gamma:1.8"}), 0);
        QCOMPARE(world_->Cli({"add", "Office", "--all", "gamma:2.2"}), 0);
        QCOMPARE(world_->Cli({"choose", "Quillmark_ColorPage_3.ppd"}), 0);
        QCOMPARE(world_->Cli({"to-ppd", "Office"}), 0);
        QCOMPARE(world_->Cli({"delete", "Office"}), 0);
        Session s;
        QCOMPARE(s.Rows(true), QStringList{"Portrait"});
        QVERIFY(s.ClickRow(false, "Office"));
        s.Click(kAdjustFromPPDItem);
        QCOMPARE(s.Rows(true), (QStringList{"Office", "Portrait"}));
        QVERIFY(s.ClickRow(true, "Portrait"));
        s.Click(kAdjustToPPDItem);
        QCOMPARE(s.Rows(false), (QStringList{"Office", "Portrait"}));

        // An empty name does nothing, even with Return; a new name adds the copy.
        bool stayedOpen = false;
        WhenModal([&](QWidget* dialog) {
            auto* name = static_cast<NameDialog*>(dialog);
            QWidget* field = name->Item(4);
            Type(field, Qt::Key_Backspace);
            Type(field, Qt::Key_Return);
            stayedOpen = name->isVisible() && !name->ItemEnabled(1);
            QTest::keyClicks(field, "Portrait copy");
            Type(field, Qt::Key_Return);
        });
        QVERIFY(s.ClickRow(true, "Portrait"));
        s.Click(kAdjustDuplicateItem);
        QVERIFY(stayedOpen);
        QCOMPARE(s.Rows(true), (QStringList{"Office", "Portrait", "Portrait copy"}));
        // Escape cancels.
        WhenModal([](QWidget* dialog) { Type(dialog, Qt::Key_Escape); });
        s.Click(kAdjustDuplicateItem);
        QCOMPARE(s.Rows(true).size(), 3);
        // A name in use asks before replacing (answered no: nothing changes).
        WhenModal([](QWidget* dialog) {
            auto* field = static_cast<QLineEdit*>(static_cast<NameDialog*>(dialog)->Item(4));
            field->selectAll();
            QTest::keyClicks(field, "Office");
            Type(field, Qt::Key_Enter);
        });
        QVERIFY(s.ClickRow(true, "Portrait copy"));
        s.Click(kAdjustDuplicateItem);
        QCOMPARE(s.AlertIDs(), QStringLiteral("1011"));
        QCOMPARE(s.Rows(true).size(), 3);
        s.Click(kAdjustDeleteItem);
        QCOMPARE(s.Rows(true), (QStringList{"Office", "Portrait"}));
    }

    // Choosing another PPD: unsaved changes asked about first, a cancel reloads, a refused
    // file leaves no PPD chosen.
    void chooseAnotherPPD() {
        QCOMPARE(world_->Cli({"add", "Portrait", "--all", "gamma:1.8"}), 0);
        QCOMPARE(world_->Cli({"add", "Vivid", "--all", "gamma:0.9"}), 0);
        QCOMPARE(world_->Cli({"choose", "Quillmark_ColorPage_5.ppd"}), 0);
        QCOMPARE(world_->Cli({"to-ppd", "Portrait"}), 0);
        Session s;
        QVERIFY(s.ClickRow(true, "Vivid"));
        s.Click(kAdjustToPPDItem);
        s.files.SetNextCancel();
        s.Click(kAdjustChoosePPDItem);
        QCOMPARE(s.AlertIDs(), QStringLiteral("1009"));   // answered "don't write"
        QCOMPARE(s.Rows(false), QStringList{"Portrait"}); // the PPD's settings read again
        QVERIFY(!s.Button(kAdjustSaveItem)->isEnabled());

        const std::string notPPD = world_->PPDFolder() + "/notes.ppd";
        std::ofstream(notPPD) << "just some notes\n";
        s.files.SetNextFile(notPPD);
        s.Click(kAdjustChoosePPDItem);
        QCOMPARE(s.AlertIDs(), QStringLiteral("1009 130"));
        QCOMPARE(s.alerts.shown()[1].params[0],
                 AlertMessageText(s.gui.Glue(), kNotAPPDFileCode, "notes.ppd"));
        QCOMPARE(s.Window().ItemText(kAdjustPPDNameItem), QStringLiteral("(no PPD chosen)"));
        QVERIFY(s.Rows(false).isEmpty());
        QVERIFY(s.ClickRow(true, "Portrait"));
        QVERIFY(!s.Button(kAdjustToPPDItem)->isEnabled());

        s.files.SetNextFile(world_->PPDFolder() + "/Quillmark_ColorPage_3.ppd");
        s.Click(kAdjustChoosePPDItem);
        QCOMPARE(s.Window().ItemText(kAdjustPPDNameItem),
                 QStringLiteral("Quillmark_ColorPage_3.ppd"));
        QCOMPARE(s.files.requests().back().startFolder, world_->PPDFolder());
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

    // The menus: About, and the Edit menu only while the editor is open.
    void menusFollowTheEditor() {
        Session s;
        QMenu* edit = s.gui.Menu(130);
        QVERIFY(edit && !edit->menuAction()->isEnabled());
        for (int16_t command = 23; command <= 26; ++command)
            QVERIFY(!s.gui.CommandAction(command)->isEnabled());
        s.gui.CommandAction(1)->trigger();
        QCOMPARE(s.AlertIDs(), QStringLiteral("131"));
        QCOMPARE(s.alerts.shown()[0].params[0], std::string("Orvane"));
        QVERIFY(s.alerts.shown()[0].params[1].find("0.1") != std::string::npos);
        s.Click(kAdjustNewItem);
        QVERIFY(edit->menuAction()->isEnabled() && s.gui.CommandAction(25)->isEnabled());
        s.gui.Editor()->close(); // the close box cancels
        QTRY_VERIFY(!s.gui.Editor());
        QVERIFY(!edit->menuAction()->isEnabled());
    }

    // The alert and file dialogs as the resources lay them out; the help window's topics.
    void dialogsFromTheResources() {
        Session s;
        AlertRequest request;
        request.alertID = kSavePPDAlertID;
        request.caution = true;
        request.params[0] = "Write first?";
        const auto box = BuildAlertBox(s.gui.Glue(), request, nullptr);
        QCOMPARE(box->text(), QStringLiteral("Write first?"));
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->buttons().size(), 2);
        QCOMPARE(box->defaultButton()->property("item").toInt(), 1);
        QCOMPARE(box->escapeButton()->property("item").toInt(), 2);
        const auto files = BuildFileDialog({world_->PPDFolder(), false, true}, nullptr);
        QCOMPARE(files->directory().absolutePath().toStdString(), world_->PPDFolder());
        QVERIFY(files->nameFilters().join(' ').contains("*.ppd"));

        s.Click(kAdjustHelpItem);
        HelpWindow* help = s.gui.Help(true);
        QVERIFY(help && help->windowTitle() == QStringLiteral("Orvane Help"));
        auto* topics = help->ItemAs<QListWidget>(6);
        QVERIFY(topics->count() >= 5);
        auto* text = help->ItemAs<QTextBrowser>(2);
        const QString first = text->toPlainText();
        QTest::mouseClick(topics->viewport(), Qt::LeftButton, {},
                          topics->visualItemRect(topics->item(1)).center());
        QVERIFY(help->CurrentTopic() == 1 && text->toPlainText() != first);
    }

    // Keyboard only: tab order, mnemonics, Return on the default button, accessible names;
    // a click into a window behind only brings it to the front.
    void keyboardOnly() {
        QCOMPARE(world_->Cli({"add", "Portrait", "--all", "gamma:1.8"}), 0);
        QCOMPARE(world_->Cli({"choose", "Quillmark_ColorPage_3.ppd"}), 0);
        Session s;
        QVERIFY(QTest::qWaitForWindowActive(&s.Window()));
        for (const auto& [item, widget] : s.Window().Items()) {
            QVERIFY2(item == kAdjustPPDNameItem || !widget->accessibleName().isEmpty(),
                     qPrintable(QString::number(item)));
            if (auto* button = qobject_cast<QPushButton*>(widget))
                QVERIFY(button->text().contains(QLatin1Char('&')));
        }
        s.Button(kAdjustChoosePPDItem)->setFocus();
        QList<int16_t> order;
        for (int i = 0; i < 5; ++i) {
            order << s.Window().ItemOf(QApplication::focusWidget());
            Type(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order, (QList<int16_t>{8, 7, 11, 5, 3}));
        Type(s.List(true), Qt::Key_Return); // Save disabled: nothing happens
        QVERIFY(s.alerts.shown().empty());
        s.List(true)->setFocus();
        Type(s.List(true), Qt::Key_Space); // selects the current (first) row
        // Shortcuts and mnemonics go through the window, as the window system delivers them.
        QTest::keyClick(s.Window().windowHandle(), Qt::Key_P, Qt::AltModifier);

        QTRY_COMPARE(s.Rows(false), QStringList{"Portrait"}); // a mnemonic clicks animated
        Type(s.List(false), Qt::Key_Return);
        QVERIFY(!s.Button(kAdjustSaveItem)->isEnabled()); // saved
        QTest::keyClick(s.Window().windowHandle(), Qt::Key_F1);
        QVERIFY(s.gui.Help(true) && QTest::qWaitForWindowActive(s.gui.Help(true)));
        s.Click(kAdjustNewItem);
        QVERIFY(!s.gui.Editor()); // the click only brought the window to the front
        QTRY_COMPARE(QApplication::activeWindow(), &s.Window());
        s.Click(kAdjustNewItem);
        QVERIFY(s.gui.Editor());
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
