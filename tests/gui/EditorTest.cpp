// The curve editor through its window: typing, clicks, keys and synthesised mouse drags on
// the real widgets, and the graph's pixels.
#include "GuiFixture.h"

#include "core/Alerts.h"

#include <QCheckBox>
#include <QLineEdit>

namespace orvane::testing {

namespace {

// The open editor as a user sees it.
struct Editor {
    EditorWindow* w;

    QLineEdit* Field(int16_t item) const { return w->ItemAs<QLineEdit>(item); }
    QString Text(int16_t item) const { return w->ItemText(item); }
    // Replaces the field's text by typing.
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
    // The items among `items` for which `test` holds, as "1 2 4".
    template <typename Test> static QString Items(std::initializer_list<int16_t> items, Test test) {
        QStringList on;
        for (const int16_t item : items)
            if (test(item))
                on << QString::number(item);
        return on.join(' ');
    }
    // The enabled ruled buttons | the ink controls on | the fields at 20 % and 50 %.
    QString Shown() const {
        return Items({1, 2, 4, 26, 27, 28, 29, 58},
                     [this](int16_t i) { return w->ItemEnabled(i); }) +
               '|' +
               Items({25, 26, 27, 28, 29},
                     [this](int16_t i) { return w->ItemAs<QAbstractButton>(i)->isChecked(); }) +
               '|' + Text(46) + ' ' + Text(49);
    }
    QString Levels() const {
        QStringList texts;
        for (int16_t item = kNewEditFirstLevelItem; item <= kNewEditLastLevelItem; ++item)
            texts << Text(item);
        return texts.join('|');
    }
    // Runs steps such as "t24=Name" (types into item 24; "t43=" empties it) and "c25"
    // (clicks item 25); what the window shows after each.
    QStringList Do(const QString& script) const {
        QStringList shown;
        for (const QString& step : script.split(' ')) {
            const auto item = static_cast<int16_t>(step.mid(1).section('=', 0, 0).toInt());
            if (step.startsWith('t'))
                Type(item, step.section('=', 1));
            else
                Click(item);
            shown << Shown();
        }
        return shown;
    }
    int16_t Focused() const { return w->ItemOf(QApplication::focusWidget()); }

    CurveGraphWidget* Graph() const { return w->Graph(); }
    // Presses at `path[0]`, moves along the rest and releases at the last point; the texts
    // of `item` after each move.
    QStringList Drag(const std::vector<QPoint>& path, int16_t item) const {
        QStringList seen;
        QTest::mousePress(Graph(), Qt::LeftButton, {}, path.front());
        for (const QPoint& at : path) {
            QTest::mouseMove(Graph(), at);
            seen << Text(item);
        }
        QTest::mouseRelease(Graph(), Qt::LeftButton, {}, path.back());
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

    // The rule's buttons, the ink controls and the fields as the window shows them, in a
    // German locale; what OK, Return, Escape and Cancel store.
    void fieldsButtonsAndStoring() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(world_->Run("add Beta --all gamma:1.8;add Delta --all gamma:2.2"));
        Session s;
        Editor e = Open(s);
        QVERIFY(e.w && e.Text(kNewEditNameItem).isEmpty() && e.Text(57).isEmpty());
        QCOMPARE(e.Levels(), QStringLiteral("0||||||||||||100"));
        QCOMPARE(e.Shown(), QStringLiteral("4|25| "));
        e.Key(Qt::Key_Return); // OK disabled: nothing
        QVERIFY(s.gui.Editor());
        const QString inks = QStringLiteral("1 2 4 26 27 28 29 58|");
        QCOMPARE(e.Do("t24=Charlie t57=2,2 c58 c25 t49=50 c27 t43= c28 t43=0 t47=100,01 c25"),
                 (QStringList{"1 2 4|25| ", "1 2 4 58|25| ", "1 2 4 58|25|2,9 21,76",
                              inks + "26|2,9 21,76", inks + "26|2,9 50", inks + "27|2,9 21,76",
                              inks.mid(2) + "27|2,9 21,76", inks.mid(2) + "27|2,9 21,76",
                              inks + "27|2,9 21,76", inks.mid(2) + "27|2,9 21,76",
                              inks.mid(2) + "27|2,9 21,76"})); // the two refused clicks alert
        QVERIFY(e.Focused() == 47 && e.Field(47)->selectedText() == QStringLiteral("100,01"));
        QCOMPARE(s.AlertIDs(), QStringLiteral("130 130"));
        for (const int i : {0, 1})
            QCOMPARE(s.alerts.shown()[i].params[0],
                     AlertMessageText(s.gui.Glue(), i ? kPointOutOfRangeCode : kEndPointsCode));
        e.Type(47, "");
        e.Key(Qt::Key_Return);
        QTRY_VERIFY(!s.gui.Editor());
        QCOMPARE(s.Rows(true), (QStringList{"Beta", "Charlie", "Delta"}));

        // Renamed onto another setting: asked first (declined: nothing changes); Escape and
        // Cancel store nothing.
        const ToneRes4Rec before = *s.gui.Glue()->dialogState->prefsWorking;
        QVERIFY(s.ClickRow(true, "Charlie"));
        for (const int way : {0, 1, 2}) {
            e = Open(s, kAdjustEditItem);
            QVERIFY(e.w);
            e.Do(way == 2 ? "t24=Delta c3" : "t24=Delta");
            if (way < 2)
                e.Key(way == 0 ? Qt::Key_Enter : Qt::Key_Escape);
            QTRY_VERIFY(!s.gui.Editor());
        }
        QCOMPARE(s.AlertIDs(), QStringLiteral("130 130 1011"));
        QVERIFY(std::memcmp(&before, s.gui.Glue()->dialogState->prefsWorking, sizeof before) == 0);
    }

