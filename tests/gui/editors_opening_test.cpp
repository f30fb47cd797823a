// The editors as they open in an active workbench, where the keyboard goes
// to one of their boxes at once: the variables editor with nothing selected
// and "Exclui variável" disabled, the information editor with the base's
// name selected for typing over.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <vector>

#include "AskCode.h"
#include "EditorCommon.h"
#include "Infocode.h"
#include "VarsCode.h"
#include "editors_test_support.h"

using namespace edtest;

namespace {

// An editor opened in an active workbench, in front of the others.
template <class T>
T* OpenInFront(TTestHost& host) {
    if (!QTest::qWaitForWindowActive(host.HostWidget())) return nullptr;
    auto* window = new T(host);
    window->show();
    host.EditorArea()->setActiveSubWindow(window);
    return window;
}

}  // namespace

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
        TfrmVars* window = OpenInFront<TfrmVars>(host);
        QVERIFY(window);
        QTRY_VERIFY(window->isAncestorOf(QApplication::focusWidget()));
        // The list takes the keyboard as a user tabbing into it would.
        window->listVars->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QCOMPARE(window->listVars->currentRow(), -1);
        QVERIFY(window->listVars->SelectedRows().empty());
        QVERIFY(!window->btnDelVar->isEnabled());
        QVERIFY(!window->editVar->isEnabled());
        QVERIFY(window->editVar->text().isEmpty());
        QCOMPARE(window->listValues->count(), 0);
        window->btnCancel->click();
    }

    // Buttons that show only an icon or a sign are named for screen readers.
    void iconOnlyButtonsHaveAccessibleNames() {
        TTestHost host(engine_);
        const std::vector<QMdiSubWindow*> editors = {new TfrmVars(host), new TfrmInfos(host), new TfrmQuestions(host)};
        for (QMdiSubWindow* editor : editors) {
            for (const QAbstractButton* button : editor->findChildren<QAbstractButton*>()) {
                const QString text = button->text();
                if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetter(); })) continue;
                QVERIFY2(!button->accessibleName().isEmpty(), qPrintable(button->objectName()));
            }
            delete editor;
        }
    }

    void theInformationEditorOpensWithTheBaseNameSelected() {
        TTestHost host(engine_);
        TfrmInfos* window = OpenInFront<TfrmInfos>(host);
        QVERIFY(window);
        QTRY_COMPARE(QApplication::focusWidget(), window->editName);
        QTRY_COMPARE(window->editName->selectedText(), QStringLiteral("Triagem"));
        window->CancelBtn->click();
    }
};

QTEST_MAIN(EditorsOpeningTest)
#include "editors_opening_test.moc"
