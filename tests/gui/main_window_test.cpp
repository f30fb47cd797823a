#include <QMdiArea>
#include <QtTest>

#include "Main.h"

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheProductNameAndAnEmptyWorkspace() {
        TfrmMain frame;
        frame.show();
        QCOMPARE(frame.windowTitle(), QStringLiteral("Quorvel"));
        QVERIFY(frame.MdiArea()->subWindowList().isEmpty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
