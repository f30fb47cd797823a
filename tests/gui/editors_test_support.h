// Shared helpers of the editor windows' tests: a stand-in for the rule-base
// window that owns the editors, message boxes answered from a script, modal
// dialogs driven while they are shown, and a sample base.
#pragma once

#include <QApplication>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "EditorHost.h"
#include "ExEditing.h"
#include "ExSystem.h"
#include "ExText.h"
#include "MessageBoxSink.h"
#include "main_test_support.h"
#include "RuleCode.h"

namespace edtest {

using quorvel::TMsgButtons;
using quorvel::TMsgKind;
using quorvel::TMsgResult;

// The message script, the modal-dialog helper and the frame's commands of
// the workbench tests.
using maintest::Command;
using maintest::TMessageScript;
using maintest::TShown;
using maintest::WhenModal;

// The rule-base window's part as the editors see it, with a record of what
// they told it.
class TTestHost : public TEditorHost {
public:
    explicit TTestHost(quorvel::TExpertSystem& engine) : engine_(engine) {
        area_.resize(900, 700);
        area_.show();
    }
    ~TTestHost() override {
        for (const QPointer<TfrmRule>& window : ruleWindows)
            if (window) delete window.data();
    }

    quorvel::TExpertSystem& Engine() override { return engine_; }
    QMdiArea* EditorArea() override { return &area_; }
    QWidget* HostWidget() override { return &area_; }
    void SetModified() override { modified = true; }
    void RuleSaved(TfrmRule*, const quorvel::TRuleDraft::TSaved& saved) override {
        savedRules.push_back(saved);
        modified = true;
    }
    void RuleWindowClosed(TfrmRule* window) override {
        closedRuleWindows.push_back(window);
        std::erase_if(ruleWindows, [window](const QPointer<TfrmRule>& open) { return open == window; });
    }
    void NewRuleCommand() override { ++newRuleCommands; }
    bool EditorOpen(TEditorKind kind) const override { return openEditors.count(kind) > 0; }
    void EditorClosed(TEditorKind kind) override {
        openEditors.erase(kind);
        closedEditors.push_back(kind);
    }
    void CloseRuleWindowsUsing(const quorvel::TLineUse& use, const std::set<int32_t>& rules) override {
        for (const QPointer<TfrmRule>& window : std::vector<QPointer<TfrmRule>>(ruleWindows))
            if (window && (rules.count(window->RuleCode()) || window->Uses(use))) window->CloseUnsaved();
    }
    void VariableDeleted(int32_t varCode, const std::string& name) override { deletedVariables[varCode] = name; }
    void VariablesApplied(const quorvel::TVarsDraft::TApplied& applied) override {
        appliedVariables.push_back(applied);
        modified = true;
    }

    // A rule window on a rule of the base (code 0: a new rule at `order`).
    TfrmRule* OpenRule(int32_t code, int32_t order = 0) {
        auto* window = new TfrmRule(*this);
        std::string name = "sem nome";
        if (code > 0) {
            quorvel::TRules& rules = engine_.Rules();
            if (rules.Find(code)) {
                order = rules.CurrentVal()->VarCode;
                name = rules.CurrentVal()->Name;
            }
        }
        window->Load(code, order, false, name);
        window->show();
        ruleWindows.push_back(window);
        return window;
    }

    std::vector<QPointer<TfrmRule>> ruleWindows;
    std::vector<TfrmRule*> closedRuleWindows;
    std::vector<quorvel::TRuleDraft::TSaved> savedRules;
    std::vector<quorvel::TVarsDraft::TApplied> appliedVariables;
    std::map<int32_t, std::string> deletedVariables;
    std::set<TEditorKind> openEditors;
    std::vector<TEditorKind> closedEditors;
    int newRuleCommands = 0;
    bool modified = false;

private:
    quorvel::TExpertSystem& engine_;
    QMdiArea area_;
};

// The text a row of a list shows.
inline QString RowText(const QAbstractItemView* list, int row) {
    return list->model()->index(row, 0).data(Qt::DisplayRole).toString();
}

// The row showing `text`, or -1.
inline int RowOf(const QAbstractItemView* list, const QString& text) {
    for (int i = 0; i < list->model()->rowCount(); ++i)
        if (RowText(list, i) == text) return i;
    return -1;
}

// Selects the row showing `text`, as a click on it does.
inline void Click(QAbstractItemView* list, const QString& text) {
    const int row = RowOf(list, text);
    QVERIFY2(row >= 0, qPrintable(text));
    const QModelIndex index = list->model()->index(row, 0);
    // As a list's setCurrentRow does, then the row's own selection.
    const QItemSelectionModel::SelectionFlags how =
        list->selectionMode() == QAbstractItemView::SingleSelection ? QItemSelectionModel::ClearAndSelect
        : list->selectionMode() == QAbstractItemView::NoSelection   ? QItemSelectionModel::NoUpdate
                                                                    : QItemSelectionModel::SelectCurrent;
    list->selectionModel()->setCurrentIndex(index, how);
    list->selectionModel()->select(index, QItemSelectionModel::Select);
}

// Adds the row showing `text` to the selection, as a Ctrl+click does.
inline void SelectAlso(QAbstractItemView* list, const QString& text) {
    const int row = RowOf(list, text);
    QVERIFY2(row >= 0, qPrintable(text));
    list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);
}

