// The curve editor through its window: typing, clicks, keys and synthesised mouse drags on
// the real widgets, and the graph's pixels.
#include "GuiFixture.h"

#include "core/Alerts.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QToolTip>

namespace orvane::testing {

namespace {

// The open editor as a user sees it.
struct Editor {
    EditorWindow* w;

    QLineEdit* Field(int16_t item) const { return w->ItemAs<QLineEdit>(item); }
    QString Text(int16_t item) const { return w->ItemText(item); }
    // Replaces the field's text by typing (empty: deletes it).
    void Type(int16_t item, const QString& text) const {
        QLineEdit* field = Field(item);
        field->setFocus();
        field->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Backspace);
        else
            QTest::keyClicks(field, text);
    }
    void Click(int16_t item) const {
        QTest::mouseClick(w->ItemAs<QAbstractButton>(item), Qt::LeftButton);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = {}) const {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    }
    bool On(int16_t item) const { return w->ItemAs<QAbstractButton>(item)->isChecked(); }
    // The ruled buttons that are enabled, as "1 2 4 ...".
    QString Enabled() const {
        QStringList on;
        for (int16_t item : {1, 2, 4, 26, 27, 28, 29, 58})
            if (w->ItemEnabled(item))
                on << QString::number(item);
        return on.join(QLatin1Char(' '));
    }
    QString Levels() const {
        QStringList texts;
        for (int16_t item = kNewEditFirstLevelItem; item <= kNewEditLastLevelItem; ++item)
            texts << Text(item);
        return texts.join(QLatin1Char('|'));
    }
    int16_t Focused() const { return w->ItemOf(QApplication::focusWidget()); }

    CurveGraphWidget* Graph() const { return w->Graph(); }
    void Mouse(QEvent::Type type, QPoint at) const {
        const bool move = type == QEvent::MouseMove;
        QMouseEvent event(type, QPointF(at), Graph()->mapToGlobal(QPointF(at)),
                          move ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(Graph(), &event);
    }
    // Presses at `path[0]`, moves along the rest and releases at the last point; the texts
    // of `item` after each move.
    QStringList Drag(const std::vector<QPoint>& path, int16_t item) const {
        QStringList seen;
        Mouse(QEvent::MouseButtonPress, path.front());
        for (const QPoint& at : path) {
            Mouse(QEvent::MouseMove, at);
            seen << Text(item);
        }
        Mouse(QEvent::MouseButtonRelease, path.back());
        return seen;
    }
    QRgb Pixel(int h, int v) const { return Graph()->Picture().pixel(h, v) & 0xFFFFFF; }
};

QRgb Rgb(RGBColor c) {
    return QColor::fromRgba64(c.red, c.green, c.blue).rgb() & 0xFFFFFF;
}

} // namespace

class EditorTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<World> world_;

    // New (or Edit of the selected setting) and the editor, in front.
    static Editor Open(Session& s, int16_t button = kAdjustNewItem) {
        s.Click(button);
        EditorWindow* w = s.gui.Editor();
        if (w && !QTest::qWaitForWindowActive(w))
            return Editor{nullptr};
        return Editor{w};
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        world_ = std::make_unique<World>(dir_->path() + QStringLiteral("/main"));
        world_->Enter();
        QLocale::setDefault(QLocale::c());
    }

