// The main window's frame: menus, toolbars, the status bar and its panels,
// the Edit, Show and Window menus, and the refusal of text a base cannot hold.
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "EventLoop.h"
#include "ExExceptions.h"
#include "Main.h"
#include "StatusBar.h"
#include "main_test_support.h"

using namespace maintest;

namespace {

QStringList VisibleMenus(const TfrmMain& frame) {
    QStringList titles;
    for (QAction* action : frame.menuBar()->actions())
        if (action->isVisible()) titles << action->text();
    return titles;
}

// An edit box inside the workspace that holds the focus.
template <class T>
T* FocusedInWorkspace(TfrmMain& frame) {
    auto* box = new T;
    QMdiSubWindow* child = frame.MdiArea()->addSubWindow(box);
    child->show();
    frame.activateWindow();
    box->setFocus();
    return box;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { RemoveSettings(); }

    void startsWithTheFileShowAndHelpMenusOnly() {
        TfrmMain frame;
        QCOMPARE(frame.windowTitle(), QStringLiteral("Quorvel"));
        QCOMPARE(VisibleMenus(frame),
                 QStringList({QStringLiteral("&Arquivo"), QStringLiteral("Exi&bir"), QStringLiteral("&?")}));
        QVERIFY(frame.MdiArea()->subWindowList().isEmpty());
        QVERIFY(!frame.BaseOpen);
        QCOMPARE(frame.StatusPanels().Message(), QStringLiteral("Pronto."));
        // No recent file yet: neither the items nor their separator show.
        for (QAction* item : RecentFileItems(frame)) QVERIFY(!item->isVisible());
        QVERIFY(!Command(frame, "mnuFileBar")->isVisible());
    }

    void hasFourToolbarsInTheTopDockInDesignOrder() {
        TfrmMain frame;
        const auto bars = frame.ToolBars();
        const QStringList captions = {QStringLiteral("Arquivo"), QStringLiteral("Consulta"),
                                      QStringLiteral("Base de conhecimento"), QStringLiteral("Ajuda")};
        const QList<QStringList> buttons = {
            {"btnNew", "btnOpen", "btnSave", "", "btnPrint"},
            {"btnGo", "btnLastQuestion", "btnPause", "btnStop", "", "btnStep", "btnAddVars", "btnWatch"},
            {"btnNewRule", "btnOpenRule", "btnDelete", "btnView", "btnVars", "btnTargets", "btnQuestions", "btnInfo"},
            {"btnHelp"}};
        for (int i = 0; i < 4; ++i) {
            QToolBar* bar = bars[static_cast<std::size_t>(i)];
            QCOMPARE(bar->windowTitle(), captions[i]);
            QCOMPARE(frame.toolBarArea(bar), Qt::TopToolBarArea);
            QVERIFY(bar->isMovable() && bar->isFloatable());
            QStringList names;
            for (QAction* action : bar->actions()) names << (action->isSeparator() ? QString() : action->objectName());
            QCOMPARE(names, buttons[i]);
        }
        // The buttons' hints: tooltip before the "|", status text after it.
        QCOMPARE(Command(frame, "btnNew")->toolTip(), QStringLiteral("Novo"));
        QCOMPARE(Command(frame, "btnNew")->statusTip(), QStringLiteral("Cria nova base de conhecimentos."));
        for (QToolBar* bar : bars)
            for (QAction* action : bar->actions()) {
                if (action->isSeparator()) continue;
                QVERIFY2(!action->toolTip().isEmpty() && !action->toolTip().contains(QLatin1Char('|')),
                         qPrintable(action->objectName()));
                QVERIFY2(!action->statusTip().isEmpty(), qPrintable(action->objectName()));
            }
    }

    void toolbarButtonsAreNamedForScreenReaders() {
        TfrmMain frame;
        for (QToolBar* bar : frame.ToolBars())
            for (QAction* action : bar->actions()) {
                if (action->isSeparator()) continue;
                QWidget* button = bar->widgetForAction(action);
                QVERIFY(button);
                QCOMPARE(button->accessibleName(), action->toolTip());
            }
    }

    void bindsTheShortcutsOfTheMenus_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::newRow("new") << "mnuNew" << QKeySequence(Qt::CTRL | Qt::Key_N);
        QTest::newRow("open") << "mnuOpen" << QKeySequence(Qt::CTRL | Qt::Key_A);
        QTest::newRow("save") << "mnuSave" << QKeySequence(Qt::CTRL | Qt::Key_S);
        QTest::newRow("print") << "mnuPrint" << QKeySequence(Qt::CTRL | Qt::Key_P);
        QTest::newRow("cut") << "mnuCut" << QKeySequence(Qt::CTRL | Qt::Key_X);
        QTest::newRow("copy") << "mnuCopy" << QKeySequence(Qt::CTRL | Qt::Key_C);
        QTest::newRow("paste") << "mnuPaste" << QKeySequence(Qt::CTRL | Qt::Key_V);
        QTest::newRow("clear") << "mnuDelete" << QKeySequence(Qt::CTRL | Qt::Key_Delete);
        QTest::newRow("options") << "mnuOptions" << QKeySequence(Qt::CTRL | Qt::Key_O);
        QTest::newRow("start") << "mnuStart" << QKeySequence(Qt::Key_F9);
        QTest::newRow("pause") << "mnuBreak" << QKeySequence(Qt::CTRL | Qt::Key_F7);
        QTest::newRow("step") << "mnuStep" << QKeySequence(Qt::Key_F8);
        QTest::newRow("stop") << "mnuFinish" << QKeySequence(Qt::CTRL | Qt::Key_F2);
        QTest::newRow("watch") << "mnuWatch" << QKeySequence(Qt::CTRL | Qt::Key_R);
    }

