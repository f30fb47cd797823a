// The editors as they open in an active workbench, where the keyboard goes
// to one of their boxes at once: the variables editor with nothing selected
// and "Exclui variável" disabled, the information editor with the base's
// name selected for typing over.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "EditorCommon.h"
#include "Infocode.h"
#include "VarsCode.h"
#include "editors_test_support.h"

using namespace edtest;

class EditorsOpeningTest : public QObject {
    Q_OBJECT

    quorvel::TExpertSystem engine_;

private slots:
    void init() {
        FillSample(engine_);
        engine_.BaseName = "Triagem";
    }

    void theVariablesEditorOpensWithNothingSelected() {
        TTestHost host(engine_);
        QVERIFY(QTest::qWaitForWindowActive(host.HostWidget()));
        auto* window = new TfrmVars(host);
        window->show();
        host.EditorArea()->setActiveSubWindow(window);
        QTRY_VERIFY(window->isAncestorOf(QApplication::focusWidget()));
        // The list takes the keyboard as a user tabbing into it would.
        window->listVars->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QCOMPARE(window->listVars->currentRow(), -1);
        QVERIFY(window->listVars->selectedItems().isEmpty());
        QVERIFY(!window->btnDelVar->isEnabled());
        QVERIFY(!window->editVar->isEnabled());
        QVERIFY(window->editVar->text().isEmpty());
        QCOMPARE(window->listValues->count(), 0);
        window->btnCancel->click();
    }

    void theInformationEditorOpensWithTheBaseNameSelected() {
        TTestHost host(engine_);
        QVERIFY(QTest::qWaitForWindowActive(host.HostWidget()));
        auto* window = new TfrmInfos(host);
        window->show();
        host.EditorArea()->setActiveSubWindow(window);
        QTRY_COMPARE(QApplication::focusWidget(), window->editName);
        QTRY_COMPARE(window->editName->selectedText(), QStringLiteral("Triagem"));
        window->CancelBtn->click();
    }
};

QTEST_MAIN(EditorsOpeningTest)
#include "editors_opening_test.moc"