// Drags row `from` onto row `to` with the mouse: press, a move past the drag
// distance, release.
inline void DragRow(QAbstractItemView* list, int from, int to) {
    const QPoint start = list->visualRect(list->model()->index(from, 0)).center();
    const QPoint end = list->visualRect(list->model()->index(to, 0)).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(end), list->viewport()->mapToGlobal(QPointF(end)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, end);
}

// The rows of a list as shown.
inline QStringList Rows(const QAbstractItemView* list) {
    QStringList rows;
    for (int i = 0; i < list->model()->rowCount(); ++i) rows << RowText(list, i);
    return rows;
}

// A base text as the screen shows it.
inline QString Screen(const std::string& base) { return QString::fromStdString(quorvel::Cp1252ToUtf8(base)); }

// Rule codes in order-number order.
inline std::vector<int32_t> RulesInOrder(quorvel::TExpertSystem& engine) {
    std::vector<int32_t> codes;
    for (const quorvel::TNode* node : engine.Rules().Records(quorvel::kKeyThird)) codes.push_back(node->Code);
    return codes;
}

// A sample base:
//   variables Febre (yes/no, 1), Cor (univalued: Azul 10, Verde 11, Roxo 12),
//   Peso (numeric 0;100, 3), Risco (multivalued: Alto 2, Baixo 13);
//   rules 1 Primeira: Febre = Sim -> Risco = Alto 80%
//         2 Segunda: Peso > PESO*2 -> Risco = Baixo 50%
//         3 Terceira: Cor = Verde E Febre = Não -> Peso = PESO+1
//         4 Quarta: Cor = Azul -> Risco = Alto 100%
inline void FillSample(quorvel::TExpertSystem& engine) {
    engine.ClearBase();
    engine.Vars().AddVariable(1, "Febre", false, false);
    engine.Vars().AddVariable(2, "Cor", false, false);
    engine.Vars().AddVariable(3, "Peso", false, true);
    engine.Vars().AddVariable(4, "Risco", true, false);
    engine.Values().AddValue(10, "Azul", 2, 1);
    engine.Values().AddValue(11, "Verde", 2, 2);
    engine.Values().AddValue(12, "Roxo", 2, 3);
    engine.Values().AddValue(30, "0;100", 3, 1);
    engine.Values().AddValue(2, "Alto", 4, 1);
    engine.Values().AddValue(13, "Baixo", 4, 2);
    engine.Formulas().Add(1, "PESO*2");
    engine.Formulas().Add(2, "PESO+1");
    engine.Rules().AddRule(1, "Primeira", 1);
    engine.Tails().AddPremise(1, 1, "=", quorvel::kCodeYes, 2, false);
    engine.Heads().AddConclusion(1, 4, 2, 0.8f);
    engine.Rules().AddRule(2, "Segunda", 2);
    engine.Tails().AddPremise(2, 3, ">", 1, 2, false);
    engine.Heads().AddConclusion(2, 4, 13, 0.5f);
    engine.Rules().AddRule(3, "Terceira", 3);
    engine.Tails().AddPremise(3, 2, "=", 11, 0, false);
    engine.Tails().AddPremise(3, 1, "=", quorvel::kCodeNo, 2, false);
    engine.Heads().AddConclusion(3, 3, 2, 1.0f);
    engine.Rules().AddRule(4, "Quarta", 4);
    engine.Tails().AddPremise(4, 2, "=", 10, 2, false);
    engine.Heads().AddConclusion(4, 4, 2, 1.0f);
    engine.Targets().Add(4);
    engine.Questions().AddQuestion(1, "Tem febre?", false);
    engine.HelpContexts().AddContext(2, 100);
}

// The whole base as its file would hold it.
inline std::vector<uint8_t> Bytes(quorvel::TExpertSystem& engine) {
    std::vector<uint8_t> bytes;
    engine.SaveBytes(bytes);
    return bytes;
}

}  // namespace edtest