    void bindsTheShortcutsOfTheMenus() {
        QFETCH(QString, item);
        QFETCH(QKeySequence, shortcut);
        TfrmMain frame;
        QAction* action = Command(frame, item);
        QVERIFY(action);
        QCOMPARE(action->shortcut(), shortcut);
    }

    void showsTheLongHintOfWhatIsUnderThePointer() {
        TfrmMain frame;
        frame.resize(800, 500);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QWidget* button = ToolBarOf(frame, "XToolBarFile")->widgetForAction(Command(frame, "btnOpen"));
        QTest::mouseMove(button);
        QTRY_COMPARE(frame.StatusPanels().Message(), QStringLiteral("Abre uma base de conhecimentos já existente."));
        QTest::mouseMove(frame.MdiArea()->viewport());
        QTRY_COMPARE(frame.StatusPanels().Message(), QStringLiteral("Pronto."));

        // A highlighted menu item shows its hint there too.
        MenuOf(frame, "mnuFile")->popup(frame.mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(MenuOf(frame, "mnuFile")));
        MenuOf(frame, "mnuFile")->setActiveAction(Command(frame, "mnuNew"));
        QTRY_COMPARE(frame.StatusPanels().Message(), QStringLiteral("Cria uma nova base de conhecimentos."));
        MenuOf(frame, "mnuFile")->hide();
    }

    void neverGetsNarrowerThanTheMinimumWidth() {
        TfrmMain frame;
        frame.show();
        frame.resize(120, 300);
        QCOMPARE(frame.width(), TfrmMain::kMinimumWidth);
        frame.resize(640, 300);
        QCOMPARE(frame.width(), 640);
        // The message panel takes what the fixed panels leave, the clock stays whole.
        QTRY_VERIFY(frame.StatusPanels().panelClock->geometry().right() <= frame.statusBar()->width());
        QVERIFY(frame.StatusPanels().panelMessage->geometry().right() <
                frame.StatusPanels().panelInsert->geometry().left());
    }

    void theClockShowsHoursAndMinutes() {
        TfrmMain frame;
        TStatusPanels& panels = frame.StatusPanels();
        QVERIFY(panels.ClockRunning());
        QTime now(9, 5, 7);
        panels.SetTimeSource([&now] { return now; });
        panels.Tick();
        QCOMPARE(panels.panelClock->text(), QStringLiteral("09:05"));
        now = QTime(9, 5, 59);
        panels.Tick();
        QCOMPARE(panels.panelClock->text(), QStringLiteral("09:05"));
        now = QTime(9, 6, 0);
        panels.Tick();
        QCOMPARE(panels.panelClock->text(), QStringLiteral("09:06"));
        frame.close();
        QVERIFY(!panels.ClockRunning());
    }

