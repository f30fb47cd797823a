// TdialogEditRule: composes one rule line, a premise (variable, relational
// operator, value or formula, NÃO, connective) or a conclusion (variable,
// value or formula, CNF), checks it and hands it to the rule window: in
// insert mode it inserts the lines itself and stays open for the next one,
// in modify mode it closes with OK and the rule window rewrites its line.
#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

#include "ExEditing.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QToolButton;
class TCodeRows;
class TfrmRule;

namespace quorvel {
class TExpertSystem;
}

class TdialogEditRule : public QDialog {
    Q_OBJECT

public:
    explicit TdialogEditRule(QWidget* parent = nullptr);
    // The one line editor of the program, created on first use.
    static TdialogEditRule& Instance(QWidget* parent);

    // Clears the three lists and the CNF text and lists every variable of the base.
    void FillVariables(quorvel::TExpertSystem& engine);
    // Prepares the dialog for a rule window, before every showing.
    void SetUp(TfrmRule* window, bool premiseMode, bool insertMode, bool firstPremise);
    // Puts a line into the controls (`valueText`: the value's or formula's
    // text as the rule window shows it). `previousConnective` is the
    // connective stored above the premise, none for the first premise.
    void FillPremise(int32_t varCode, const std::string& op, bool negated, std::optional<int32_t> previousConnective,
                     int32_t valueCode, const std::string& valueText);
    void FillConclusion(int32_t varCode, int32_t valueCode, float cnf, const std::string& valueText);

    // The accepted line.
    const quorvel::TLineInput& Result() const { return result_; }
    bool PremiseMode() const { return premiseMode_; }
    bool InsertMode() const { return insertMode_; }
    bool ConnectiveEnabled() const;
    int PremiseAnchor() const { return premiseAnchor_; }
    int ConclusionAnchor() const { return conclusionAnchor_; }

    // ---- handlers
    void btnModifyClick();
    void btnInsertClick();
    void btnSwitchClick();
    void btnZoomClick();
    void comboVarsClick();
    // Checks the controls and fills the result; false after the message.
    bool ValidateLine();

    QLabel* labelItem = nullptr;
    QLabel* labelEquals = nullptr;
    QLabel* labelCnf = nullptr;
    QComboBox* comboVars = nullptr;
    QComboBox* comboOperators = nullptr;
    QComboBox* comboValues = nullptr;
    QLineEdit* editFormula = nullptr;
    QToolButton* btnZoom = nullptr;
    QComboBox* comboCnf = nullptr;
    QCheckBox* checkNot = nullptr;
    QGroupBox* groupConect = nullptr;
    QRadioButton* radioAnd = nullptr;
    QRadioButton* radioOr = nullptr;
    QPushButton* btnModify = nullptr;
    QPushButton* btnInsert = nullptr;
    QPushButton* btnSwitch = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowMode();
    void SetConnectiveEnabled(bool enabled);
    void SelectVariable(int32_t varCode);
    // The entry of a combo whose text matches (any letter case), or -1.
    static int EntryOf(const QComboBox* combo, const QString& text);

    QStackedWidget* stackOperator_ = nullptr;
    QStackedWidget* stackValue_ = nullptr;
    QStackedWidget* stackLower_ = nullptr;
    quorvel::TExpertSystem* engine_ = nullptr;
    // The entries of comboVars and comboValues.
    TCodeRows* varEntries_ = nullptr;
    TCodeRows* valueEntries_ = nullptr;
    TfrmRule* window_ = nullptr;
    bool premiseMode_ = true;
    bool insertMode_ = false;
    bool typedVariable_ = false;
    bool numeric_ = false;  // the chosen variable is numeric: a formula box instead of values
    int premiseAnchor_ = 0;
    int conclusionAnchor_ = 1;
    quorvel::TLineInput result_;
};