    // The fields and buttons by the rule, the ink controls, gamma in the user's decimal
    // separator, and what OK, Return, Escape and Cancel store.
    void fieldsButtonsAndStoring() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(world_->Cli({"add", "Beta", "--all", "gamma:1.8"}), 0);
        QCOMPARE(world_->Cli({"add", "Delta", "--all", "gamma:2.2"}), 0);
        Session s;
        Editor e = Open(s);
        QVERIFY(e.w);
        QCOMPARE(e.Text(kNewEditNameItem), QString());
        QCOMPARE(e.Levels(), QStringLiteral("0||||||||||||100"));
        QVERIFY(e.On(kNewEditAllInksItem) && e.Text(kNewEditGammaItem).isEmpty());
        QCOMPARE(e.Enabled(), QStringLiteral("4"));
        e.Key(Qt::Key_Return); // OK disabled: nothing
        QVERIFY(s.gui.Editor() && s.alerts.shown().empty());
        const std::pair<const char*, const char*> names[] = {
            {"Charlie", "1 2 4"}, {"", "4"}, {"abcdefghijklmnopqrstuvwxyz0123456", "2 4"}};
        for (const auto& [name, enabled] : names) {
            e.Type(kNewEditNameItem, name);
            QCOMPARE(e.Enabled(), QString::fromLatin1(enabled));
        }
        e.Type(kNewEditNameItem, "Charlie");
        const std::pair<const char*, bool> gammas[] = {
            {"", false}, {"0", false}, {"0,01", true}, {"99,99", true}, {"100", false}};
        for (const auto& [gamma, enabled] : gammas) {
            e.Type(kNewEditGammaItem, gamma);
            QVERIFY2(e.w->ItemEnabled(kNewEditApplyGammaItem) == enabled, gamma);
        }
        e.Type(kNewEditGammaItem, "2,2");
        e.Click(kNewEditApplyGammaItem);
        QCOMPARE(e.Levels(), QStringLiteral("0|0,14|0,63|2,9|7,07|13,32|21,76|32,5|45,63|61,21|"
                                            "79,31|89,33|100"));

        // Magenta's curve becomes the one of all inks; cyan shows it when the box is off.
        e.Click(kNewEditAllInksItem);
        QVERIFY(e.On(kNewEditCyanItem) && e.Enabled().contains("26 27 28 29"));
        e.Click(27);
        e.Type(49, "50");
        e.Click(kNewEditAllInksItem);
        QVERIFY(e.On(kNewEditAllInksItem) && !e.On(27));
        e.Click(kNewEditAllInksItem);
        QVERIFY(e.On(kNewEditCyanItem) && e.Text(49) == QStringLiteral("50"));

        // An invalid curve keeps the ink and the box as they are and says why.
        e.Type(kNewEditFirstLevelItem, "");
        QVERIFY(!e.w->ItemEnabled(kNewEditOKItem));
        e.Click(28);
        QVERIFY(e.On(kNewEditCyanItem) && !e.On(28));
        e.Type(kNewEditFirstLevelItem, "0");
        e.Type(47, "100,01");
        e.Click(kNewEditAllInksItem);
        QVERIFY(!e.On(kNewEditAllInksItem));
        QCOMPARE(s.AlertIDs(), QStringLiteral("130 130"));
        for (const int i : {0, 1})
            QCOMPARE(s.alerts.shown()[i].params[0],
                     AlertMessageText(s.gui.Glue(), i ? kPointOutOfRangeCode : kEndPointsCode));
        QVERIFY(e.Focused() == 47 && e.Field(47)->selectedText() == QStringLiteral("100,01"));
        e.Type(47, "");
        e.Key(Qt::Key_Return);
        QTRY_VERIFY(!s.gui.Editor());
        QCOMPARE(s.Rows(true), (QStringList{"Beta", "Charlie", "Delta"}));