    void theKeyPanelsFollowTheLockKeysAndTheInsertToggle() {
        TfrmMain frame;
        TStatusPanels& panels = frame.StatusPanels();
        TLockKeyStates states;
        panels.SetKeyStateSource([&states] { return states; });
        panels.UpdateKeyStates();
        QCOMPARE(panels.panelCaps->text(), QString());  // off, or unknown off X11
        states = {true, true, false, true};
        panels.UpdateKeyStates();
        QCOMPARE(panels.panelCaps->text(), QStringLiteral("CAPS"));
        QCOMPARE(panels.panelNum->text(), QString());
        QCOMPARE(panels.panelScroll->text(), QStringLiteral("SCRL"));

        // Insert is the program's own toggle, whatever widget has the focus.
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        auto* edit = FocusedInWorkspace<QLineEdit>(frame);
        QTRY_VERIFY(edit->hasFocus());
        const bool before = panels.InsertOn();
        QTest::keyClick(edit, Qt::Key_Insert);
        QCOMPARE(panels.InsertOn(), !before);
        QCOMPARE(panels.panelInsert->text(), panels.InsertOn() ? QStringLiteral("INS") : QString());
        QTest::keyClick(edit, Qt::Key_Insert);
        QCOMPARE(panels.InsertOn(), before);
    }

    // Opening Edit sets its four commands from the focused control and the clipboard.
    void theEditMenuFollowsTheFocusedBox_data() {
        QTest::addColumn<QString>("control");  // line, memo, readonly, list
        QTest::addColumn<bool>("selection");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("enabled");  // of cut, copy, paste, clear
        QTest::addColumn<QString>("pasteHint");
        const QString pasteOn =
            QStringLiteral("Insere o conteúdo da área de transferência na posição do ponto de inserção.");
        const QString pasteEmpty =
            QStringLiteral("Esse comando não está disponível porque não há nenhum texto na Área de Transferência.");
        const QString refuses =
            QStringLiteral("Esse comando não está disponível porque o objeto selecionado não o aceita.");
        QTest::newRow("edit, selection, text") << "line" << true << "abc"
                                               << "1111" << pasteOn;
        QTest::newRow("edit, no selection, text") << "line" << false << "abc"
                                                  << "0010" << pasteOn;
        QTest::newRow("edit, selection, empty") << "line" << true << ""
                                                << "1101" << pasteEmpty;
        QTest::newRow("memo, selection, text") << "memo" << true << "abc"
                                               << "1111" << pasteOn;
        QTest::newRow("memo, nothing") << "memo" << false << ""
                                       << "0000" << pasteEmpty;
        QTest::newRow("read-only edit, selection") << "readonly" << true << "abc"
                                                   << "0100" << refuses;
        QTest::newRow("list box") << "list" << false << "abc"
                                  << "0000" << refuses;
    }

