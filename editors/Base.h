// TfrmBase: the MDI child that stands for the open knowledge base. It lists
// the rules in the order of their order numbers, holds the base's modified
// flag and asks to save it when it closes. The rule editors, the rule
// viewer and the variables, targets, interface and information editors
// attach to its buttons.
#pragma once

#include <QMdiSubWindow>
#include <QString>

class QListWidget;
class QMdiArea;
class QPushButton;
class TfrmMain;

namespace quorvel {
class TExpertSystem;
}

class TfrmBase : public QMdiSubWindow {
    Q_OBJECT

public:
    // Item data roles of a rule row.
    static constexpr int kRuleCodeRole = Qt::UserRole;
    static constexpr int kRuleOrderRole = Qt::UserRole + 1;

    // Creating the window empties the engine's base and tells the main window
    // that a base is open.
    TfrmBase(TfrmMain& main, QMdiArea* area);
    ~TfrmBase() override;

    // "REGRA  12     Diagnóstico": a row of the rule list (the name in the
    // base's code page).
    static QString RuleRowText(int32_t order, const std::string& name);

    // Refills the list from the base, one row per rule in ascending order.
    void RefillRules();
    int RuleCount() const;
    // Selects the first rule and enables the commands that need one.
    void SelectFirstRule();
    void EnableRuleCommands();
    void DisableRuleCommands();

    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }
    bool SaveCancelled() const { return saveCancelled_; }
    void SetSaveCancelled(bool cancelled) { saveCancelled_ = cancelled; }

    // The close question: true when the window may close (saved, or the
    // changes dropped), false when the user kept it open.
    bool CloseQuery();
    // The window is to go away without asking and without counting as a
    // recently used base (a load that failed, the program's end).
    void DropWithoutQuery();

    // The main window's knowledge-base commands reach the buttons by name.
    bool ButtonEnabled(const QString& name) const;
    void ButtonClick(const QString& name);

    QPushButton* btnNewRule = nullptr;
    QPushButton* btnOpenRule = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnView = nullptr;
    QPushButton* btnVars = nullptr;
    QPushButton* btnTargets = nullptr;
    QPushButton* btnQuestions = nullptr;
    QPushButton* btnInfo = nullptr;
    QPushButton* btnClose = nullptr;
    QListWidget* listRules = nullptr;

    // ---- the button handlers. The rule windows and editors attach here;
    // until they exist these only keep the window's own state.
    void btnNewRuleClick(QPushButton* sender);
    void btnOpenRuleClick(QPushButton* sender);
    void btnDeleteClick(QPushButton* sender);
    void btnViewClick(QPushButton* sender);
    void btnVarsClick(QPushButton* sender);
    void btnTargetsClick(QPushButton* sender);
    void btnQuestionsClick(QPushButton* sender);
    void btnInfoClick(QPushButton* sender);
    void btnCloseClick();
    void listRulesClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TfrmMain& main_;
    quorvel::TExpertSystem& engine_;
    bool modified_ = false;
    bool saveCancelled_ = false;
    bool dropped_ = false;
    bool closed_ = false;
};