        // Renamed onto another setting: asked first (declined: nothing changes); Escape and
        // Cancel store nothing.
        const ToneRes4Rec before = *s.gui.Glue()->dialogState->prefsWorking;
        QVERIFY(s.ClickRow(true, "Charlie"));
        e = Open(s, kAdjustEditItem);
        QVERIFY(e.w);
        e.Type(kNewEditNameItem, "Delta");
        e.Key(Qt::Key_Enter);
        QCOMPARE(s.AlertIDs(), QStringLiteral("130 130 1011"));
        for (const bool escape : {true, false}) {
            e = Open(s, kAdjustEditItem);
            QVERIFY(e.w);
            e.Type(49, "12");
            if (escape)
                e.Key(Qt::Key_Escape);
            else
                e.Click(kNewEditCancelItem);
            QTRY_VERIFY(!s.gui.Editor());
        }
        QVERIFY(std::memcmp(&before, s.gui.Glue()->dialogState->prefsWorking, sizeof before) == 0);
    }

    // Dragging with the mouse, the arrow keys, the tip, the Edit menu on the focused field,
    // and Undo/Redo over all of them.
    void dragKeysAndUndo() {
        Session s;
        Editor e = Open(s);
        e.Type(49, "42");
        CurveGraphWidget* graph = e.Graph();
        const Rect box = graph->GraphBox();
        const int W = box.right, H = box.bottom;
        const int mid = GraphSlotPixelColumn(box, 6);
        // A row in the near zone whose whole percent is p.
        const auto row = [H](int p) { return H - (p * H + 50) / 100; };
        struct Case {
            const char* what;
            std::vector<QPoint> path;
            int16_t item;
            QStringList seen;
        };
        const Case cases[] = {
            {"whole percents near the column",
             {{mid, row(50)}, {mid + 39, row(37)}, {mid - 30, row(80)}},
             49,
             {"50", "37", "80"}},
            {"far out removes, back within the far zone restores, near follows",
             {{mid, row(42)}, {mid + 81, row(42)}, {mid - 79, row(10)}, {mid, H + 30}},
             49,
             {"42", "", "80", "0"}},
            {"an end point stays",
             {{W - 1, row(90)}, {W + 200, -100}, {W - 1, -30}},
             55,
             {"90", "100", "100"}},
        };
        for (const Case& c : cases) {
            QCOMPARE(e.Drag(c.path, c.item), c.seen);
            QVERIFY2(e.Focused() == c.item && e.Field(c.item)->hasSelectedText(), c.what);
        }
        // The column between neighbouring inputs picks the slot.
        for (const auto& [percent, item] : {std::pair{91, 53}, std::pair{92, 54}, {93, 54}}) {
            int h = 0;
            while (GraphColumnAt(box, static_cast<int16_t>(h)) < percent)
                ++h;
            e.Drag({{h, row(50)}}, item);
            QCOMPARE(e.Focused(), item);
        }

        // Undo takes back one drag at a time, through the field's own key; Redo replays it.
        const QString after = e.Levels();
        QStringList undone;
        for (int i = 0; i < 4; ++i) {
            e.Key(Qt::Key_Z, Qt::ControlModifier);
            undone << e.Text(49) + '/' + e.Text(53) + '/' + e.Text(54);
        }
        // The end point's drag came back to where it began: no step of its own.
        QCOMPARE(undone, (QStringList{"0/50/", "0//", "80//", "42//"}));
        for (int i = 0; i < 5; ++i)
            e.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(e.Levels(), after);

        // Keys on the graph: to the first point, up 1 % and 0.1 %; its tip.
        graph->setFocus();
        for (int i = 0; i < kToneSlotCount; ++i)
            e.Key(Qt::Key_Left);
        e.Key(Qt::Key_Up);
        e.Key(Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(e.Text(kNewEditFirstLevelItem), QStringLiteral("1.1"));
        const Point at = e.w->Core().GetNewEditHalfToneGraphPosition(0, 110);
        const QPoint dot(at.h + 2, at.v - 1);
        QHelpEvent tip(QEvent::ToolTip, dot, graph->mapToGlobal(dot));
        QApplication::sendEvent(graph, &tip);
        QCOMPARE(QToolTip::text(), QStringLiteral("0 %: 1.1 %"));

        // Paste from the Edit menu into the focused field, then undone by the menu.
        e.Field(46)->setFocus();
        QApplication::clipboard()->setText(QStringLiteral("33"));
        s.gui.CommandAction(25)->trigger();
        QCOMPARE(e.Text(46), QStringLiteral("33"));
        s.gui.CommandAction(21)->trigger();
        QCOMPARE(e.Text(46), QString());
    }

    // The graph's pixels for one box: the grid and frame, the tint per ink, the curves in
    // their colours, the dots, and the pale grid alone for an invalid curve.
    void graphPixels() {
        Session s;
        Editor e = Open(s);
        e.Graph()->setFixedSize(203, 103); // (0, 100 %) at (1, 1), (100 %, 0) at (201, 101)
        QTRY_COMPARE(e.Graph()->GraphBox().right, int16_t{203});
        const QRgb black = 0, white = 0xFFFFFF;
        for (const QPoint at : {QPoint(1, 1), QPoint(201, 1), QPoint(1, 101), QPoint(201, 101),
                                QPoint(21, 5), QPoint(181, 5), QPoint(5, 11), QPoint(5, 91)})
            QVERIFY2(e.Pixel(at.x(), at.y()) == black, qPrintable(QString::number(at.x())));
        for (const QPoint at : {QPoint(0, 0), QPoint(202, 102), QPoint(30, 15), QPoint(30, 102)})
            QCOMPARE(e.Pixel(at.x(), at.y()), white); // outside the frame; white: all inks
        QCOMPARE(e.Pixel(51, 51), black);             // the straight line of a new setting

        // Each ink a straight line to 25, 50, 75, 100 % and its own tint behind.
        e.Click(kNewEditAllInksItem);
        const char* ends[] = {"25", "50", "75", "100"};
        for (int16_t ink = 0; ink < 4; ++ink) {
            e.Click(static_cast<int16_t>(kNewEditCyanItem + ink));
            e.Type(kNewEditLastLevelItem, ends[ink]);
            QCOMPARE(e.Pixel(30, 15), Rgb(GraphBackgroundColor(false, static_cast<Ink>(ink))));
        }
        for (int16_t ink = 0; ink < 4; ++ink) // at inputs 40 % and 80 %
            for (const int x : {40, 80})
                QCOMPARE(e.Pixel(1 + 2 * x, 101 - x * (ink + 1) / 4),
                         Rgb(GraphCurveColor(static_cast<Ink>(ink))));
        // Black is shown: its two dots, 3 x 3, and one more at 50 %.
        e.Type(49, "50");
        for (const QPoint at : {QPoint(0, 100), QPoint(2, 102), QPoint(100, 50), QPoint(102, 52),
                                QPoint(200, 0), QPoint(202, 2)})
            QCOMPARE(e.Pixel(at.x(), at.y()), black);
        const QRgb tint = Rgb(GraphBackgroundColor(false, kBlack));
        QVERIFY(e.Pixel(104, 53) == tint && e.Pixel(91, 56) == black);

        e.Type(kNewEditFirstLevelItem, "");
        QCOMPARE(e.Pixel(21, 5), Rgb(kGraphDimGridColor));
        QCOMPARE(e.Pixel(1, 101), Rgb(kGraphDimGridColor));
        QVERIFY(e.Pixel(91, 56) == tint && e.Pixel(102, 52) == tint); // no curve, no dot
    }

    // A setting made in the editor (in a German locale), copied into a sample PPD from the
    // main window, leaves the PPD orvanectl leaves with the same numbers.
    void editorSettingWritesWhatOrvanectlWrites() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const World cli(dir_->path() + QStringLiteral("/cli"));
        QCOMPARE(cli.Cli({"add", "Edited", "--cyan", "levels:0,,,25,,,60.5,,,,,,100", "--magenta",
                          "gamma:0.9", "--black", "levels:2,,,,,,,,,,,,97"}),
                 0);
        for (const World* world : {&cli, static_cast<const World*>(world_.get())})
            QCOMPARE(world->Cli({"choose", "Quillmark_ColorPage_3.ppd"}), 0);
        QCOMPARE(cli.Cli({"to-ppd", "Edited"}), 0);

        world_->Enter();
        Session s;
        Editor e = Open(s);
        e.Type(kNewEditNameItem, "Edited");
        e.Click(kNewEditAllInksItem);
        e.Type(46, "25");
        e.Type(49, "60,5");
        e.Click(27);
        e.Type(kNewEditGammaItem, "0,9");
        e.Click(kNewEditApplyGammaItem);
        e.Click(kNewEditBlackItem);
        e.Type(kNewEditFirstLevelItem, "2");
        e.Type(kNewEditLastLevelItem, "97");
        e.Click(kNewEditOKItem);
        QTRY_VERIFY(!s.gui.Editor());
        QVERIFY(s.ClickRow(true, "Edited"));
        s.Click(kAdjustToPPDItem);
        s.Click(kAdjustSaveItem);
        QVERIFY(s.alerts.shown().empty());
        QVERIFY(Snapshot(world_->PPDFolder()) == Snapshot(cli.PPDFolder()));
    }
};

int RunEditorTests(int argc, char** argv) {
    EditorTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace orvane::testing

#include "EditorTest.moc"