    void theEditMenuFollowsTheFocusedBox() {
        QFETCH(QString, control);
        QFETCH(bool, selection);
        QFETCH(QString, clipboard);
        QFETCH(QString, enabled);
        QFETCH(QString, pasteHint);
        TfrmMain frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QApplication::clipboard()->setText(clipboard);
        QWidget* focused = nullptr;
        if (control == QLatin1String("memo")) {
            auto* memo = FocusedInWorkspace<QPlainTextEdit>(frame);
            memo->setPlainText(QStringLiteral("texto"));
            if (selection) memo->selectAll();
            focused = memo;
        } else if (control == QLatin1String("list")) {
            auto* list = FocusedInWorkspace<QListWidget>(frame);
            list->addItem(QStringLiteral("item"));
            focused = list;
        } else {
            auto* edit = FocusedInWorkspace<QLineEdit>(frame);
            edit->setText(QStringLiteral("texto"));
            edit->setReadOnly(control == QLatin1String("readonly"));
            if (selection) edit->selectAll();
            focused = edit;
        }
        QTRY_VERIFY(focused->hasFocus());

        MenuOf(frame, "mnuEdit")->popup(frame.mapToGlobal(QPoint(20, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(MenuOf(frame, "mnuEdit")));
        MenuOf(frame, "mnuEdit")->hide();
        const QString actual = QString::number(Command(frame, "mnuCut")->isEnabled()) +
                               QString::number(Command(frame, "mnuCopy")->isEnabled()) +
                               QString::number(Command(frame, "mnuPaste")->isEnabled()) +
                               QString::number(Command(frame, "mnuDelete")->isEnabled());
        QCOMPARE(actual, enabled);
        QCOMPARE(Command(frame, "mnuPaste")->statusTip(), pasteHint);
        if (!selection)
            QCOMPARE(Command(frame, "mnuCut")->statusTip(),
                     QStringLiteral("Esse comando não está disponível porque nenhum texto foi selecionado."));
    }

    void theEditCommandsActOnTheFocusedBox() {
        TfrmMain frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        auto* edit = FocusedInWorkspace<QLineEdit>(frame);
        QTRY_VERIFY(edit->hasFocus());
        // Each command is chosen from the menu, which refreshes when it opens.
        const auto choose = [&frame](QAction* command) {
            frame.mnuEditClick();
            command->trigger();
        };
        edit->setText(QStringLiteral("regra"));
        edit->setSelection(0, 3);
        choose(Command(frame, "mnuCut"));
        QCOMPARE(edit->text(), QStringLiteral("ra"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("reg"));
        edit->setCursorPosition(2);
        choose(Command(frame, "mnuPaste"));
        QCOMPARE(edit->text(), QStringLiteral("rareg"));
        edit->setSelection(0, 2);
        choose(Command(frame, "mnuDelete"));
        QCOMPARE(edit->text(), QStringLiteral("reg"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("reg"));

        // Text the bases cannot hold is not pasted.
        TMessageScript messages;
        QApplication::clipboard()->setText(QStringLiteral("\u0142\u00f3d\u017a"));
        edit->setCursorPosition(3);
        choose(Command(frame, "mnuPaste"));
        QCOMPARE(edit->text(), QStringLiteral("reg"));
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QVERIFY(messages.shown[0].text.contains(QStringLiteral("\u0142\u017a")));
    }

    void refusesTypedTextThatABaseCannotHold() {
        TfrmMain frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        auto* edit = FocusedInWorkspace<QLineEdit>(frame);
        QTRY_VERIFY(edit->hasFocus());
        TMessageScript messages;
        // Typed one character at a time, as a keyboard would (QTest types ASCII only).
        const auto type = [edit](const QString& text) {
            for (const QChar character : text)
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(character), Qt::NoModifier);
        };
        type(QStringLiteral("ação €"));
        QCOMPARE(edit->text(), QStringLiteral("ação €"));
        QVERIFY(messages.shown.empty());
        type(QStringLiteral("\u03c0"));
        QCOMPARE(edit->text(), QStringLiteral("ação €"));
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QCOMPARE(messages.shown[0].kind, TMsgKind::Error);
        QVERIFY(messages.shown[0].text.contains(QStringLiteral("\u03c0")));
    }

    void theShowMenuTogglesBarsAndSeesClosedFloatingOnes() {
        TfrmMain frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        Command(frame, "mnuShowToolBoxSystem")->trigger();
        QVERIFY(ToolBarOf(frame, "XToolBarSystem")->isHidden());
        QVERIFY(!Command(frame, "mnuShowToolBoxSystem")->isChecked());
        Command(frame, "mnuShowStatus")->trigger();
        QVERIFY(frame.statusBar()->isHidden());
        Command(frame, "mnuShowStatus")->trigger();
        QVERIFY(!frame.statusBar()->isHidden());

        // A toolbar closed by its own close box reads unchecked the next time.
        ToolBarOf(frame, "XToolBarHelp")->hide();
        QVERIFY(Command(frame, "mnuShowToolBoxHelp")->isChecked());
        MenuOf(frame, "mnuShow")->popup(frame.mapToGlobal(QPoint(20, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(MenuOf(frame, "mnuShow")));
        MenuOf(frame, "mnuShow")->hide();
        QVERIFY(!Command(frame, "mnuShowToolBoxHelp")->isChecked());
        QVERIFY(Command(frame, "mnuShowToolBoxFile")->isChecked());
        Command(frame, "mnuShowToolBoxHelp")->trigger();
        QVERIFY(!ToolBarOf(frame, "XToolBarHelp")->isHidden());
    }

    void theWindowMenuListsAndArrangesTheChildren() {
        TfrmMain frame;
        frame.resize(900, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QList<QMdiSubWindow*> children;
        for (const char* title : {"Primeira", "Segunda", "Terceira"}) {
            QMdiSubWindow* child = frame.MdiArea()->addSubWindow(new QLabel(QLatin1String(title)));
            child->setWindowTitle(QLatin1String(title));
            child->resize(200, 150);
            child->show();
            children << child;
        }
        frame.MdiArea()->setActiveSubWindow(children[1]);
        frame.mnuWindowClick();
        QStringList listed;
        QAction* checked = nullptr;
        for (QAction* action : MenuOf(frame, "mnuWindow")->actions())
            if (action->isCheckable()) {
                listed << action->text();
                if (action->isChecked()) checked = action;
            }
        QCOMPARE(listed, QStringList({QStringLiteral("&1 Primeira"), QStringLiteral("&2 Segunda"),
                                      QStringLiteral("&3 Terceira")}));
        QVERIFY(checked && checked->text().endsWith(QStringLiteral("Segunda")));
        // Listing again replaces the list rather than adding to it.
        frame.mnuWindowClick();
        int count = 0;
        for (QAction* action : MenuOf(frame, "mnuWindow")->actions()) count += action->isCheckable() ? 1 : 0;
        QCOMPARE(count, 3);

        const QRect area = frame.MdiArea()->viewport()->rect();
        Command(frame, "mnuTileH")->trigger();
        for (QMdiSubWindow* child : children) QCOMPARE(child->width(), area.width());
        QVERIFY(children[0]->geometry().top() != children[1]->geometry().top());
        Command(frame, "mnuTileV")->trigger();
        for (QMdiSubWindow* child : children) QCOMPARE(child->height(), area.height());
        QVERIFY(children[0]->geometry().left() != children[1]->geometry().left());
        // A window keeps its minimum size and stays inside the area.
        const QSize least(area.width() * 2 / 3, area.height() * 2 / 3);
        children[2]->setMinimumSize(least);
        for (QAction* tile : {Command(frame, QStringLiteral("mnuTileV")), Command(frame, QStringLiteral("mnuTileH"))}) {
            tile->trigger();
            QVERIFY(children[2]->width() >= least.width() && children[2]->height() >= least.height());
            QVERIFY(area.contains(children[2]->geometry()));
        }
        children[2]->setMinimumSize(0, 0);

        children[0]->showMinimized();
        children[2]->showMinimized();
        Command(frame, "mnuIcons")->trigger();
        QCOMPARE(children[0]->geometry().bottom(), area.bottom());
        QCOMPARE(children[2]->geometry().bottom(), area.bottom());
        QCOMPARE(children[0]->geometry().left(), 0);
        QCOMPARE(children[2]->geometry().left(), children[0]->geometry().right() + 1);
    }

    void theAboutBoxNamesProductAndVersion() {
        TfrmMain frame;
        bool seen = false;
        WhenModal<QDialog>([&seen](QDialog* about) {
            seen = about->objectName() == QLatin1String("dialogAbout");
            const QLabel* text = about->findChild<QLabel*>(QStringLiteral("labelText"));
            seen = seen && text && text->text().contains(QStringLiteral("1.1b"));
            about->accept();
        });
        Command(frame, "mnuAbout")->trigger();
        QVERIFY(seen);
    }

    // The loop the engine waits in: it returns once the wait is over and
    // throws when the program quits under it. Last: once the application
    // was told to quit, no further event loop of this program runs.
    void theEngineWaitsInANestedEventLoop() {
        TQtMessageLoop loop;
        bool waiting = true;
        QTimer::singleShot(20, [&waiting] { waiting = false; });
        loop.RunUntil([&waiting] { return !waiting; });
        QVERIFY(!waiting);

        waiting = true;
        QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
        QVERIFY_THROWS_EXCEPTION(quorvel::EExpertSystem, loop.RunUntil([&waiting] { return !waiting; }));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