    // Dragging with the mouse and the arrow keys, and Undo/Redo over the drags.
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
        // Whole percents near the column; far out removed, restored within the far zone;
        // an end point stays. The field's text after each move; its text selected at the end.
        const std::tuple<std::vector<QPoint>, int16_t, QStringList> cases[] = {
            {{{mid, row(50)}, {mid + 39, row(37)}, {mid - 30, row(80)}}, 49, {"50", "37", "80"}},
            {{{mid, row(42)}, {mid + 81, row(42)}, {mid - 79, row(10)}, {mid, H + 30}},
             49,
             {"42", "", "80", "0"}},
            {{{W - 1, row(90)}, {W + 200, -100}, {W - 1, -30}}, 55, {"90", "100", "100"}},
        };
        for (const auto& [path, item, seen] : cases) {
            QCOMPARE(e.Drag(path, item), seen);
            QVERIFY(e.Focused() == item && e.Field(item)->hasSelectedText());
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
        for (int i = 0; i < 5; ++i) {
            e.Key(Qt::Key_Z, Qt::ControlModifier);
            undone << e.Text(49) + '/' + e.Text(53) + '/' + e.Text(54);
        }
        // The end point's drag came back to where it began: no step of its own; typing "42"
        // was one step.
        QCOMPARE(undone, (QStringList{"0/50/", "0//", "80//", "42//", "//"}));
        for (int i = 0; i < 6; ++i)
            e.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(e.Levels(), after);

        // Keys on the graph: to the first point, up 1 % and 0.1 %.
        graph->setFocus();
        for (int i = 0; i < kToneSlotCount; ++i)
            e.Key(Qt::Key_Left);
        e.Key(Qt::Key_Up);
        e.Key(Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(e.Text(kNewEditFirstLevelItem), QStringLiteral("1.1"));
    }

    // The graph's pixels for one box: the grid and frame, the tint per ink, the curves in
    // their colours, the dots, and the pale grid alone for an invalid curve.
    void graphPixels() {
        Session s;
        Editor e = Open(s);
        e.Graph()->setFixedSize(203, 103); // (0, 100 %) at (1, 1), (100 %, 0) at (201, 101)
        QTRY_COMPARE(e.Graph()->GraphBox().right, int16_t{203});
        // Pixels as "h,v h,v ..." and the colour each must have.
        const auto expect = [&e](const char* where, QRgb rgb) {
            for (const QString& at : QString::fromLatin1(where).split(' ')) {
                const QStringList hv = at.split(',');
                QVERIFY2(e.Pixel(hv[0].toInt(), hv[1].toInt()) == rgb, qPrintable(at));
            }
        };
        const QRgb k = 0, tint = Rgb(GraphBackgroundColor(false, kBlack));
        // The frame's corners, grid lines at 10 and 90 % and the straight line; outside the
        // frame and the background of one curve for all inks.
        expect("1,1 201,1 1,101 201,101 21,5 181,5 5,11 5,91 51,51", k);
        expect("0,0 202,102 30,102 30,15", 0xFFFFFF);
        // Each ink a straight line to 25, 50, 75, 100 %, in its colour on its tint.
        e.Click(kNewEditAllInksItem);
        for (int16_t ink = 0; ink < 4; ++ink) {
            e.Click(static_cast<int16_t>(kNewEditCyanItem + ink));
            e.Type(kNewEditLastLevelItem, QString::number(25 * (ink + 1)));
            expect("30,15", Rgb(GraphBackgroundColor(false, static_cast<Ink>(ink))));
        }
        for (int ink = 0; ink < 4; ++ink) { // at the inputs 40 % and 80 %
            const QString at =
                QStringLiteral("81,%1 161,%2").arg(101 - 10 * (ink + 1)).arg(101 - 20 * (ink + 1));
            expect(qPrintable(at), Rgb(GraphCurveColor(static_cast<Ink>(ink))));
        }
        // Black is shown: the 3 x 3 dots of its points at 0, 50 and 100 %.
        e.Type(49, "50");
        expect("0,100 2,102 100,50 102,52 202,2 91,56", k);
        expect("104,53", tint);
        e.Type(kNewEditFirstLevelItem, "");
        expect("21,5 1,101", Rgb(kGraphDimGridColor));
        expect("91,56 102,52", tint); // no curve, no dot
    }

    // A day's work through the windows, with a setting made in the editor in a German
    // locale, leaves the PPDs and records orvanectl leaves with the same numbers.
    void windowsWriteWhatOrvanectlWrites() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const World cli(dir_->path() + QStringLiteral("/cli"));
        QVERIFY(world_->Run("add Portrait --all gamma:1.8"));
        QVERIFY(
            cli.Run("add Portrait --all gamma:1.8;add Edited --cyan levels:0,,,25,,,60.5,,,,,,100 "
                    "--magenta gamma:0.9 --black levels:2,,,,,,,,,,,,97;"
                    "choose Quillmark_ColorPage_5.ppd;to-ppd Portrait;"
                    "choose Quillmark_ColorPage_3.ppd;to-ppd Edited"));

        world_->Enter();
        Session s;
        Open(s).Do("t24=Edited c25 t46=25 t49=60,5 c27 t57=0,9 c58 c29 t43=2 t55=97 c1");
        QTRY_VERIFY(!s.gui.Editor());
        for (const auto& [ppd, setting] : {std::pair{"Quillmark_ColorPage_5.ppd", "Portrait"},
                                           std::pair{"Quillmark_ColorPage_3.ppd", "Edited"}}) {
            s.files.SetNextFile(world_->PPDFolder() + "/" + ppd);
            s.Click(kAdjustChoosePPDItem);
            QVERIFY(s.ClickRow(true, setting));
            s.Click(kAdjustToPPDItem);
            s.Click(kAdjustSaveItem);
            QVERIFY(!s.Button(kAdjustSaveItem)->isEnabled());
        }
        QVERIFY(s.alerts.shown().empty());
        // The preferences differ by the window positions; the PPDs and their records may not.
        QVERIFY(Snapshot(world_->PPDFolder()) == Snapshot(cli.PPDFolder()));
    }
};

int RunEditorTests(int argc, char** argv) {
    EditorTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace orvane::testing

#include "EditorTest.moc"
