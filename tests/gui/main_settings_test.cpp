// The main window's settings in QUORVEL.INI: its placement, the working
// folder, the tip of the day and the docking of the four toolbars, written
// at close and read back at the next start.
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

#include "IniFile.h"
#include "Main.h"
#include "ToolBarState.h"
#include "main_test_support.h"

using namespace maintest;
using quorvel::gui::TIniFile;

namespace {

const QString kMain = QStringLiteral("Janela Principal");
const QString kGeneral = QStringLiteral("Geral");
const QStringList kBarSections = {QStringLiteral("Ferramentas arquivo"), QStringLiteral("Ferramentas consulta"),
                                  QStringLiteral("Ferramentas sistema"), QStringLiteral("Ferramentas ajuda")};

void Write(const QString& section, const QString& key, int value) {
    TIniFile ini;
    ini.WriteInteger(section, key, value);
}

int Read(const QString& section, const QString& key) { return TIniFile().ReadInteger(section, key, -99); }

// Where a toolbar is: 0 floating, 1 top, 2 left, 3 right, 4 bottom.
int DockOf(const TfrmMain& frame, QToolBar* bar) {
    if (bar->isFloating()) return 0;
    switch (frame.toolBarArea(bar)) {
        case Qt::LeftToolBarArea:
            return 2;
        case Qt::RightToolBarArea:
            return 3;
        case Qt::BottomToolBarArea:
            return 4;
        default:
            return 1;
    }
}

}  // namespace

class MainSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { RemoveSettings(); }

    void theFirstStartIsCentredOnMostOfTheScreen() {
        TfrmMain frame;
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(frame.size(), QSize(area.width() * 4 / 5, area.height() * 4 / 5));
        QCOMPARE(frame.geometry().center(), area.center());
        QVERIFY(!frame.isMaximized());
        QVERIFY(frame.WorkingFolder.isEmpty());
        QVERIFY(frame.ShowTips);
        QCOMPARE(frame.LastTip, 0);
        for (QToolBar* bar : frame.ToolBars()) {
            QCOMPARE(DockOf(frame, bar), 1);
            QVERIFY(!bar->isHidden());
        }
    }

    // A settings file without the window's keys: the keys' defaults.
    void absentKeysOfAnExistingFileGiveTheDefaults() {
        Write(kGeneral, QStringLiteral("Última dica do dia"), 3);
        TfrmMain frame;
        QCOMPARE(frame.pos(), QPoint(10, 10));
        QCOMPARE(frame.size(), QSize(500, 200));
        QCOMPARE(frame.LastTip, 3);
    }

    void theSettingsAreWrittenWithTheirOwnKeys() {
        {
            TfrmMain frame;
            frame.move(40, 30);
            frame.resize(700, 450);
            frame.WorkingFolder = QStringLiteral("/tmp/bases de conhecimento");
            frame.ShowTips = false;
            frame.LastTip = 7;
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            frame.close();
        }
        const QByteArray text = ReadAll(quorvel::gui::SettingsFilePath());
        // Portuguese keys as they are, in UTF-8.
        QVERIFY(text.contains("[Janela Principal]"));
        QVERIFY(text.contains("Pasta de trabalho=/tmp/bases de conhecimento"));
        QVERIFY(text.contains(QStringLiteral("Última dica do dia=7").toUtf8()));
        QVERIFY(text.contains(QStringLiteral("Posição dock=").toUtf8()));
        QVERIFY(text.contains(QStringLiteral("Visível=1").toUtf8()));
        QCOMPARE(Read(kMain, QStringLiteral("Largura")), 700);
        QCOMPARE(Read(kMain, QStringLiteral("Altura")), 450);
        QCOMPARE(Read(kMain, QStringLiteral("Estado")), 0);
        QCOMPARE(Read(kGeneral, QStringLiteral("Dica do dia")), 0);
        for (const QString& section : kBarSections) QCOMPARE(Read(section, QStringLiteral("Dock")), 1);
        // The design rows: file and consultation above, knowledge base and help below.
        QCOMPARE(Read(kBarSections[0], QStringLiteral("Linha")), 0);
        QCOMPARE(Read(kBarSections[1], QStringLiteral("Linha")), 0);
        QCOMPARE(Read(kBarSections[2], QStringLiteral("Linha")), 1);
        QCOMPARE(Read(kBarSections[3], QStringLiteral("Linha")), 1);

        TfrmMain next;
        QCOMPARE(next.size(), QSize(700, 450));
        QCOMPARE(next.WorkingFolder, QStringLiteral("/tmp/bases de conhecimento"));
        QVERIFY(!next.ShowTips);
        QCOMPARE(next.LastTip, 7);
    }

    // A window saved maximised opens maximised and ignores the saved bounds.
    void aMaximisedWindowComesBackMaximised() {
        Write(kMain, QStringLiteral("Estado"), 1);
        Write(kMain, QStringLiteral("Largura"), 333);
        {
            TfrmMain frame;
            QVERIFY(frame.isMaximized());
            QVERIFY(frame.width() != 333);
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            frame.close();
        }
        QCOMPARE(Read(kMain, QStringLiteral("Estado")), 1);
        TfrmMain next;
        QVERIFY(next.isMaximized());
    }

    void valuesOutOfRangeAreIgnored() {
        Write(kMain, QStringLiteral("Estado"), 7);
        Write(kBarSections[1], QStringLiteral("Dock"), 9);
        TfrmMain frame;
        QVERIFY(!frame.isMaximized() && !frame.isMinimized());
        QCOMPARE(DockOf(frame, ToolBarOf(frame, "XToolBarConsult")), 1);
    }

    // Every dock, a floating toolbar and a hidden one survive a close and a start.
    void theToolbarsComeBackWhereTheyWere() {
        Write(kBarSections[0], QStringLiteral("Dock"), 3);
        Write(kBarSections[1], QStringLiteral("Dock"), 2);
        Write(kBarSections[2], QStringLiteral("Dock"), 0);
        Write(kBarSections[2], QStringLiteral("Esquerda"), 300);
        Write(kBarSections[2], QStringLiteral("Cima"), 250);
        Write(kBarSections[2], QStringLiteral("Largura"), 280);
        Write(kBarSections[2], QStringLiteral("Altura"), 40);
        Write(kBarSections[3], QStringLiteral("Dock"), 4);
        Write(kBarSections[3], QStringLiteral("Visível"), 0);
        const QList<int> docks = {3, 2, 0, 4};

        for (int start = 0; start < 2; ++start) {
            TfrmMain frame;
            frame.resize(800, 600);
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            const auto bars = frame.ToolBars();
            for (int i = 0; i < 4; ++i) QCOMPARE(DockOf(frame, bars[static_cast<std::size_t>(i)]), docks[i]);
            QVERIFY(ToolBarOf(frame, "XToolBarHelp")->isHidden());
            QVERIFY(!ToolBarOf(frame, "XToolBarSystem")->isHidden());
            QCOMPARE(ToolBarOf(frame, "XToolBarSystem")->geometry().topLeft(), QPoint(300, 250));
            // A vertical dock turns its toolbars.
            QCOMPARE(ToolBarOf(frame, "XToolBarConsult")->orientation(), Qt::Vertical);
            frame.close();
            for (int i = 0; i < 4; ++i) QCOMPARE(Read(kBarSections[i], QStringLiteral("Dock")), docks[i]);
            QCOMPARE(Read(kBarSections[3], QStringLiteral("Visível")), 0);
            QCOMPARE(Read(kBarSections[2], QStringLiteral("Esquerda")), 300);
            QCOMPARE(Read(kBarSections[2], QStringLiteral("Cima")), 250);
        }
    }

    // "Linha" puts a toolbar on another row of its dock.
    void theRowOfAToolbarIsKept() {
        Write(kBarSections[3], QStringLiteral("Linha"), 0);
        Write(kBarSections[3], QStringLiteral("Posição dock"), 600);
        TfrmMain frame;
        frame.resize(900, 500);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTRY_COMPARE(ToolBarOf(frame, "XToolBarHelp")->y(), ToolBarOf(frame, "XToolBarFile")->y());
        QVERIFY(ToolBarOf(frame, "XToolBarSystem")->y() > ToolBarOf(frame, "XToolBarFile")->y());
        frame.close();
        QCOMPARE(Read(kBarSections[3], QStringLiteral("Linha")), 0);
        QCOMPARE(Read(kBarSections[2], QStringLiteral("Linha")), 1);
    }

    // The toolbar part of Qt's saved state reads and writes back unchanged.
    void theToolbarStateRoundTrips() {
        TfrmMain frame;
        frame.addToolBar(Qt::BottomToolBarArea, ToolBarOf(frame, "XToolBarHelp"));
        const QByteArray state = frame.saveState(3);
        const std::optional<TToolBarLayout> layout = ReadToolBarLayout(state);
        QVERIFY(layout);
        QCOMPARE(layout->Version, 3);
        QCOMPARE(int(layout->Places.size()), 4);
        QCOMPARE(WriteToolBarLayout(*layout), state);
        QVERIFY(!ReadToolBarLayout(QByteArray("not a state")));
    }
};

QTEST_MAIN(MainSettingsTest)
#include "main_settings_test.moc"
