// TfrmRule: the MDI child in which one rule is written, shown as a small
// program "SE premises ENTÃO conclusions". It edits a draft of the rule's
// lines (ExEditing) and writes it into the base only when it closes with OK
// (or its close box) after the checks; Cancel leaves the base as it was.
#pragma once

#include <QMdiSubWindow>
#include <QString>
#include <cstdint>
#include <string>

#include "ExEditing.h"

class QLineEdit;
class QPushButton;
class TCodeList;
class TEditorHost;

class TfrmRule : public QMdiSubWindow {
    Q_OBJECT

public:
    static constexpr int kItemHeight = 17;
    static constexpr int kMinimumWidth = 540;
    static constexpr int kMinimumHeight = 300;

    explicit TfrmRule(TEditorHost& host);
    ~TfrmRule() override;

    // Loads a rule: code < 1 an empty new rule; with `copy` the lines of the
    // rule `code` as a new rule; otherwise that rule itself.
    void Load(int32_t code, int32_t order, bool copy, const std::string& name);
    // The rule being edited; 0 for a new rule.
    int32_t RuleCode() const { return ruleCode_; }
    const quorvel::TRuleDraft& Draft() const { return draft_; }
    // Whether the rule in the base or the window's lines match `use`.
    bool Uses(const quorvel::TLineUse& use) const;
    // Closes the window, dropping its changes.
    void CloseUnsaved();
    // Another rule's deletion, move or saving gave this window's rule a new
    // order number: the window follows it, unless its order was edited.
    void RuleRenumbered(int32_t order);

    // ---- what the line editor calls
    int SelectedRow() const;
    void SelectRow(int row);
    // Inserts a line after `row` and selects it; false after telling the
    // user why the base cannot take it.
    bool InsertPremise(int row, const quorvel::TLineInput& line);
    bool InsertConclusion(int row, const quorvel::TLineInput& line);

    // ---- handlers
    void btnNewClick();
    void btnChangeClick();
    void btnDelClick();
    void listRulesClick();
    void btnOkClick();
    void btnCancelClick();
    void btnNextRuleClick();
    // The checks made before saving; false after the message.
    bool Validate();

    QLineEdit* editName = nullptr;
    QLineEdit* editOrder = nullptr;
    TCodeList* listRules = nullptr;
    QPushButton* btnNew = nullptr;
    QPushButton* btnChange = nullptr;
    QPushButton* btnDel = nullptr;
    QPushButton* btnNextRule = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RefreshRows(int select);
    void SetLineButtons();

    TEditorHost& host_;
    quorvel::TRuleDraft draft_;
    int32_t ruleCode_ = 0;
    int32_t shownOrder_ = 0;
    bool saveFlag_ = true;
    bool nextRule_ = false;
    bool closed_ = false;
};
