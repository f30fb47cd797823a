// TfrmBase: the MDI child that stands for the open knowledge base. It lists
// the rules in the order of their order numbers, opens rule windows, creates,
// deletes and reorders rules (by dragging one row onto another), opens the
// variables, targets, interface and information editors and the rule
// viewer, holds the base's modified flag and asks to save it when it
// closes. The rule windows and editors it opens are its own: they go away
// with it, unsaved.
//
// It knows the frame that holds it only as a TBaseFrame. Its commands are
// actions that the frame mirrors on its toolbar and menu and triggers from
// there; when their state changes the window says so through its signals.
#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "BaseFrame.h"
#include "EditorCommon.h"
#include "EditorHost.h"
#include "RowListView.h"
#include "RuleRows.h"

class QAction;
class QMdiArea;
class QPushButton;
class TfrmRule;

namespace quorvel {
class TExpertSystem;
}

class TfrmBase : public QMdiSubWindow, public TEditorHost {
    Q_OBJECT

public:
    // Item data roles of a rule row.
    static constexpr int kRuleCodeRole = TRuleRows::kRuleCodeRole;
    static constexpr int kRuleOrderRole = TRuleRows::kRuleOrderRole;
    static constexpr int kItemHeight = 13;

    // Creating the window empties the engine's base, puts the window in the
    // frame's MDI area and tells the frame that a base is open.
    explicit TfrmBase(TBaseFrame& frame);
    ~TfrmBase() override;

    // Refills the list from the base, one row per rule in ascending order.
    void RefillRules();
    // Reads rows first..last again from the rules numbered row + 1.
    void RebuildRows(int first, int last);
    int RuleCount() const;
    // The row of a rule in the list, -1 when it has none.
    int RuleRow(int32_t ruleCode) const;
    // Selects the first rule and enables the commands that need one.
    void SelectFirstRule();
    void EnableRuleCommands();
    void DisableRuleCommands();

    bool Modified() const { return modified_; }
    // A modified base shows it in the window's title: " *" after the name.
    void SetModified(bool modified);
    bool SaveCancelled() const { return saveCancelled_; }
    void SetSaveCancelled(bool cancelled) { saveCancelled_ = cancelled; }

    // The close question: true when the window may close (saved, or the
    // changes dropped), false when the user kept it open.
    bool CloseQuery();
    // The window is to go away without asking and without counting as a
    // recently used base (a load that failed, the program's end).
    void DropWithoutQuery();

    // A command of the window: its button runs it and shows its state.
    QAction* Command(TBaseCommand which) const { return commands_[static_cast<std::size_t>(which)]; }
    // Whether the command may run now: enabled, in a window that is not
    // disabled (during a consultation, or for a base that may only be consulted).
    bool CommandAvailable(TBaseCommand which) const;

    // The open rule windows, by key: "R" + code for a rule of the base, "N" +
    // a serial number for a new rule, so a new rule's window is never taken
    // for an existing rule's.
    const std::map<QString, QPointer<TfrmRule>>& RuleWindows() const { return ruleWindows_; }
    // The editor of a kind while it is open, or null.
    QMdiSubWindow* Editor(TEditorKind kind) const;

    QPushButton* btnNewRule = nullptr;
    QPushButton* btnOpenRule = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnView = nullptr;
    QPushButton* btnVars = nullptr;
    QPushButton* btnTargets = nullptr;
    QPushButton* btnQuestions = nullptr;
    QPushButton* btnInfo = nullptr;
    QPushButton* btnClose = nullptr;
    TRowListView* listRules = nullptr;

    // ---- what the commands do
    void btnNewRuleClick();
    void btnOpenRuleClick();
    void btnDeleteClick();
    void btnViewClick();
    void btnVarsClick();
    void btnTargetsClick();
    void btnQuestionsClick();
    void btnInfoClick();
    void btnCloseClick();
    void listRulesClick();
    // Dropping row `from` on row `to` gives the dragged rule number to + 1.
    void listRulesDragDrop(int from, int to);

    // ---- TEditorHost
    quorvel::TExpertSystem& Engine() override { return engine_; }
    QMdiArea* EditorArea() override { return area_; }
    QWidget* HostWidget() override { return this; }
    void SetModified() override { SetModified(true); }
    void RuleSaved(TfrmRule* window, const quorvel::TRuleDraft::TSaved& saved) override;
    void RuleWindowClosed(TfrmRule* window) override;
    void NewRuleCommand() override;
    bool EditorOpen(TEditorKind kind) const override;
    void EditorClosed(TEditorKind kind) override;
    void CloseRuleWindowsUsing(const quorvel::TLineUse& use, const std::set<int32_t>& rules) override;
    void VariableDeleted(int32_t varCode, const std::string& name) override;
    void VariablesApplied(const quorvel::TVarsDraft::TApplied& applied) override;

signals:
    // The commands that need a rule were enabled (the base has rules) or disabled.
    void ruleCommandsChanged(bool enabled);
    // The rule selected in the list, numbered from 1 (0: none).
    void ruleSelected(int number);
    // The state of the window's commands changed: the frame mirrors them again.
    void commandsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The command's action, run by `button` and followed by its enabled state.
    void MakeCommand(TBaseCommand which, QPushButton* button, void (TfrmBase::*run)());
    void SetCommandEnabled(TBaseCommand which, bool enabled);
    bool MayAlter();
    // Rule windows whose rule's number changed follow it.
    void RenumberRuleWindows();
    // Destroys the rule windows and editors this window opened, unsaved.
    void DropOwnWindows();
    void OpenEditor(TEditorKind kind);
    void AfterRulesChanged(int select);

    TBaseFrame& frame_;
    quorvel::TExpertSystem& engine_;
    QMdiArea* area_ = nullptr;
    bool modified_ = false;
    bool saveCancelled_ = false;
    bool dropped_ = false;
    bool closed_ = false;
    TRuleRows* rules_ = nullptr;
    TRowDragger* ruleDragger_ = nullptr;
    std::map<QString, QPointer<TfrmRule>> ruleWindows_;
    int newRuleSerial_ = 0;
    std::map<TEditorKind, QPointer<QMdiSubWindow>> editors_;
    std::array<QAction*, kBaseCommandCount> commands_{};
};
