// The rule-base window with the main window around it: deleting and
// dragging rules, the rule windows it keeps, the single editors, new rules
// from a model, and what the variables editor's deletions do to its list.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <deque>

#include "Base.h"
#include "BaseFrame.h"
#include "IniFile.h"
#include "Main.h"
#include "Newrule.h"
#include "RuleCode.h"
#include "Targcode.h"
#include "VarsCode.h"
#include "editors_test_support.h"

using namespace edtest;

namespace {

const QString kDeleteRule = QStringLiteral("Excluir regra?");
const QString kNoPermission =
    QStringLiteral("Lembre-se de que você não tem permissão para alterar essa base de conhecimento!");

// Five rules numbered 1..5 with codes 11..15, over the sample variables.
void FillFive(quorvel::TExpertSystem& engine) {
    FillSample(engine);
    for (int32_t code = 1; code <= 4; ++code) quorvel::DeleteRule(engine, code);
    const char* names[] = {"Um", "Dois", "Tr\xEAs", "Quatro", "Cinco"};
    for (int32_t i = 0; i < 5; ++i) {
        engine.Rules().AddRule(11 + i, names[i], i + 1);
        engine.Tails().AddPremise(11 + i, 2, "=", 10 + (i % 3), 2, false);  // Cor
        engine.Heads().AddConclusion(11 + i, 4, i % 2 ? 2 : 13, 1.0f);      // Risco
    }
}

// A base window on `fill`, as after opening a file.
TfrmBase* OpenWith(TfrmMain& frame, const std::function<void(quorvel::TExpertSystem&)>& fill) {
    Command(frame, "btnNew")->trigger();
    TfrmBase* base = frame.BaseWindow();
    fill(frame.ExpertSystem());
    base->RefillRules();
    if (base->RuleCount() > 0) base->SelectFirstRule();
    frame.MirrorBaseButtons();
    return base;
}

QStringList RowsOf(TfrmBase* base) { return Rows(base->listRules); }

// Messages answered from a script, and recorded.
class TScriptedSink : public quorvel::IMessageSink {
public:
    TMsgResult ShowMessage(TMsgKind, TMsgButtons, const std::string& text) override {
        messages << QString::fromStdString(text);
        if (answers.empty()) return TMsgResult::Ok;
        const TMsgResult answer = answers.front();
        answers.pop_front();
        return answer;
    }

    QStringList messages;
    std::deque<TMsgResult> answers;
};

// A frame of the tests' own: the rule-base window needs no more of the
// workbench than TBaseFrame. It records what the window asked of it.
class TTestFrame : public TBaseFrame {
public:
    TTestFrame() {
        area_.resize(700, 500);
        area_.show();
    }

    quorvel::TExpertSystem& ExpertSystem() override { return engine_; }
    quorvel::IMessageSink& Sink() const override { return sink; }
    QMdiArea* MdiArea() const override { return &area_; }
    void BaseWindowCreated(TfrmBase* window) override { created = window; }
    void BaseWindowClosed(TfrmBase* window, bool countAsRecent) override {
        closed = window;
        closedAsRecent = countAsRecent;
    }
    bool SaveBase() override {
        ++saves;
        return true;
    }
    void PrintBase() override {}

    mutable TScriptedSink sink;
    TfrmBase* created = nullptr;
    TfrmBase* closed = nullptr;
    bool closedAsRecent = false;
    int saves = 0;

private:
    quorvel::TExpertSystem engine_;
    mutable QMdiArea area_;  // after the engine: its windows go first
};

template <class T>
QList<T*> Children(TfrmMain& frame) {
    QList<T*> found;
    for (QMdiSubWindow* window : frame.MdiArea()->subWindowList())
        if (auto* child = qobject_cast<T*>(window)) found << child;
    return found;
}

}  // namespace

class EditorsBaseTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(quorvel::gui::SettingsFilePath()); }

    void rowsAndDeletion() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillFive);
        QCOMPARE(RowsOf(base), (QStringList{"REGRA  1     Um", "REGRA  2     Dois", "REGRA  3     Três",
                                            "REGRA  4     Quatro", "REGRA  5     Cinco"}));

        // Declined: nothing changes.
        base->listRules->setCurrentRow(1);
        messages.answers = {TMsgResult::No};
        base->btnDelete->click();
        QCOMPARE(messages.Texts(), QStringList{kDeleteRule});
        QCOMPARE(base->RuleCount(), 5);
        QVERIFY(!base->Modified());

        // Rule 2 of 5: 3, 4, 5 become 2, 3, 4 and the row above is selected.
        base->btnDelete->click();
        QCOMPARE(RowsOf(base),
                 (QStringList{"REGRA  1     Um", "REGRA  2     Três", "REGRA  3     Quatro", "REGRA  4     Cinco"}));
        QCOMPARE(RulesInOrder(frame.ExpertSystem()), (std::vector<int32_t>{11, 13, 14, 15}));
        QCOMPARE(base->listRules->currentRow(), 0);
        QVERIFY(base->Modified());

        // Rule 1 (by the main window's button and the Del key): the new first row.
        Command(frame, "btnDelete")->trigger();
        QCOMPARE(base->listRules->currentRow(), 0);
        QCOMPARE(RowText(base->listRules, 0), QStringLiteral("REGRA  1     Três"));
        QTest::keyClick(base->listRules, Qt::Key_Delete);
        QCOMPARE(RowsOf(base), (QStringList{"REGRA  1     Quatro", "REGRA  2     Cinco"}));

        base->listRules->setCurrentRow(1);
        base->btnDelete->click();
        base->btnDelete->click();
        QCOMPARE(base->RuleCount(), 0);
        for (QPushButton* button : {base->btnOpenRule, base->btnDelete, base->btnView}) QVERIFY(!button->isEnabled());
        for (QAction* command : {Command(frame, "btnOpenRule"), Command(frame, "btnDelete"), Command(frame, "btnView")})
            QVERIFY(!command->isEnabled());
        base->DropWithoutQuery();
    }

    // "REGRA  n" is drawn in navy while the list may be used; a disabled
    // list (during a consultation) greys the whole row, the number too.
    void ruleNumbersGreyWithTheList() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillFive);
        base->listRules->setCurrentRow(-1);
        const auto navyInRow = [base](int row) {
            const QImage image = base->listRules->viewport()->grab().toImage();
            const QRect line = base->listRules->visualRect(base->listRules->model()->index(row, 0));
            for (int y = line.top(); y <= line.bottom(); ++y)
                for (int x = line.left(); x <= line.right() && x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.blue() > 90 && c.red() < 60 && c.green() < 60) return true;
                }
            return false;
        };
        QVERIFY(navyInRow(1));
        base->setEnabled(false);
        QVERIFY(!navyInRow(1));
        base->setEnabled(true);
        QVERIFY(navyInRow(1));
        base->DropWithoutQuery();
    }

    // Ctrl+Up and Ctrl+Down move the selected rule as dragging it onto its
    // neighbour would; at either end nothing moves.
    void rulesMoveWithTheKeyboard() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillFive);
        base->listRules->setCurrentRow(1);
        QTest::keyClick(base->listRules, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(RowsOf(base), (QStringList{"REGRA  1     Um", "REGRA  2     Três", "REGRA  3     Dois",
                                            "REGRA  4     Quatro", "REGRA  5     Cinco"}));
        QCOMPARE(base->listRules->currentRow(), 2);
        QVERIFY(base->Modified());
        QTest::keyClick(base->listRules, Qt::Key_Up, Qt::ControlModifier);
        QTest::keyClick(base->listRules, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(RowsOf(base), (QStringList{"REGRA  1     Dois", "REGRA  2     Um", "REGRA  3     Três",
                                            "REGRA  4     Quatro", "REGRA  5     Cinco"}));
        QTest::keyClick(base->listRules, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(base->listRules->currentRow(), 0);
        QCOMPARE(RowText(base->listRules, 0), QStringLiteral("REGRA  1     Dois"));
        QVERIFY(messages.shown.empty());
        base->DropWithoutQuery();
    }

    // Without the main window: what the rule-base window tells its frame,
    // and the commands the frame runs through the window's actions.
    void standsInAnyFrame() {
        TTestFrame frame;
        auto* base = new TfrmBase(frame);
        QCOMPARE(frame.created, base);
        QCOMPARE(frame.MdiArea()->subWindowList(), QList<QMdiSubWindow*>{base});
        QSignalSpy ruleCommands(base, &TfrmBase::ruleCommandsChanged);
        QSignalSpy selected(base, &TfrmBase::ruleSelected);
        QSignalSpy commands(base, &TfrmBase::commandsChanged);
        base->show();

        FillFive(frame.ExpertSystem());
        base->RefillRules();
        base->SelectFirstRule();
        QCOMPARE(ruleCommands.takeFirst(), QVariantList{true});
        QCOMPARE(selected.takeLast(), QVariantList{1});
        base->listRules->setCurrentRow(3);
        QCOMPARE(selected.takeLast(), QVariantList{4});

        // The frame runs a command by triggering its action; its button follows the action's state.
        frame.sink.answers = {TMsgResult::Yes};
        base->Command(TBaseCommand::Delete)->trigger();
        QCOMPARE(frame.sink.messages, QStringList{kDeleteRule});
        QCOMPARE(base->RuleCount(), 4);
        base->Command(TBaseCommand::View)->setEnabled(false);
        QVERIFY(!base->btnView->isEnabled());
        base->Command(TBaseCommand::View)->setEnabled(true);
        QVERIFY(base->btnView->isEnabled());

        // A disabled window (a consultation runs) offers no command.
        QVERIFY(base->CommandAvailable(TBaseCommand::Vars));
        base->setEnabled(false);
        QVERIFY(!base->CommandAvailable(TBaseCommand::Vars));
        base->setEnabled(true);

        // The last rule goes: the rule commands go off and the frame mirrors again.
        for (int left = base->RuleCount(); left > 0; --left) {
            frame.sink.answers = {TMsgResult::Yes};
            base->btnDelete->click();
        }
        QCOMPARE(ruleCommands.takeLast(), QVariantList{false});
        QCOMPARE(selected.takeLast(), QVariantList{0});
        QCOMPARE(commands.count(), 1);
        QVERIFY(!base->CommandAvailable(TBaseCommand::OpenRule));

        // Closing a changed base: Yes runs the frame's Save, and the window goes.
        const QPointer<TfrmBase> watched = base;
        frame.sink.answers = {TMsgResult::Yes};
        base->close();
        QCOMPARE(frame.saves, 1);
        QCOMPARE(frame.closed, base);
        QVERIFY(frame.closedAsRecent);
        QTRY_VERIFY(!watched);
    }

    void rulesMoveByDragging() {
        struct Case {
            int from;
            int to;
            QStringList rows;
        };
        const Case cases[] = {
            {0,
             3,
             {"REGRA  1     Dois", "REGRA  2     Três", "REGRA  3     Quatro", "REGRA  4     Um",
              "REGRA  5     Cinco"}},
            {3,
             0,
             {"REGRA  1     Quatro", "REGRA  2     Um", "REGRA  3     Dois", "REGRA  4     Três",
              "REGRA  5     Cinco"}},
            {2,
             2,
             {"REGRA  1     Um", "REGRA  2     Dois", "REGRA  3     Três", "REGRA  4     Quatro",
              "REGRA  5     Cinco"}},
        };
        for (const Case& c : cases) {
            TMessageScript messages;
            TfrmMain frame;
            frame.show();
            TfrmBase* base = OpenWith(frame, FillFive);
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            DragRow(base->listRules, c.from, c.to);
            QCOMPARE(RowsOf(base), c.rows);
            QCOMPARE(base->Modified(), c.from != c.to);
            if (c.from != c.to) QCOMPARE(base->listRules->currentRow(), c.to);
            QVERIFY(messages.shown.empty());
            base->DropWithoutQuery();
        }
    }

    void withoutPermissionRulesStayPut() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillFive);
        frame.ExpertSystem().AccessLevel = quorvel::kAccessConsultAndView;
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        base->listRules->setCurrentRow(2);
        base->btnDelete->click();
        DragRow(base->listRules, 0, 4);
        QCOMPARE(messages.Texts(), (QStringList{kNoPermission, kNoPermission}));
        QCOMPARE(base->RuleCount(), 5);
        QCOMPARE(RulesInOrder(frame.ExpertSystem()), (std::vector<int32_t>{11, 12, 13, 14, 15}));
        QVERIFY(!base->Modified());
        base->DropWithoutQuery();
    }

    // Opening a rule twice brings its window forward; a deleted rule's window
    // closes unsaved; the other windows follow their rules' new numbers.
    void ruleWindowsAreKeptOncePerRule() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillFive);
        base->listRules->setCurrentRow(2);
        base->btnOpenRule->click();
        base->listRules->setCurrentRow(4);
        Command(frame, "btnOpenRule")->trigger();
        base->listRules->setCurrentRow(2);
        base->btnOpenRule->click();
        QCOMPARE(Children<TfrmRule>(frame).size(), 2);
        QCOMPARE(base->RuleWindows().size(), std::size_t{2});
        TfrmRule* three = base->RuleWindows().at(QStringLiteral("R13"));
        TfrmRule* five = base->RuleWindows().at(QStringLiteral("R15"));
        QCOMPARE(frame.MdiArea()->activeSubWindow(), three);

        const QPointer<TfrmRule> gone = three;
        base->btnDelete->click();
        QTRY_VERIFY(!gone);
        QCOMPARE(five->windowTitle(), QStringLiteral("Regra 4"));
        QCOMPARE(five->editOrder->text(), QStringLiteral("4"));
        five->btnOk->click();
        QCOMPARE(RulesInOrder(frame.ExpertSystem()), (std::vector<int32_t>{11, 12, 14, 15}));
        QVERIFY(base->RuleWindows().empty());
        base->DropWithoutQuery();
    }

    // A new rule from a model starts with a copy of its lines and is
    // inserted at its order; Nova... asks for the next one.
    void newRulesFromAModel() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillSample);
        WhenModal<TdialogNewRule>([](TdialogNewRule* dialog) {
            QCOMPARE(dialog->comboModel->count(), 5);
            dialog->comboModel->setCurrentIndex(2);  // "Regra 3"
            dialog->editOrder->setText(QStringLiteral("1"));
            dialog->btnOk->click();
        });
        Command(frame, "btnNewRule")->trigger();
        QList<TfrmRule*> windows = Children<TfrmRule>(frame);
        QCOMPARE(windows.size(), 1);
        TfrmRule* copy = windows.front();
        QCOMPARE(copy->RuleCode(), 0);
        QCOMPARE(copy->editName->text(), QStringLiteral("sem nome"));
        QCOMPARE(Rows(copy->listRules),
                 (QStringList{"SE", "   Cor = Verde", "E  Febre = Não", "ENTÃO", "   Peso = PESO+1 CNF 100%"}));
        copy->btnOk->click();
        QCOMPARE(RowsOf(base), (QStringList{"REGRA  1     sem nome", "REGRA  2     Primeira", "REGRA  3     Segunda",
                                            "REGRA  4     Terceira", "REGRA  5     Quarta"}));
        QCOMPARE(base->listRules->currentRow(), 0);
        QCOMPARE(frame.ExpertSystem().Formulas().Count(), 3);  // the copy has a formula of its own
        QVERIFY(base->Modified());
        QVERIFY(messages.shown.empty());
        base->DropWithoutQuery();
    }

    void editorsOpenOnceAndCloseWithTheBase() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillSample);
        for (QPushButton* button : {base->btnVars, base->btnTargets, base->btnQuestions, base->btnInfo}) {
            button->click();
            button->click();
        }
        Command(frame, "btnVars")->trigger();
        QCOMPARE(frame.MdiArea()->subWindowList().size(), 5);
        QVERIFY(base->EditorOpen(TEditorKind::Targets));

        // The variables editor waits for the others.
        auto* vars = Children<TfrmVars>(frame).front();
        vars->btnOk->click();
        QCOMPARE(messages.Texts().size(), 3);
        static_cast<TfrmTargets*>(base->Editor(TEditorKind::Targets))->CancelBtn->click();
        QVERIFY(!base->EditorOpen(TEditorKind::Targets));

        // Closing the base drops the editors and rule windows, unsaved.
        base->listRules->setCurrentRow(0);
        base->btnOpenRule->click();
        const std::vector<uint8_t> before = Bytes(frame.ExpertSystem());
        base->close();
        QTRY_VERIFY(!frame.BaseWindow());
        QVERIFY(frame.MdiArea()->subWindowList().isEmpty());
        QCOMPARE(messages.Texts().size(), 3);  // the base was not modified: no question
        QCOMPARE(Bytes(frame.ExpertSystem()), before);
    }

    // The variables editor deletes a value used by rule 3 while rule 3 and
    // rule 1 are open: rule 3 and its window go, the list keeps no row for
    // it, and the numbers close up to 1..n.
    void aCascadeLeavesNoRowForADeletedRule() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillSample);
        base->listRules->setCurrentRow(2);
        base->btnOpenRule->click();
        TfrmRule* three = base->RuleWindows().at(QStringLiteral("R3"));
        three->editName->setText(QStringLiteral("Editada"));
        base->listRules->setCurrentRow(3);
        base->btnOpenRule->click();
        TfrmRule* four = base->RuleWindows().at(QStringLiteral("R4"));
        const QPointer<TfrmRule> watched = three;

        base->btnVars->click();
        auto* vars = Children<TfrmVars>(frame).front();
        vars->listVars->setCurrentRow(0);    // Cor
        vars->listValues->setCurrentRow(1);  // Verde
        vars->btnDelValue->click();
        QVERIFY(
            messages.Texts().value(0).startsWith(QStringLiteral("Atenção! A regra 3 (Terceira) utiliza esse valor.")));
        vars->btnOk->click();
        QTRY_VERIFY(!watched);
        QCOMPARE(RowsOf(base), (QStringList{"REGRA  1     Primeira", "REGRA  2     Segunda", "REGRA  3     Quarta"}));
        QCOMPARE(RulesInOrder(frame.ExpertSystem()), (std::vector<int32_t>{1, 2, 4}));
        QCOMPARE(four->windowTitle(), QStringLiteral("Regra 3"));
        QVERIFY(base->Modified());
        QVERIFY(base->btnNewRule->isEnabled());
        base->DropWithoutQuery();
    }
};

QTEST_MAIN(EditorsBaseTest)
#include "editors_base_test.moc"
