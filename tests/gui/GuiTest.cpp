#include <QtTest>
class GuiTest : public QObject {
    Q_OBJECT
private slots:
    void nothing() {}
};
QTEST_MAIN(GuiTest)
#include "GuiTest.moc"
